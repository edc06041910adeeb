// The bytes of a block of stems as the column walk writes them: a buffer
// with room reserved ahead of a cursor, and copies of ASCII text into it that
// may store past their end. Used by the column walk only.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <utility>

#include "runtime/column_stem.h"
#include "runtime/stem_walk.h"
#include "util/cache_lines.h"

namespace velmora {

template <bool kLower>
uint64_t ascii_copy_word(uint64_t x) {
  if constexpr (kLower) return ascii_lower_eight(x);
  return x;
}

// Copies n ASCII bytes from `from` to `to`, lowercased with kLower: `to` has
// 16 bytes of room past n, and `from_end` bounds what may be read.
template <bool kLower>
void copy_ascii(const char* from, size_t n, const char* from_end, char* to) {
  if (n <= 16 && size_t(from_end - from) >= 16) {
    store_word(to, ascii_copy_word<kLower>(load_word<uint64_t>(from)));
    store_word(to + 8, ascii_copy_word<kLower>(load_word<uint64_t>(from + 8)));
  } else if constexpr (kLower) {
    ascii_lower_into(std::string_view(from, n), to);
  } else if (n) {  // an empty row's pointer may be null
    std::memcpy(to, from, n);
  }
}

// A block's stem bytes, written through a cursor into room reserved ahead.
// PERF NOTE: a short stem is then one or two unaligned stores of sixteen
// bytes, not a call to memcpy with a capacity check.
class StemBytes {
 public:
  // Stores may run this far past the bytes they mean to write.
  static constexpr size_t kSlack = 16;

  // Writes into `storage` (its capacity reused), with room for `expected` bytes.
  StemBytes(ByteVector storage, size_t expected) : bytes_(std::move(storage)) {
    bytes_.clear();
    bytes_.resize(expected + kSlack);
  }
  // Appends n ASCII bytes from `from`, lowercased with kLower; reads stop
  // at `from_end`.
  template <bool kLower>
  void append_ascii(const char* from, size_t n, const char* from_end) {
    copy_ascii<kLower>(from, n, from_end, room(n));
    size_ += n;
  }
  void append(std::string_view text) {
    if (text.empty()) return;  // its pointer may be null
    std::memcpy(room(text.size()), text.data(), text.size());
    size_ += text.size();
  }
  // append() with streaming stores (stream_copy): the bytes go past the cache.
  void append_streamed(std::string_view text) {
    if (text.empty()) return;
    stream_copy(room(text.size()), text.data(), text.size());
    size_ += text.size();
  }
  // Room for n bytes at the cursor, with kSlack behind them, for writes that
  // commit() then counts; the pointer lasts until the next call that grows.
  char* reserve(size_t n) { return room(n); }
  void commit(size_t n) { size_ += n; }
  // Empties the buffer, keeping its memory for the next bytes.
  void clear() { size_ = 0; }
  size_t size() const { return size_; }
  const char* data() const { return bytes_.data(); }
  // The bytes written; the reserved room stays behind them as capacity.
  ByteVector take() {
    bytes_.resize(size_);
    return std::move(bytes_);
  }

 private:
  // Where the next `n` bytes go, with kSlack bytes more behind them.
  char* room(size_t n) {
    if (n + kSlack > bytes_.size() - size_) grow(n);
    return bytes_.data() + size_;
  }
  void grow(size_t n) { bytes_.resize(std::max(2 * bytes_.size(), size_ + n + kSlack)); }

  ByteVector bytes_;
  size_t size_ = 0;
};

}  // namespace velmora
