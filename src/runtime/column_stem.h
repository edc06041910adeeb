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

// One row of an Arrow string_view array: 16 bytes, an int32 length, then the
// bytes themselves when at most 12, else a 4-byte prefix, the int32 index of a
// data buffer and the int32 offset in it. The one decoder of that layout.
struct ArrowView {
  static constexpr int32_t kMaxInline = 12;
  int32_t length = 0;
  int32_t buffer = 0;  // a data buffer's index, when not inline
  int32_t offset = 0;  // the row's first byte in that buffer
  bool is_inline() const { return length <= kMaxInline; }

  // `view` points at 16 readable bytes; the inline bytes are view + 4.
  static ArrowView decode(const uint8_t* view) {
    ArrowView v;
    std::memcpy(&v.length, view, 4);
    if (!v.is_inline()) {
      std::memcpy(&v.buffer, view + 8, 4);
      std::memcpy(&v.offset, view + 12, 4);
    }
    return v;
  }
};

// A run of input rows in one layout: Python texts, or the buffers of an Arrow
// string, large_string or string_view array. The importer checks offsets and
// views against what it knows of their buffers before any row is read; the
// walk then gathers each group of rows into memory of its own, re-checking
// every offset and view against the checked ranges, so a producer that
// changes its buffers during the walk changes stems, never where reads go.
struct WordChunk {
  enum class Layout : uint8_t { kTexts, kOffsets32, kOffsets64, kViews };
  Layout layout = Layout::kTexts;
  size_t rows = 0;
  int64_t offset = 0;                       // Arrow: the chunk's first row in its buffers
  const uint8_t* validity = nullptr;        // validity bits from row `offset` on; null when every row is valid
  const std::string_view* texts = nullptr;  // kTexts
  const void* offsets = nullptr;            // kOffsets32/64: int32_t or int64_t offsets
  const char* data = nullptr;               // kOffsets32/64: the bytes
  // kOffsets32/64: the checked first and last offsets; every row is read
  // inside [first_byte, end_byte) of `data`.
  int64_t first_byte = 0, end_byte = 0;
  const uint8_t* views = nullptr;           // kViews: 16 bytes a row (ArrowView)
  const void* const* view_data = nullptr;   // kViews: the data buffers
  const int64_t* view_sizes = nullptr;      // kViews: their sizes in bytes
  int64_t view_buffers = 0;                 // kViews: how many there are

  // Whether row j of the buffers (the chunk's row j - offset) is valid.
  bool valid_at(int64_t j) const { return !validity || ((validity[j >> 3] >> (j & 7)) & 1); }

  // Row i of a kTexts chunk (0-based) into `word`; false for a null row.
  // Arrow rows are read through the gathering step of the column walk only.
  bool text(size_t i, std::string_view& word) const {
    if (!valid_at(offset + int64_t(i))) return false;
    word = texts[i];
    return true;
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
  unsigned threads = 1;  // at most core_count() run
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

// The cores the column walk uses at most, whatever thread count it is given.
unsigned core_count();

// The default thread count for `rows` words: one for small inputs, where
// starting threads costs more than it saves, every core for large ones.
unsigned default_threads(size_t rows);

}  // namespace velmora
