#include <gtest/gtest.h>

#include <ostream>

#include "train/dictionary.h"
#include "test_util.h"

namespace velmora {
namespace {

using testing::u8;

// Entries rendered as "stem:word,word|stem:..." for compact expectations.
std::string parsed(std::string_view text) {
  std::string out;
  const auto entries = parse_dictionary(text).value();
  for (const auto& e : entries) {
    if (!out.empty()) out += "|";
    out += u8(e.stem) + ":";
    for (size_t i = 0; i < e.words.size(); ++i) out += (i ? "," : "") + u8(e.words[i]);
  }
  return out;
}

struct Case {
  const char* text;
  const char* expected;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.text; }

class DictionaryLines : public ::testing::TestWithParam<Case> {};
TEST_P(DictionaryLines, Parse) { EXPECT_EQ(parsed(GetParam().text), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(
    Lines, DictionaryLines,
    ::testing::Values(Case{"", ""}, Case{"# only a comment\n\n   \n// another\n", ""},
                      Case{"run\n", "run:"}, Case{"RUN\tRunning\n", "run:running"},
                      Case{"stem\t\tword\n", "stem:word"}, Case{"\tfirst\tsecond\n", "first:second"},
                      Case{"two words\tx\n", ""}, Case{"stem\ta b\ty\n", "stem:y"},
                      Case{"stem\tword #comment\n", "stem:word"}, Case{"stem\tword // c\n", "stem:word"},
                      Case{"stem\tc#\td\n", "stem:c"}, Case{"a\tb\r\nc\td\r\n", "a:b|c:d"},
                      Case{"x\ty\ty\n", "x:y,y"}, Case{"last\tline", "last:line"},
                      Case{"\xCE\x9F\xCE\x94\xCE\x9F\xCE\xA3\tx\n", "\xCE\xBF\xCE\xB4\xCE\xBF\xCF\x82:x"},
                      Case{"\xEF\xBB\xBFstem\tw\n", "\xEF\xBB\xBFstem:w"},
                      Case{"ab\xFF\tc\n", "ab\xEF\xBF\xBD:c"}));

TEST(Dictionary, InvalidBytesBecomeOneReplacementPerMaximalSubpart) {
  // E2 82 is a truncated three-byte sequence: one U+FFFD; C0 and 80 are two.
  EXPECT_EQ(parsed("a\xE2\x82z\xC0\x80\n"), "a\xEF\xBF\xBDz\xEF\xBF\xBD\xEF\xBF\xBD:");
}

TEST(Dictionary, BuildCountsEachOccurrence) {
  FrequencyTrie t = build_frequency_trie("cat\tcats\tcats\ncat\n", ModelOptions{}).value();
  const uint32_t cats = t.node_at(u"cats", true);
  ASSERT_NE(cats, kNoIndex);
  ASSERT_EQ(t.values(cats).size(), 1u);
  EXPECT_EQ(t.values(cats)[0].count, 2);
  const uint32_t cat = t.node_at(u"cat", true);
  ASSERT_EQ(t.values(cat).size(), 1u);
  EXPECT_EQ(t.values(cat)[0].count, 2);  // "Na" once per entry
  FrequencyTrie bare = build_frequency_trie("cat\n", ModelOptions{.store_original = false}).value();
  EXPECT_EQ(bare.node_count(), 1u);
}

}  // namespace
}  // namespace velmora
