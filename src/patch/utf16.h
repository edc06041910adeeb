// UTF-8 <-> UTF-16 transcoding shared by patch application, normalization and
// the image format. Unpaired surrogates become U+FFFD on the way to UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace velmora {

// Appends the UTF-8 form of `units` to `out`; each unpaired surrogate is written as U+FFFD.
void append_utf8(std::u16string_view units, std::string& out);

// Appends one code point (<= 0x10FFFF, not a surrogate) as UTF-8.
void append_code_point_utf8(uint32_t cp, std::string& out);

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
