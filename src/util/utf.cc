#include "util/utf.h"

namespace velmora {

void append_code_point_utf8(uint32_t cp, std::string& out) {
  if (cp < 0x80) {
    out.push_back(char(cp));
  } else if (cp < 0x800) {
    out.push_back(char(0xC0 | (cp >> 6)));
    out.push_back(char(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(char(0xE0 | (cp >> 12)));
    out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(char(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(char(0xF0 | (cp >> 18)));
    out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(char(0x80 | (cp & 0x3F)));
  }
}

void append_utf8(std::u16string_view units, std::string& out) {
  const size_t n = units.size();
  for (size_t i = 0; i < n; ++i) {
    uint32_t u = units[i];
    if (u < 0x80) {
      out.push_back(char(u));
      continue;
    }
    if (is_high_surrogate(u) && i + 1 < n && is_low_surrogate(units[i + 1])) {
      uint32_t cp = 0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00);
      append_code_point_utf8(cp, out);
      ++i;
      continue;
    }
    if (is_surrogate(u)) u = kReplacementCharacter;
    append_code_point_utf8(u, out);
  }
}

void append_utf16(std::string_view text, std::u16string& out) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const size_t n = text.size();
  size_t i = 0;
  while (i < n) {
    unsigned char b = p[i];
    if (b < 0x80) {
      out.push_back(char16_t(b));
      ++i;
    } else if (b < 0xE0) {
      out.push_back(char16_t(((b & 0x1F) << 6) | (p[i + 1] & 0x3F)));
      i += 2;
    } else if (b < 0xF0) {
      out.push_back(char16_t(((b & 0x0F) << 12) | ((p[i + 1] & 0x3F) << 6) | (p[i + 2] & 0x3F)));
      i += 3;
    } else {
      const uint32_t cp = ((b & 0x07) << 18) | ((p[i + 1] & 0x3F) << 12) |
                          ((p[i + 2] & 0x3F) << 6) | (p[i + 3] & 0x3F);
      append_surrogate_pair(cp, out);
      i += 4;
    }
  }
}

size_t utf16_length(std::string_view text) {
  size_t units = 0;
  for (unsigned char b : text) {
    if (!is_utf8_continuation(b)) units += utf16_units_of_lead(b);
  }
  return units;
}

namespace {

// Length of the valid sequence starting at p[i], or the negated length of the
// maximal ill-formed subsequence (at least 1). Sets `truncated` when the input
// ends inside an otherwise valid prefix.
long decode_step(const unsigned char* p, size_t n, size_t i, uint32_t& cp, bool& truncated) {
  truncated = false;
  unsigned char b = p[i];
  if (b < 0x80) {
    cp = b;
    return 1;
  }
  size_t need;
  unsigned char lo = 0x80, hi = 0xBF;
  if (b >= 0xC2 && b <= 0xDF) {
    need = 1;
    cp = b & 0x1F;
  } else if (b >= 0xE0 && b <= 0xEF) {
    need = 2;
    cp = b & 0x0F;
    if (b == 0xE0) lo = 0xA0;
    if (b == 0xED) hi = 0x9F;
  } else if (b >= 0xF0 && b <= 0xF4) {
    need = 3;
    cp = b & 0x07;
    if (b == 0xF0) lo = 0x90;
    if (b == 0xF4) hi = 0x8F;
  } else {
    return -1;
  }
  for (size_t k = 1; k <= need; ++k) {
    if (i + k >= n) {
      truncated = true;
      return -long(k);
    }
    unsigned char c = p[i + k];
    if (c < lo || c > hi) return -long(k);
    lo = 0x80;
    hi = 0xBF;
    cp = (cp << 6) | (c & 0x3F);
  }
  return long(need + 1);
}

}  // namespace

void append_utf16_lossy(std::string_view bytes, std::u16string& out) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t n = bytes.size();
  size_t i = 0;
  while (i < n) {
    uint32_t cp;
    bool truncated;
    long step = decode_step(p, n, i, cp, truncated);
    if (step < 0) {
      out.push_back(kReplacementCharacter);
      i += size_t(-step);
      continue;
    }
    append_code_point_utf16(cp, out);
    i += size_t(step);
  }
}

Utf8Check check_utf8(std::string_view bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t n = bytes.size();
  size_t i = 0;
  while (i < n) {
    if (p[i] < 0x80) {
      ++i;
      continue;
    }
    uint32_t cp;
    bool truncated;
    long step = decode_step(p, n, i, cp, truncated);
    if (step < 0) {
      return Utf8Check{false, i, truncated ? 0 : size_t(-step)};
    }
    i += size_t(step);
  }
  return Utf8Check{true, n, 0};
}

}  // namespace velmora
