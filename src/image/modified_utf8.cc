#include "image/modified_utf8.h"

#include <cstdint>

#include "util/utf.h"
#include "util/error_texts.h"

namespace velmora {

Status write_modified_utf8(std::string& out, std::u16string_view text) {
  size_t bytes = 0;
  for (char16_t u : text) bytes += (u >= 1 && u <= 0x7F) ? 1 : (u <= 0x7FF ? 2 : 3);
  if (bytes > kMaxModifiedUtf8Bytes) return invalid_data(texts::kStringTooLong);
  out.reserve(out.size() + 2 + bytes);
  out.push_back(char(bytes >> 8));
  out.push_back(char(bytes & 0xFF));
  for (char16_t u : text) {
    if (u >= 1 && u <= 0x7F) {
      out.push_back(char(u));
    } else if (u <= 0x7FF) {
      out.push_back(char(0xC0 | (u >> 6)));
      out.push_back(char(0x80 | (u & 0x3F)));
    } else {
      out.push_back(char(0xE0 | (u >> 12)));
      out.push_back(char(0x80 | ((u >> 6) & 0x3F)));
      out.push_back(char(0x80 | (u & 0x3F)));
    }
  }
  return ok_status();
}

namespace {
Error unexpected_end() { return Error{ErrorKind::kUnexpectedEnd, texts::kUnexpectedEnd, 0}; }
Error malformed() { return invalid_data(texts::kMalformedModifiedUtf8); }
}  // namespace

Expected<std::u16string> read_modified_utf8(std::string_view stream, size_t& cursor) {
  if (stream.size() - cursor < 2) return unexpected_end();
  const auto* p = reinterpret_cast<const uint8_t*>(stream.data());
  const size_t n = (size_t(p[cursor]) << 8) | p[cursor + 1];
  if (stream.size() - cursor - 2 < n) return unexpected_end();
  const uint8_t* s = p + cursor + 2;
  cursor += 2 + n;

  std::u16string units;
  units.reserve(n);
  for (size_t i = 0; i < n;) {
    const uint8_t b = s[i];
    if (b < 0x80) {
      units.push_back(b);
      i += 1;
    } else if ((b & 0xE0) == 0xC0) {
      if (i + 1 >= n || !is_utf8_continuation(s[i + 1])) return malformed();
      units.push_back(char16_t(((b & 0x1F) << 6) | (s[i + 1] & 0x3F)));
      i += 2;
    } else if ((b & 0xF0) == 0xE0) {
      if (i + 2 >= n || !is_utf8_continuation(s[i + 1]) || !is_utf8_continuation(s[i + 2])) {
        return malformed();
      }
      units.push_back(char16_t(((b & 0x0F) << 12) | ((s[i + 1] & 0x3F) << 6) | (s[i + 2] & 0x3F)));
      i += 3;
    } else {
      return malformed();
    }
  }
  // Keep surrogate pairs, replace lone surrogates.
  for (size_t i = 0; i < units.size(); ++i) {
    const char16_t u = units[i];
    if (is_high_surrogate(u) && i + 1 < units.size() && is_low_surrogate(units[i + 1])) {
      ++i;
    } else if (is_surrogate(u)) {
      units[i] = kReplacementCharacter;
    }
  }
  return units;
}

}  // namespace velmora
