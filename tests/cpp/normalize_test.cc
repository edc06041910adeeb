#include <gtest/gtest.h>

#include <ostream>

#include "test_util.h"
#include "runtime/normalize.h"

namespace velmora {
namespace {

using testing::u8;

std::string key(CaseMode c, DiacriticMode d, std::string_view word) {
  std::u16string out = u"stale";
  normalize_word(c, d, word, out);
  return u8(out);
}

constexpr CaseMode kLower = CaseMode::kLowercaseWithLocaleRoot;
constexpr CaseMode kAsIs = CaseMode::kAsIs;
constexpr DiacriticMode kKeep = DiacriticMode::kAsIs;
constexpr DiacriticMode kRemove = DiacriticMode::kRemove;

struct Case {
  CaseMode c;
  DiacriticMode d;
  const char* word;
  const char* expected;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.word; }

class NormalizeExamples : public ::testing::TestWithParam<Case> {};

TEST_P(NormalizeExamples, GivesTheKey) {
  const Case& e = GetParam();
  EXPECT_EQ(key(e.c, e.d, e.word), e.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, NormalizeExamples,
    ::testing::Values(
        Case{kLower, kKeep, "", ""}, Case{kAsIs, kRemove, "", ""}, Case{kLower, kRemove, "", ""},
        Case{kLower, kKeep, "Running", "running"}, Case{kAsIs, kKeep, "Running", "Running"},
        // ΟΔΟΣ: per-character lowercasing has no final sigma, the whole-word path has.
        Case{kLower, kKeep, "\xCE\x9F\xCE\x94\xCE\x9F\xCE\xA3", "\xCE\xBF\xCE\xB4\xCE\xBF\xCF\x83"},
        Case{kLower, kRemove, "\xCE\x9F\xCE\x94\xCE\x9F\xCE\xA3", "\xCE\xBF\xCE\xB4\xCE\xBF\xCF\x82"},
        // U+01C5 (titlecase) lowercases per character, but alone does not trigger the whole-word path.
        Case{kLower, kKeep, "\xC7\x85", "\xC7\x86"}, Case{kLower, kRemove, "\xC7\x85", "\xC7\x85"},
        // U+0130 becomes i + U+0307; removing diacritics drops the dot.
        Case{kLower, kKeep, "\xC4\xB0", "i\xCC\x87"}, Case{kLower, kRemove, "\xC4\xB0", "i"},
        Case{kLower, kRemove, "Caf\xC3\xA9", "cafe"}, Case{kAsIs, kRemove, "Caf\xC3\xA9", "Cafe"},
        Case{kLower, kRemove, "Cafe\xCC\x81", "cafe"},
        Case{kLower, kRemove, "\xC3\xB8\xC3\x9F", "\xC3\xB8\xC3\x9F"},        // no decomposition
        Case{kLower, kRemove, "\xEF\xAC\x81", "\xEF\xAC\x81"},                 // ligature kept
        Case{kAsIs, kRemove, "\xED\x95\x9C", "\xE1\x84\x92\xE1\x85\xA1\xE1\x86\xAB"},  // Hangul
        // Devanagari: spacing mark U+093E stays, nonspacing U+0941 goes.
        Case{kAsIs, kRemove, "\xE0\xA4\x95\xE0\xA4\xBE\xE0\xA4\x95\xE0\xA5\x81",
             "\xE0\xA4\x95\xE0\xA4\xBE\xE0\xA4\x95"}));

TEST(Normalize, NonBmpCharacterGivesTwoUnits) {
  std::u16string out;
  normalize_word(kLower, kKeep, "\xF0\x9F\x98\x80", out);
  EXPECT_EQ(out.size(), 2u);
}

}  // namespace
}  // namespace velmora

namespace velmora {
namespace {

// Texts longer than ICU's int32_t lengths go through in pieces; with a
// separator at least every few units, the pieces' keys join into the whole
// text's for every piece size: no mark parted from its letter, no final sigma
// decided at a seam.
TEST(Normalize, DiacriticsRemovedInPiecesJoinIntoTheWholeKey) {
  const std::string text =
      "\xCE\x9F\xCE\x94\xCE\x9F\xCE\xA3-\xCE\x9F\xCE\x94\xCE\xA3 Cafe\xCC\x81\xCC\x81 12 \xC4\xB0Z "
      "\xED\x95\x9C\xED\x95\x9C.\xF0\x9F\x98\x80\xF0\x9F\x98\x80 \xC7\x85x";
  for (CaseMode c : {kLower, kAsIs}) {
    std::u16string whole;
    remove_diacritics(c, text, kMaxNormalizationPiece, whole);
    for (size_t piece = 9; piece <= 40; ++piece) {
      std::u16string joined;
      remove_diacritics(c, text, piece, joined);
      EXPECT_EQ(u8(joined), u8(whole)) << "pieces of " << piece;
    }
  }
}

// A word of 2 GiB is lowercased whole (its length once went through int32_t).
TEST(Normalize, WordOfTwoGibibytesIsLowercasedWhole) {
  const size_t n = size_t(1) << 31;
  std::string word(n, 'A');
  word.back() = 'B';
  std::u16string out;
  normalize_word(kLower, kKeep, word, out);
  ASSERT_EQ(out.size(), n);
  EXPECT_EQ(out.front(), u'a');
  EXPECT_EQ(out.back(), u'b');
}

}  // namespace
}  // namespace velmora
