#include <gtest/gtest.h>

#include <random>

#include "command/ascii_ending.h"
#include "command/encode.h"
#include "test_util.h"

namespace velmora {
namespace {

using testing::u16;
using testing::u8;

// Every word of every length up to 40 (in two spellings) whose length the
// ending takes gets exactly apply_patch's stem from it.
void expect_ending_matches_patch(std::u16string_view command) {
  const CompiledPatch patch = *compile_patch(command, true);
  const AsciiEnding e = ascii_ending(patch);
  if (e.cut == AsciiEnding::kNone) return;
  for (char16_t first : {u'a', u'q'}) {
    for (size_t length = 0; length <= 40; ++length) {
      if (!e.applies(length)) continue;
      std::u16string word, expected;
      for (size_t i = 0; i < length; ++i) word.push_back(char16_t(first + i % 7));
      apply_patch(patch, word, expected);
      std::u16string stem = word.substr(0, e.kept(length));
      for (size_t i = 0; i < e.tail_length; ++i) stem.push_back(char16_t((e.tail >> (8 * i)) & 0xFF));
      ASSERT_EQ(u8(stem), u8(expected)) << "command " << u8(command) << ", length " << length;
    }
  }
}

struct EndingCase {
  const char16_t* command;
  uint32_t cut;
  const char* tail;
  uint16_t min_length;
};

class Endings : public ::testing::TestWithParam<EndingCase> {};

TEST_P(Endings, DescribeThePatch) {
  const EndingCase c = GetParam();
  const AsciiEnding e = ascii_ending(*compile_patch(c.command, true));
  std::string tail;
  for (size_t i = 0; i < e.tail_length; ++i) tail.push_back(char((e.tail >> (8 * i)) & 0xFF));
  EXPECT_EQ(e.cut, c.cut);
  EXPECT_EQ(tail, c.tail);
  if (e.cut != AsciiEnding::kNone) {
    EXPECT_EQ(e.min_length, c.min_length);
  }
  expect_ending_matches_patch(c.command);
}

constexpr uint32_t kNone = AsciiEnding::kNone;
INSTANTIATE_TEST_SUITE_P(
    Kinds, Endings,
    ::testing::Values(EndingCase{u"Na", 0, "", 0},             // keep the word
                      EndingCase{u"Dc", 3, "", 0},             // cut three (a shorter word stays whole)
                      EndingCase{u"Ie", 0, "e", 0},            // append
                      EndingCase{u"Ry", 1, "y", 2},            // replace the last letter
                      EndingCase{u"DbRy", 3, "y", 4},          // studies -> study
                      EndingCase{u"DaIeIz", 1, "ze", 2},       // two inserts: the last written ends the stem
                      EndingCase{u"RsRe", 2, "es", 3},         // two replacements
                      EndingCase{u"-aIsRuRo", kNone, "", 0},   // keeps a unit between its edits
                      EndingCase{u"R\u00e9", kNone, "", 0},    // a tail outside ASCII
                      EndingCase{u"IaIbIcIdIeIfIgIhIi", kNone, "", 0}));  // a tail over eight bytes

// Patches encoded from random word and stem pairs: every ending the
// derivation gives makes apply_patch's stem on every length it takes.
TEST(AsciiEnding, EveryDerivedEndingMatchesThePatchOnRandomPairs) {
  std::mt19937 rng(5);
  std::uniform_int_distribution<int> letter(0, 5), length(0, 7);
  size_t with_tail = 0;
  for (int round = 0; round < 3000; ++round) {
    std::u16string word, stem;
    for (int i = length(rng) + 1; i > 0; --i) word.push_back(char16_t('a' + letter(rng)));
    stem = word.substr(0, word.size() - std::min<size_t>(word.size() - 1, size_t(length(rng)) / 2));
    for (int i = length(rng) / 3; i > 0; --i) stem.push_back(char16_t('a' + letter(rng)));
    const std::u16string command = encode_patch(word, stem, true);
    expect_ending_matches_patch(command);
    const AsciiEnding e = ascii_ending(*compile_patch(command, true));
    with_tail += e.cut != AsciiEnding::kNone && e.tail_length > 0;
    // The word the command was made from gets its stem.
    if (e.applies(word.size())) {
      std::u16string made = word.substr(0, e.kept(word.size()));
      for (size_t i = 0; i < e.tail_length; ++i) made.push_back(char16_t((e.tail >> (8 * i)) & 0xFF));
      EXPECT_EQ(u8(made), u8(stem)) << u8(command);
    }
  }
  EXPECT_GT(with_tail, 500u);  // the pairs exercise the tail forms, not only slices
}

}  // namespace
}  // namespace velmora
