// Gzip framing of model files: one member with a fixed, timestamp-free header.
// Used by the image writer and model loading.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "util/expected.h"

namespace velmora {

// Compresses `data` as one gzip member (header 1F 8B 08 00 00000000 00 FF, raw
// DEFLATE at level 6, CRC-32 and length trailer).
Expected<std::string> gzip_compress(std::string_view data);

// Inflated size past which decoding gives up: a few kilobytes of gzip can
// claim gigabytes, and no model needs more than this.
inline constexpr size_t kMaxInflatedBytes = size_t(4) << 30;

// Decodes the first gzip member when `data` starts with 1F 8B; on a decoding
// failure, or for other input, returns a copy of `data`.
// Errors (invalid data): "gzip data inflates past the limit of N bytes" when the
// member inflates past `max_inflated`; "truncated compiled image" when a member
// cut short begins with the image magic (it must not be read as dictionary text).
Expected<std::string> gunzip_if_gzipped(std::string_view data,
                                        size_t max_inflated = kMaxInflatedBytes);

}  // namespace velmora
