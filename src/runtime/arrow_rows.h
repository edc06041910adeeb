// How the column walk reads the rows of an Arrow chunk: a group at a time,
// gathered into memory of its own (the bytes end to end, where each row
// starts, which rows are valid), so that the walk reads nothing of the
// producer's buffers but what gathering copied. Used by the column walk only.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "runtime/column_stem.h"
#include "runtime/stem_bytes.h"

namespace velmora {

// A group of rows copied out of an Arrow chunk. StemBytes::kSlack bytes of
// room follow the rows' bytes, so a copy of a row may load sixteen bytes at a
// time up to bytes_end().
// PERF NOTE: a group is a few kilobytes that the walk reads next anyway; the
// copy stays in the first- or second-level cache, and the ASCII check and the
// lowercasing run on it as one run.
struct GatheredRows {
  // Measured (stem_arrow on the English list, one thread): groups of 512
  // and 8192 rows came within 3% of 2048 either way, inside the noise.
  static constexpr size_t kMaxRows = 2048;
  static_assert(kMaxRows <= CompiledTrie::kWideKeys, "a group walks on the wide lanes whole");
  // A group stops taking rows once its bytes pass this (one row always fits),
  // so a column of long words costs a bounded copy.
  static constexpr size_t kMaxBytes = size_t(1) << 17;

  std::string bytes;
  size_t count = 0;
  size_t starts[kMaxRows + 1];
  bool valid[kMaxRows];

  std::string_view word(size_t i) const { return {bytes.data() + starts[i], starts[i + 1] - starts[i]}; }
  std::string_view all() const { return {bytes.data(), starts[count]}; }
  const char* bytes_end() const { return bytes.data() + bytes.size(); }
};

namespace gather_detail {

inline void finish_bytes(GatheredRows& g) { g.bytes.resize(g.starts[g.count] + StemBytes::kSlack); }

// Each offset is read once, into `window`, then clamped: into the range the
// importer checked, and to rise from the row before. A producer that changes
// its offsets during the walk moves rows inside that range, never out of it.
template <typename Offset>
void gather_offset_rows(const WordChunk& chunk, size_t begin, size_t max_rows, GatheredRows& g) {
  Offset window[GatheredRows::kMaxRows + 1];
  const Offset* offsets = static_cast<const Offset*>(chunk.offsets) + chunk.offset + int64_t(begin);
  std::memcpy(window, offsets, (max_rows + 1) * sizeof(Offset));
  const int64_t first = std::clamp<int64_t>(window[0], chunk.first_byte, chunk.end_byte);
  int64_t last = first;
  size_t n = 0;
  g.starts[0] = 0;
  // PERF NOTE: a window that rises from the checked first byte and ends inside
  // the checked range and kMaxBytes (every window of a well-formed array
  // whose rows are not long) needs no clamping row by row; its starts are a
  // subtraction, its check one flag. Measured on the English list (one
  // thread, time-stamp ticks a row): gathering 5.0-5.1 -> 3.2-3.6 warm,
  // 7.4-7.9 -> 5.5-6.5 started cold.
  // (Unsigned differences: an offset changed since the check may be anything,
  // and such a window is then gathered the clamping way.)
  bool plain = int64_t(window[0]) == first && int64_t(window[max_rows]) <= chunk.end_byte &&
               uint64_t(int64_t(window[max_rows])) - uint64_t(first) <= GatheredRows::kMaxBytes;
  for (size_t i = 1; i <= max_rows; ++i) {
    g.starts[i] = size_t(uint64_t(int64_t(window[i])) - uint64_t(first));
    plain &= window[i] >= window[i - 1];
  }
  if (plain) {
    n = max_rows;
    last = int64_t(window[max_rows]);
  } else {
    for (; n < max_rows; ++n) {
      const int64_t next = std::clamp<int64_t>(window[n + 1], last, chunk.end_byte);
      if (n > 0 && size_t(next - first) > GatheredRows::kMaxBytes) break;
      g.starts[n + 1] = size_t(next - first);
      last = next;
    }
  }
  if (chunk.validity) {
    for (size_t i = 0; i < n; ++i) g.valid[i] = chunk.valid_at(chunk.offset + int64_t(begin + i));
  } else {
    std::memset(g.valid, 1, n);
  }
  g.count = n;
  finish_bytes(g);
  if (last > first) std::memcpy(g.bytes.data(), chunk.data + first, size_t(last - first));
}

// Each view is read once, into `raw`, and checked again as the importer
// checked it; one that no longer passes (changed since) reads as empty.
inline void gather_view_rows(const WordChunk& chunk, size_t begin, size_t max_rows, GatheredRows& g) {
  g.bytes.clear();
  g.starts[0] = 0;
  size_t n = 0;
  for (; n < max_rows; ++n) {
    const int64_t j = chunk.offset + int64_t(begin + n);
    uint8_t raw[16];
    std::memcpy(raw, chunk.views + 16 * j, 16);
    const ArrowView view = ArrowView::decode(raw);
    const bool valid = chunk.valid_at(j);
    std::string_view word;
    if (valid && view.length > 0) {
      if (view.is_inline()) {
        word = {reinterpret_cast<const char*>(raw + 4), size_t(view.length)};
      } else if (view.buffer >= 0 && view.buffer < chunk.view_buffers && view.offset >= 0 &&
                 int64_t(view.offset) + view.length <= chunk.view_sizes[view.buffer]) {
        word = {static_cast<const char*>(chunk.view_data[view.buffer]) + view.offset, size_t(view.length)};
      }
    }
    if (n > 0 && g.bytes.size() + word.size() > GatheredRows::kMaxBytes) break;
    g.bytes.append(word);
    g.starts[n + 1] = g.bytes.size();
    g.valid[n] = valid;
  }
  g.count = n;
  finish_bytes(g);
}

}  // namespace gather_detail

// Gathers up to `max_rows` (at least one, at most kMaxRows) rows of an Arrow
// chunk from its row `begin` on into `g`; g.count says how many it took.
inline void gather_rows(const WordChunk& chunk, size_t begin, size_t max_rows, GatheredRows& g) {
  switch (chunk.layout) {
    case WordChunk::Layout::kOffsets32:
      return gather_detail::gather_offset_rows<int32_t>(chunk, begin, max_rows, g);
    case WordChunk::Layout::kOffsets64:
      return gather_detail::gather_offset_rows<int64_t>(chunk, begin, max_rows, g);
    case WordChunk::Layout::kViews:
      return gather_detail::gather_view_rows(chunk, begin, max_rows, g);
    case WordChunk::Layout::kTexts:
      break;
  }
  g.count = 0;
}

}  // namespace velmora
