// ASCII helpers shared by every byte-level path: the letter fold, the check
// that a run of bytes is all ASCII, and the eight-bytes-at-a-time (SWAR)
// uppercase test, lowercasing and comparison the stem walk, the column walk,
// normalization and the list path's results read words with. Depends on
// nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace velmora {

inline constexpr bool is_ascii_upper(uint32_t c) { return c >= 'A' && c <= 'Z'; }
// ASCII-only lowercase: the locale-independent fold every ASCII path shares.
inline constexpr uint32_t ascii_lower(uint32_t c) { return is_ascii_upper(c) ? c + ('a' - 'A') : c; }

// True when every byte is below 0x80; eight bytes at a time. Inline: the stem
// walk asks it of every word.
inline bool is_ascii(std::string_view s) {
  const char* p = s.data();
  const size_t n = s.size();
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t chunk;
    std::memcpy(&chunk, p + i, 8);
    if (chunk & 0x8080808080808080ull) return false;
  }
  for (; i < n; ++i) {
    if (p[i] & 0x80) return false;
  }
  return true;
}

// Bit 7 of each byte of `x` (all ASCII) that is an uppercase letter: b + 0x3F
// reaches bit 7 from 'A' on, b + 0x25 from '[' on, and no byte carries. Each
// byte is judged alone, so bytes may come in any order, some twice.
inline uint64_t ascii_upper_bits(uint64_t x) {
  constexpr uint64_t kOnes = 0x0101010101010101ull;
  return (x + 0x3F * kOnes) & ~(x + 0x25 * kOnes) & (0x80 * kOnes);
}
// An uppercase bit shifted down by two is the 0x20 that lowercases its letter.
inline uint64_t ascii_lower_eight(uint64_t x) { return x | ascii_upper_bits(x) >> 2; }

template <typename Word>
Word load_word(const char* p) {
  Word x;
  std::memcpy(&x, p, sizeof(Word));
  return x;
}
template <typename Word>
void store_word(char* p, Word x) {
  std::memcpy(p, &x, sizeof(Word));
}

// PERF NOTE: an ASCII word is read as whole words of eight bytes, the last one
// overlapping the one before, and a shorter word as two overlapping halves or
// its first, middle and last byte: a loop over the bytes of the tail would
// mispredict its exit on nearly every word.
inline bool has_ascii_upper(std::string_view word) {
  const char* p = word.data();
  const size_t n = word.size();
  if (n >= 8) {
    for (size_t i = 0; i + 8 < n; i += 8) {
      if (ascii_upper_bits(load_word<uint64_t>(p + i))) return true;
    }
    return ascii_upper_bits(load_word<uint64_t>(p + n - 8)) != 0;
  }
  uint64_t x = 0;
  if (n >= 4) {
    x = load_word<uint32_t>(p) | uint64_t(load_word<uint32_t>(p + n - 4)) << 32;
  } else if (n > 0) {
    x = uint64_t(uint8_t(p[0])) | uint64_t(uint8_t(p[n / 2])) << 8 | uint64_t(uint8_t(p[n - 1])) << 16;
  }
  return ascii_upper_bits(x) != 0;
}

// Copies n bytes (not overlapping), read and written in the same pieces:
// inline, without the call a short copy through memcpy costs.
inline void copy_bytes(const char* from, size_t n, char* to) {
  if (n >= 8) {
    for (size_t i = 0; i + 8 < n; i += 8) store_word(to + i, load_word<uint64_t>(from + i));
    store_word(to + n - 8, load_word<uint64_t>(from + n - 8));
  } else if (n >= 4) {
    const uint32_t head = load_word<uint32_t>(from), last = load_word<uint32_t>(from + n - 4);
    store_word(to, head);
    store_word(to + n - 4, last);
  } else if (n > 0) {
    to[0] = from[0];
    to[n / 2] = from[n / 2];
    to[n - 1] = from[n - 1];
  }
}

// Whether two texts are the same bytes, compared in the same pieces.
inline bool same_bytes(std::string_view a, std::string_view b) {
  const size_t n = a.size();
  if (n != b.size()) return false;
  const char* p = a.data();
  const char* q = b.data();
  if (n >= 8) {
    for (size_t i = 0; i + 8 < n; i += 8) {
      if (load_word<uint64_t>(p + i) != load_word<uint64_t>(q + i)) return false;
    }
    return load_word<uint64_t>(p + n - 8) == load_word<uint64_t>(q + n - 8);
  }
  if (n >= 4) {
    return load_word<uint32_t>(p) == load_word<uint32_t>(q) && load_word<uint32_t>(p + n - 4) == load_word<uint32_t>(q + n - 4);
  }
  for (size_t i = 0; i < n; ++i) {
    if (p[i] != q[i]) return false;
  }
  return true;
}

// Writes the ASCII lowercase of `word` to out[0 .. word.size()), in the same pieces.
inline void ascii_lower_into(std::string_view word, char* out) {
  const char* p = word.data();
  const size_t n = word.size();
  if (n >= 8) {
    for (size_t i = 0; i + 8 < n; i += 8) store_word(out + i, ascii_lower_eight(load_word<uint64_t>(p + i)));
    store_word(out + n - 8, ascii_lower_eight(load_word<uint64_t>(p + n - 8)));
  } else if (n >= 4) {
    store_word(out, uint32_t(ascii_lower_eight(load_word<uint32_t>(p))));
    store_word(out + n - 4, uint32_t(ascii_lower_eight(load_word<uint32_t>(p + n - 4))));
  } else {
    for (size_t k = 0; k < n; ++k) out[k] = char(ascii_lower(uint8_t(p[k])));
  }
}

}  // namespace velmora
