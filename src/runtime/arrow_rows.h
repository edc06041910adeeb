// How the column walk reads the rows of an Arrow chunk in place: the words,
// whether a run of rows is all ASCII, and how far past a row's bytes a copy
// may read. Used by the column walk only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "runtime/column_stem.h"
#include "util/utf.h"

namespace velmora {

// The rows of an offsets chunk as the grouped walk reads them (i: the row in
// the chunk): their bytes lie in one run, which may be read past a row's end
// up to the end of the run.
template <typename Offset>
struct OffsetRows {
  const Offset* offsets;  // the chunk's, from its first row
  const char* data;
  const char* run_end;  // the end of the rows' bytes; no more are known to exist

  OffsetRows(const WordChunk& chunk, size_t end)
      : offsets(static_cast<const Offset*>(chunk.offsets) + chunk.offset),
        data(chunk.data),
        run_end(chunk.data + offsets[end]) {}
  static constexpr bool kContiguous = true;
  std::string_view word(size_t i) const { return {data + offsets[i], size_t(offsets[i + 1] - offsets[i])}; }
  // The bytes of rows [begin, end), and where row i's start in them.
  std::string_view run(size_t begin, size_t end) const {
    return offsets[end] > offsets[begin] ? std::string_view(data + offsets[begin], size_t(offsets[end] - offsets[begin]))
                                         : std::string_view();
  }
  size_t run_offset(size_t begin, size_t i) const { return size_t(offsets[i] - offsets[begin]); }
  bool ascii(size_t begin, size_t end) const { return is_ascii(run(begin, end)); }
  const char* read_end(size_t, std::string_view) const { return run_end; }
};

// The rows of a string_view chunk: each row's bytes stand alone, inline in
// its view or in a data buffer, so a copy may read past a row's end only as
// far as read_end() says. A null row's view is never read: it reads as empty.
struct ViewRows {
  const WordChunk& chunk;

  static constexpr bool kContiguous = false;
  ViewRows(const WordChunk& c, size_t) : chunk(c) {}
  std::string_view word(size_t i) const {
    const int64_t j = chunk.offset + int64_t(i);
    return chunk.valid_at(j) ? chunk.view_row(j) : std::string_view();
  }
  bool ascii(size_t begin, size_t end) const {
    for (size_t i = begin; i < end; ++i) {
      if (!is_ascii(word(i))) return false;
    }
    return true;
  }
  // An inline row may be read on into the next view; a row in a data buffer
  // to that buffer's end.
  const char* read_end(size_t i, std::string_view w) const {
    const int64_t j = chunk.offset + int64_t(i);
    const uint8_t* view = chunk.views + 16 * j;
    if (w.size() <= 12) {
      return j + 1 < chunk.offset + int64_t(chunk.rows) ? reinterpret_cast<const char*>(view + 32) : w.data() + w.size();
    }
    if (!chunk.view_sizes) return w.data() + w.size();
    int32_t index;
    std::memcpy(&index, view + 8, 4);
    return static_cast<const char*>(chunk.view_data[index]) + chunk.view_sizes[index];
  }
};

}  // namespace velmora
