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
