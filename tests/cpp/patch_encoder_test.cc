#include <gtest/gtest.h>

#include <ostream>

#include <random>

#include "command/encode.h"
#include "command/compiled_patch.h"
#include "test_util.h"

namespace velmora {
namespace {

using testing::u16;

struct Example {
  const char* word;
  const char* stem;
  const char16_t* backward;
  const char16_t* forward;
};

void PrintTo(const Example& e, std::ostream* os) { *os << e.word << " -> " << e.stem; }

class EncodeExamples : public ::testing::TestWithParam<Example> {};

TEST_P(EncodeExamples, MatchesTableInBothDirections) {
  const Example& e = GetParam();
  EXPECT_EQ(encode_patch(u16(e.word), u16(e.stem), true), std::u16string(e.backward));
  EXPECT_EQ(encode_patch(u16(e.word), u16(e.stem), false), std::u16string(e.forward));
}

INSTANTIATE_TEST_SUITE_P(
    Table, EncodeExamples,
    ::testing::Values(Example{"running", "run", u"Dd", u"-bDc-aDa"}, Example{"cats", "cat", u"Da", u"-cDa"},
                      Example{"geese", "goose", u"-bRoRo", u"-aRoRo"},
                      Example{"mice", "mouse", u"-aIsRuRo", u"-aIoRuRs"},
                      Example{"unhappy", "happy", u"-eDb", u"Db"}, Example{"abc", "abcd", u"Id", u"-cId"},
                      Example{"abc", "abx", u"Rx", u"-bRx"}, Example{"ab", "ba", u"Da-aIb", u"Da-aIa"},
                      Example{"a", "aa", u"-aIa", u"-aIa"}, Example{"", "ab", u"IbIa", u"IaIb"},
                      Example{"ab", "", u"Db", u"Db"}, Example{"abc", "abc", u"Na", u"Na"},
                      Example{"", "", u"Na", u"Na"}));

TEST(EncodePatch, CountUnitsFollowTheCodeSpace) {
  const std::u16string word(27, u'x');
  EXPECT_EQ(encode_patch(word + u"ab", u"ab", false), u"D{");
  EXPECT_EQ(encode_patch(u"ab" + word, u"ab", true), u"D{");
}

TEST(EncodePatch, SurrogateArgumentsBecomeReplacementCharacter) {
  // The word ends in U+1F600 (D83D DE00), the stem in U+1F601 (D83D DE01).
  const std::u16string word = u"a\U0001F600";
  const std::u16string stem = u"a\U0001F601";
  const std::u16string cmd = encode_patch(word, stem, true);
  EXPECT_EQ(cmd, std::u16string(u"R\uFFFD"));
}

TEST(EncodePatch, VeryLongRunsSplitBelowTheSurrogateRange) {
  const std::u16string word(120000, u'a');
  const std::u16string cmd = encode_patch(word + u"x", u"b", true);
  for (char16_t u : cmd) EXPECT_FALSE(u >= 0xD800 && u <= 0xDFFF);
  auto patch = compile_patch(cmd, true);
  ASSERT_TRUE(patch.ok());
  std::u16string out;
  apply_patch(*patch, word + u"x", out);
  EXPECT_EQ(out, u"b");
}

// Random words over a small alphabet with non-ASCII and non-BMP characters.
std::u16string random_word(std::mt19937& rng, size_t max_len) {
  static const char16_t* pieces[] = {u"a", u"b", u"c", u"e", u"\u00E9", u"\u0142", u"\u4E2D", u"\U0001F600"};
  std::uniform_int_distribution<size_t> len(0, max_len), pick(0, 7);
  std::u16string w;
  for (size_t i = len(rng); i > 0; --i) w += pieces[pick(rng)];
  return w;
}

TEST(EncodePatch, RandomRoundTripReproducesTheStem) {
  std::mt19937 rng(12345);
  for (int i = 0; i < 20000; ++i) {
    const std::u16string word = random_word(rng, 10);
    std::u16string stem = random_word(rng, 10);
    if (stem.empty()) stem = u"s";
    for (bool backward : {true, false}) {
      const std::u16string cmd = encode_patch(word, stem, backward);
      auto patch = compile_patch(cmd, backward);
      ASSERT_TRUE(patch.ok());
      std::u16string out;
      apply_patch(*patch, word, out);
      // Surrogate arguments are written as U+FFFD, so only BMP-only stems round-trip exactly.
      if (stem.find_first_of(u"\xD83D\xDE00") == std::u16string::npos) {
        ASSERT_EQ(out, stem) << testing::u8(word) << " -> " << testing::u8(stem) << " via "
                             << testing::u8(cmd) << (backward ? " backward" : " forward");
      }
    }
  }
}

}  // namespace
}  // namespace velmora
