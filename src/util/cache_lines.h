// Moving memory into and past the processor's cache: the size of one core's
// own cache, asking it ahead for a table a long batch will read, and copies
// whose whole lines go to memory without passing through it. Used by the
// compiled trie (its tables ahead of a batch) and the column walk (a large
// column's stems and offsets). Depends on nothing.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__linux__) || defined(__APPLE__)
#include <unistd.h>
#endif

namespace velmora {

inline constexpr size_t kCacheLineBytes = 64;

// The second-level cache of one core, which the walk's tables and a
// column's output compete for: what the system reports, else 1 MiB (the
// common size of server and desktop cores).
inline size_t core_cache_bytes() {
  static const size_t bytes = [] {
    long reported = -1;
#if defined(_SC_LEVEL2_CACHE_SIZE)
    reported = sysconf(_SC_LEVEL2_CACHE_SIZE);
#endif
    return reported > 0 ? size_t(reported) : size_t(1) << 20;
  }();
  return bytes;
}

// Asks for every line of [data, data + n) to be brought into the core's
// second-level cache; returns at once, the lines arrive while work goes on.
inline void prefetch_lines(const void* data, size_t n) {
  const char* at = static_cast<const char*>(data);
  for (size_t i = 0; i < n; i += kCacheLineBytes) __builtin_prefetch(at + i, 0, 2);
}

// Copies n bytes from `from` to `to` (not overlapping); the whole 64-byte
// lines of `to` are written with streaming stores, which do not read a line
// before writing it nor keep it in the cache. Another thread may read them
// only after this one's stream_fence().
inline void stream_copy(void* to, const void* from, size_t n) {
  char* out = static_cast<char*>(to);
  const char* in = static_cast<const char*>(from);
#if defined(__SSE2__)
  const size_t head = std::min(n, size_t(-reinterpret_cast<uintptr_t>(out) & (kCacheLineBytes - 1)));
  if (head) std::memcpy(out, in, head);
  out += head, in += head, n -= head;
  for (; n >= kCacheLineBytes; n -= kCacheLineBytes, out += kCacheLineBytes, in += kCacheLineBytes) {
    for (size_t k = 0; k < kCacheLineBytes; k += 16) {
      _mm_stream_si128(reinterpret_cast<__m128i*>(out + k),
                       _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + k)));
    }
  }
#endif
  if (n) std::memcpy(out, in, n);
}

// Orders this thread's streaming stores before its later stores, so that a
// release after it publishes them.
inline void stream_fence() {
#if defined(__SSE2__)
  _mm_sfence();
#endif
}

}  // namespace velmora
