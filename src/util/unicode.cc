#include "util/unicode.h"

#include "util/utf.h"

namespace velmora {
namespace {

using unicode_tables::kSequences;

// Hangul syllables decompose arithmetically into two or three jamo.
constexpr char32_t kHangulFirst = 0xAC00;
constexpr char32_t kHangulCount = 11172;
constexpr char32_t kLeadingJamo = 0x1100, kVowelJamo = 0x1161, kTrailingJamo = 0x11A7;
constexpr char32_t kVowelCount = 21, kTrailingCount = 28;

constexpr char32_t kCapitalSigma = 0x03A3;
constexpr char32_t kFinalSigma = 0x03C2;

// The first character that is not case-ignorable, walking from units[i] in
// `direction`, is cased. A character both cased and case-ignorable (U+0345,
// modifier letters) counts as case-ignorable: the root lowercase mapping has
// always read the context so.
bool cased_letter_beyond(std::u16string_view text, size_t i, int direction) {
  while (direction < 0 ? i > 0 : i < text.size()) {
    const char32_t c = direction < 0 ? previous_code_point(text, i) : next_code_point(text, i);
    const uint8_t flags = unicode_record(c).flags;
    if (flags & unicode_tables::kCaseIgnorable) continue;
    return (flags & unicode_tables::kCased) != 0;
  }
  return false;
}

// Appends `c` in canonical order: a non-starter moves back before every
// non-starter of a higher class (a stable insertion sort of the run), never
// before out[start].
void append_ordered(char32_t c, std::u32string& out, size_t start) {
  const uint8_t ccc = combining_class(c);
  size_t at = out.size();
  out.push_back(c);
  if (ccc == 0) return;
  while (at > start && combining_class(out[at - 1]) > ccc) {
    out[at] = out[at - 1];
    --at;
  }
  out[at] = c;
}

}  // namespace

void append_lowercase_code_point(char32_t c, std::u16string& out) {
  if (c < 0x80) {
    out.push_back(char16_t(ascii_lower(c)));
    return;
  }
  const auto& r = unicode_record(c);
  if (r.lower_length == 0) {
    append_code_point_utf16(uint32_t(int32_t(c) + r.lower), out);
    return;
  }
  for (size_t k = 0; k < r.lower_length; ++k) append_code_point_utf16(kSequences[size_t(r.lower) + k], out);
}

void append_lowercase(std::u16string_view text, std::u16string& out) {
  out.reserve(out.size() + text.size());
  for (size_t i = 0; i < text.size();) {
    const size_t at = i;
    const char32_t c = next_code_point(text, i);
    if (c == kCapitalSigma && cased_letter_beyond(text, at, -1) && !cased_letter_beyond(text, i, 1)) {
      out.push_back(char16_t(kFinalSigma));
    } else if (is_surrogate(c)) {
      out.push_back(char16_t(c));
    } else {
      append_lowercase_code_point(c, out);
    }
  }
}

void append_nfd(std::u16string_view text, std::u32string& out) {
  const size_t start = out.size();
  out.reserve(out.size() + text.size());
  for (size_t i = 0; i < text.size();) {
    const char32_t c = next_code_point(text, i);
    if (c < 0xC0) {  // nothing below U+00C0 decomposes or combines
      out.push_back(c);
      continue;
    }
    if (c - kHangulFirst < kHangulCount) {
      const char32_t s = c - kHangulFirst;
      out.push_back(kLeadingJamo + s / (kVowelCount * kTrailingCount));
      out.push_back(kVowelJamo + s % (kVowelCount * kTrailingCount) / kTrailingCount);
      if (s % kTrailingCount) out.push_back(kTrailingJamo + s % kTrailingCount);
      continue;
    }
    const auto& r = unicode_record(c);
    if (r.decomposition_length == 0) {
      append_ordered(c, out, start);
      continue;
    }
    for (size_t k = 0; k < r.decomposition_length; ++k) {
      append_ordered(kSequences[r.decomposition + k], out, start);
    }
  }
}

bool starts_with_starter(char32_t c) {
  const auto& r = unicode_record(c);
  const char32_t first = r.decomposition_length ? kSequences[r.decomposition] : c;
  return combining_class(first) == 0;
}

}  // namespace velmora
