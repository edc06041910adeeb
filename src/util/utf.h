// Text plumbing: UTF-8 <-> UTF-16 transcoding, strict UTF-8 checking and the
// small code-unit tests (surrogates, UTF-8 lead lengths, ASCII case) that the
// command, runtime, build and image code and the Python layer all need. The one
// copy of each; unpaired surrogates become U+FFFD on the way to UTF-8.
#pragma once

#include "util/ascii.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace velmora {

inline constexpr char16_t kReplacementCharacter = 0xFFFD;

inline constexpr bool is_surrogate(uint32_t unit) { return unit >= 0xD800 && unit <= 0xDFFF; }
inline constexpr bool is_high_surrogate(uint32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
inline constexpr bool is_low_surrogate(uint32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// True for a byte that continues a UTF-8 sequence rather than starting one.
inline constexpr bool is_utf8_continuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// Bytes of the character whose (valid) UTF-8 lead byte is `lead`.
inline constexpr size_t utf8_sequence_length(unsigned char lead) {
  return lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
}

// UTF-16 units of the character whose lead byte is `lead`: only four-byte
// characters lie above the BMP and need a surrogate pair.
inline constexpr size_t utf16_units_of_lead(unsigned char lead) { return lead >= 0xF0 ? 2 : 1; }

// Start of the last character of valid UTF-8 `bytes[0..n)`, n > 0.
inline size_t utf8_last_char_start(const unsigned char* bytes, size_t n) {
  size_t start = n - 1;
  while (start > 0 && is_utf8_continuation(bytes[start])) --start;
  return start;
}

// Appends the UTF-8 form of `units` to `out`; each unpaired surrogate is written as U+FFFD.
void append_utf8(std::u16string_view units, std::string& out);

// Appends one code point (<= 0x10FFFF, not a surrogate) as UTF-8.
void append_code_point_utf8(uint32_t cp, std::string& out);

// Appends a code point above U+FFFF (<= 0x10FFFF) as its surrogate pair.
inline void append_surrogate_pair(uint32_t cp, std::u16string& out) {
  cp -= 0x10000;
  out.push_back(char16_t(0xD800 + (cp >> 10)));
  out.push_back(char16_t(0xDC00 + (cp & 0x3FF)));
}

// Appends one code point (<= 0x10FFFF, not a surrogate) as one unit or a surrogate pair.
inline void append_code_point_utf16(uint32_t cp, std::u16string& out) {
  if (cp < 0x10000) out.push_back(char16_t(cp));
  else append_surrogate_pair(cp, out);
}

// The code point at units[i], which advances past it; an unpaired surrogate
// stands for itself.
inline char32_t next_code_point(std::u16string_view units, size_t& i) {
  const char32_t u = units[i++];
  if (is_high_surrogate(u) && i < units.size() && is_low_surrogate(units[i])) {
    return 0x10000 + ((u - 0xD800) << 10) + (units[i++] - 0xDC00);
  }
  return u;
}

// The code point that ends before units[i] (i > 0), which moves back to its start.
inline char32_t previous_code_point(std::u16string_view units, size_t& i) {
  const char32_t u = units[--i];
  if (is_low_surrogate(u) && i > 0 && is_high_surrogate(units[i - 1])) {
    --i;
    return 0x10000 + ((units[i] - 0xD800) << 10) + (u - 0xDC00);
  }
  return u;
}

// The code point of valid UTF-8 at bytes[i], which advances past it.
inline char32_t next_code_point_utf8(const unsigned char* bytes, size_t& i) {
  const unsigned char b = bytes[i];
  if (b < 0x80) {
    ++i;
    return b;
  }
  if (b < 0xE0) {
    i += 2;
    return char32_t((b & 0x1F) << 6) | (bytes[i - 1] & 0x3F);
  }
  if (b < 0xF0) {
    i += 3;
    return char32_t((b & 0x0F) << 12) | char32_t((bytes[i - 2] & 0x3F) << 6) | (bytes[i - 1] & 0x3F);
  }
  i += 4;
  return char32_t((b & 0x07) << 18) | char32_t((bytes[i - 3] & 0x3F) << 12) |
         char32_t((bytes[i - 2] & 0x3F) << 6) | (bytes[i - 1] & 0x3F);
}

// Appends the UTF-16 form of `text`, which must be valid UTF-8.
void append_utf16(std::string_view text, std::u16string& out);

// Length of a valid UTF-8 text in UTF-16 units.
size_t utf16_length(std::string_view text);

// Appends the UTF-16 form of arbitrary bytes, replacing every maximal ill-formed
// subsequence with one U+FFFD (the Unicode recommended practice).
void append_utf16_lossy(std::string_view bytes, std::u16string& out);

// Result of strict UTF-8 validation: `valid_up_to` is the length of the longest
// valid prefix; on failure `error_length` is the length of the invalid sequence,
// or 0 when the input ends inside an incomplete sequence.
struct Utf8Check {
  bool ok = true;
  size_t valid_up_to = 0;
  size_t error_length = 0;
};
Utf8Check check_utf8(std::string_view bytes);

inline std::u16string to_utf16(std::string_view text) {
  std::u16string out;
  append_utf16(text, out);
  return out;
}
inline std::string to_utf8(std::u16string_view units) {
  std::string out;
  append_utf8(units, out);
  return out;
}

}  // namespace velmora
