// Reading one Arrow string array (string, large_string or string_view) from
// its C Data Interface structures into a WordChunk for the column walk, after
// checking what the walk relies on. Used by the extension's Arrow import and
// the column fuzz target.
//
// What is checked: the structure is not released; length and offset are not
// negative and do not overflow; the buffer count fits the type; offsets are
// present, start at 0 or more and rise (null rows' too); a string_view row that
// is valid has a length of 0 or more and, past 12 bytes, lies inside the data
// buffer it names, by the sizes the array declares; every buffer the rows
// reach, at the extent they reach it, stays below 2^48 bytes and does not
// wrap the address space. What cannot be checked: the interface carries no
// buffer sizes for validity bits, offsets, views or string data, so a
// producer whose buffers are shorter than its offsets claim is believed.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "runtime/arrow_c_abi.h"
#include "runtime/column_stem.h"
#include "util/expected.h"

namespace velmora {

enum class ArrowStringType : uint8_t { kString, kLargeString, kStringView };

// The string type of an Arrow format string ("u", "U", "vu"), or nullopt.
std::optional<ArrowStringType> arrow_string_type(const char* format);

// No buffer is believed to reach further than this (256 TiB): an offset past
// it is a corrupt array, not data.
inline constexpr uint64_t kMaxArrowBufferBytes = uint64_t(1) << 48;

// An array's rows, and the copies of a string_view array's data-buffer table
// and sizes that they point into (the producer's may change under the walk).
struct ArrowChunk {
  WordChunk chunk;  // its view pointers are set by rows()
  std::vector<const void*> view_data;
  std::vector<int64_t> view_sizes;

  // The rows, pointing into this object's copies (valid while it lives).
  WordChunk rows() const {
    WordChunk c = chunk;
    c.view_data = view_data.data();
    c.view_sizes = view_sizes.data();
    return c;
  }
};

// Reads `array` of type `type`; kInvalidData with what is wrong ("offsets out
// of order", "view outside its data buffer", ...) for an array that fails a
// check above.
Expected<ArrowChunk> read_arrow_chunk(ArrowStringType type, const ArrowArray& array);

}  // namespace velmora
