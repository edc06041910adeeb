// Stemming a whole column of words natively, on one or more threads, into
// Arrow-shaped output buffers (validity, 64-bit offsets, UTF-8 bytes). Touches
// no Python object, so callers run it with the interpreter lock released.
// Used by the Arrow path and the threaded list path of the Python engine.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "runtime/compiled_trie.h"
#include "util/utf.h"

namespace velmora {

// A run of input rows in one layout, read in place: Python texts, or the
// buffers of an Arrow string, large_string or string_view array. The importer
// checks offsets and views against their buffers before rows are read.
struct WordChunk {
  enum class Layout : uint8_t { kTexts, kOffsets32, kOffsets64, kViews };
  Layout layout = Layout::kTexts;
  size_t rows = 0;
  int64_t offset = 0;                       // Arrow: the chunk's first row in its buffers
  const uint8_t* validity = nullptr;        // Arrow validity bits; null when every row is valid
  const std::string_view* texts = nullptr;  // kTexts
  const void* offsets = nullptr;            // kOffsets32/64: int32_t or int64_t offsets
  const char* data = nullptr;               // kOffsets32/64: the bytes
  // kViews: 16 bytes a row: int32 length, then the bytes themselves when at
  // most 12, else a 4-byte prefix, the int32 index of a data buffer and the
  // int32 offset in it.
  const uint8_t* views = nullptr;
  const void* const* view_data = nullptr;   // kViews: the data buffers
  const int64_t* view_sizes = nullptr;      // kViews: their sizes in bytes

  // Whether row j of the buffers (the chunk's row j - offset) is valid.
  bool valid_at(int64_t j) const { return !validity || ((validity[j >> 3] >> (j & 7)) & 1); }

  // The text of view j of the buffers (a valid row's: a null row's view may
  // point anywhere).
  std::string_view view_row(int64_t j) const {
    const uint8_t* view = views + 16 * j;
    int32_t length, index, at;
    std::memcpy(&length, view, 4);
    if (length <= 12) return {reinterpret_cast<const char*>(view + 4), size_t(length)};
    std::memcpy(&index, view + 8, 4);
    std::memcpy(&at, view + 12, 4);
    return {static_cast<const char*>(view_data[index]) + at, size_t(length)};
  }

  // Row i of the chunk (0-based) into `word`; false for a null row.
  bool row(size_t i, std::string_view& word) const {
    const int64_t j = offset + int64_t(i);
    if (!valid_at(j)) return false;
    switch (layout) {
      case Layout::kTexts:
        word = texts[i];
        return true;
      case Layout::kOffsets32:
        word = offset_row(static_cast<const int32_t*>(offsets), j);
        return true;
      case Layout::kOffsets64:
        word = offset_row(static_cast<const int64_t*>(offsets), j);
        return true;
      case Layout::kViews:
        word = view_row(j);
        return true;
    }
    return false;
  }

 private:
  template <typename Offset>
  std::string_view offset_row(const Offset* o, int64_t j) const {
    return o[j + 1] > o[j] ? std::string_view(data + o[j], size_t(o[j + 1] - o[j])) : std::string_view();
  }
};

// The input rows: the chunks' rows in order. The buffers stay with their owner.
struct WordColumn {
  std::vector<WordChunk> chunks;

  size_t rows() const {
    size_t n = 0;
    for (const WordChunk& c : chunks) n += c.rows;
    return n;
  }
};

// An allocator whose resize leaves new elements uninitialized, for output
// buffers every element of which the walk writes.
// PERF NOTE: zero-filling the offsets first would be a serial pass (and its
// page faults) ahead of the threads that write them anyway.
template <typename T>
struct UninitializedAllocator : std::allocator<T> {
  template <typename U>
  struct rebind {
    using other = UninitializedAllocator<U>;
  };
  using std::allocator<T>::allocator;
  template <typename U>
  void construct(U* p) noexcept {
    ::new (static_cast<void*>(p)) U;
  }
  template <typename U, typename... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
};

// Bytes whose resize leaves new bytes uninitialized.
using ByteVector = std::vector<char, UninitializedAllocator<char>>;

// One output row per input row: row i is data[offsets[i] .. offsets[i + 1])
// when valid(i), else null. The validity bits are packed as Arrow packs them
// (bit i & 7 of byte i >> 3), so the Arrow export shares them as they are.
// `data` always holds an allocation, even empty, so its pointer is never null.
struct StemColumn {
  std::vector<uint8_t> validity;  // (rows + 7) / 8 bytes
  std::vector<int64_t, UninitializedAllocator<int64_t>> offsets;  // rows + 1
  ByteVector data;
  size_t null_count = 0;

  size_t rows() const { return offsets.empty() ? 0 : offsets.size() - 1; }
  bool valid(size_t i) const { return (validity[i >> 3] >> (i & 7)) & 1; }
};

struct ColumnOptions {
  unsigned threads = 1;
  // A word without a stem comes out as itself instead of null.
  bool keep_input = false;
  // Check each non-ASCII word's UTF-8 first (input from outside Python).
  bool validate_utf8 = false;
};

// Stems every row of `in` into `out`, reusing the memory `out` already holds.
// kNoIndex when every row was valid UTF-8, else the first row that was not
// (validated columns only); `out` is then unspecified.
// Throws std::bad_alloc like the rest of the walk.
size_t stem_column(const CompiledTrie& trie, const WordColumn& in, const ColumnOptions& options,
                   StemColumn& out);

// The default thread count for `rows` words: one for small inputs, where
// starting threads costs more than it saves, every core for large ones.
unsigned default_threads(size_t rows);

}  // namespace velmora
