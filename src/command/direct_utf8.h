// The direct forms of patch application: the stem taken or built straight from
// the input's UTF-8 bytes, for inputs whose normalized key is their own text.
// The runtime stem walk tries these before the generic UTF-16 path.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "command/compiled_patch.h"

namespace velmora {

// A byte range of the input that is the stem, for inputs whose normalized
// units equal their UTF-8 text. `units` is the input's UTF-16 length.
struct ByteRange {
  size_t offset;
  size_t length;
};
std::optional<ByteRange> apply_direct_slice(const CompiledPatch& patch, std::string_view input,
                                             size_t units);

// Writes the stem as UTF-8 into `out` (cleared first) for the single-unit
// insert/replace kinds; returns false when the generic path must run.
bool apply_direct_buffer(const CompiledPatch& patch, std::string_view input, size_t units,
                         std::string& out);

}  // namespace velmora
