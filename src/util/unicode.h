// The Unicode facts the core relies on, read from tables generated from one
// pinned version of the Unicode Character Database (util/unicode_tables.h), so
// that keys and stems are the same on every machine: case properties, the root
// locale's full lowercase mapping, canonical decomposition (NFD), general
// categories and white space. Every lookup is two array reads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "util/unicode_tables.h"

namespace velmora {

using unicode_tables::GeneralCategory;
inline constexpr const char* kUnicodeVersion = unicode_tables::kUnicodeVersion;
inline constexpr char32_t kMaxCodePoint = 0x10FFFF;

// The table record of `c`; a value above U+10FFFF reads as an unassigned one.
inline const unicode_tables::UnicodeRecord& unicode_record(char32_t c) {
  using namespace unicode_tables;
  if (c > kMaxCodePoint) c = 0xFFFF;
  constexpr char32_t kLowBits = (char32_t(1) << kBlockShift) - 1;
  const uint32_t block = kBlockIndex[c >> kBlockShift];
  return kRecords[kBlocks[(block << kBlockShift) | (c & kLowBits)]];
}

inline bool has_unicode_flag(char32_t c, uint8_t flag) { return (unicode_record(c).flags & flag) != 0; }
inline bool is_lowercase(char32_t c) { return has_unicode_flag(c, unicode_tables::kLowercase); }
inline bool is_uppercase(char32_t c) { return has_unicode_flag(c, unicode_tables::kUppercase); }
inline bool is_cased(char32_t c) { return has_unicode_flag(c, unicode_tables::kCased); }
inline bool is_case_ignorable(char32_t c) { return has_unicode_flag(c, unicode_tables::kCaseIgnorable); }
inline bool is_white_space(char32_t c) { return has_unicode_flag(c, unicode_tables::kWhiteSpace); }
inline GeneralCategory general_category(char32_t c) { return unicode_record(c).category; }
inline uint8_t combining_class(char32_t c) { return unicode_record(c).combining_class; }

// Appends the full lowercase mapping of `c` without context (U+03A3 becomes
// U+03C3, U+0130 becomes i + U+0307), as UTF-16.
void append_lowercase_code_point(char32_t c, std::u16string& out);

// Appends the root locale's full lowercase mapping of `text`: the mapping of
// each code point, except that U+03A3 becomes the final sigma U+03C2 where it
// ends a word (a cased letter before it and none after it, case-ignorable
// characters skipped on both sides, within `text`). An unpaired surrogate stays.
void append_lowercase(std::u16string_view text, std::u16string& out);

// Appends the canonical decomposition (NFD) of `text` as code points: every
// code point fully decomposed, Hangul syllables arithmetically, and each run
// of non-starters put in canonical order. An unpaired surrogate stays.
void append_nfd(std::u16string_view text, std::u32string& out);

// True when NFD never reorders or joins across the start of `c`: its
// decomposition begins with a starter (combining class 0).
bool starts_with_starter(char32_t c);

}  // namespace velmora
