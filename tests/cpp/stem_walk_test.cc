#include <gtest/gtest.h>

#include "util/utf.h"
#include "runtime/normalize.h"
#include "runtime/stem_walk.h"
#include "test_util.h"

namespace velmora {
namespace {

// The stem by the plain definition: normalize, walk, apply on UTF-16, convert.
std::optional<std::string> generic_stem(const CompiledTrie& trie, std::string_view word) {
  std::u16string key, stem;
  normalize_word(trie.case_mode(), trie.diacritic_mode(), word, key);
  const CompiledPatch* patch = preferred_patch(trie, key);
  if (!patch) return std::nullopt;
  apply_patch(*patch, key, stem);
  return to_utf8(stem);
}

// The byte-level ASCII path and the direct UTF-8 forms give exactly the
// generic result for every word of the English dictionary, in every mode.
TEST(StemWord, FastPathsAgreeWithTheDefinitionOnTheEnglishList) {
  const std::string text = testing::english_dictionary_text();
  if (text.empty()) GTEST_SKIP() << "shared data not present";
  std::vector<std::string> words = testing::dictionary_words(text, true);
  // Upper-case and non-ASCII variants exercise the lowercase and UTF-16 paths.
  const size_t n = words.size();
  for (size_t i = 0; i < n; i += 7) {
    words.push_back(testing::ascii_upper(words[i]));
    words.push_back(words[i] + "\xC3\xA9");
  }
  for (bool backward : {true, false}) {
    auto trie = testing::trie_from_dictionary(text, backward);
    ASSERT_TRUE(trie.ok());
    for (CaseMode mode : {CaseMode::kLowercaseWithLocaleRoot, CaseMode::kAsIs}) {
      (*trie)->set_case_mode(mode);
      StemScratch scratch;
      size_t mismatches = 0;
      for (const auto& w : words) {
        const auto fast = find_stem(**trie, w, scratch, (*trie)->direct_output_allowed());
        const auto expected = generic_stem(**trie, w);
        if (fast.has_value() != expected.has_value() || (fast && std::string(fast->text) != *expected)) {
          if (++mismatches < 5) ADD_FAILURE() << w;
        }
      }
      EXPECT_EQ(mismatches, 0u);
    }
  }
}

}  // namespace
}  // namespace velmora

namespace velmora {
namespace {

// The eight-at-a-time ASCII lowercasing against the per-byte rule, for every
// ASCII byte at every position of words of every length up to 19 (tails and
// whole words of eight included), with the boundaries '@', 'A', 'Z' and '['.
TEST(StemWord, AsciiKeyLowercasesEveryByteAsThePerByteRule) {
  TrieGraph empty;
  empty.accepting = {0};
  empty.edge_offsets = {0, 0};
  empty.value_offsets = {0, 0};
  auto trie = compile_trie(empty, ModelModes{}).value();
  trie->set_case_mode(CaseMode::kLowercaseWithLocaleRoot);
  std::string buffer;
  for (size_t length = 1; length <= 19; ++length) {
    for (size_t at = 0; at < length; ++at) {
      for (int byte = 0; byte < 128; ++byte) {
        std::string word(length, 'q');
        word[at] = char(byte);
        if (at + 1 < length) word[at + 1] = 'Z';
        std::string expected = word;
        for (char& c : expected) c = char(ascii_lower(uint8_t(c)));
        ASSERT_EQ(ascii_key(*trie, word, buffer), expected) << "byte " << byte << " at " << at << " of " << length;
      }
    }
  }
  trie->set_case_mode(CaseMode::kAsIs);
  EXPECT_EQ(ascii_key(*trie, "MiXeD", buffer), "MiXeD");
}

// The piecewise copy writes exactly the n bytes it copies, at every length
// up to 40.
TEST(StemWord, CopyBytesWritesExactlyTheBytes) {
  std::string source(40, ' ');
  for (size_t i = 0; i < source.size(); ++i) source[i] = char('a' + i % 26);
  for (size_t n = 0; n <= source.size(); ++n) {
    std::string target(48, '#');
    copy_bytes(source.data(), n, target.data() + 3);
    ASSERT_EQ(target, "###" + source.substr(0, n) + std::string(45 - n, '#')) << n;
  }
}

// The piecewise comparison against ==, for one differing byte at every
// position of every length up to 19, and for lengths that differ.
TEST(StemWord, SameBytesAgreesWithEquality) {
  for (size_t length = 0; length < 20; ++length) {
    const std::string word(length, 'q');
    EXPECT_TRUE(same_bytes(word, std::string(length, 'q')));
    EXPECT_FALSE(same_bytes(word, word + "q"));
    for (size_t at = 0; at < length; ++at) {
      std::string other = word;
      other[at] = 'r';
      ASSERT_FALSE(same_bytes(word, other)) << at << " of " << length;
    }
  }
}

}  // namespace
}  // namespace velmora
