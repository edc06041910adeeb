// Gzip framing of model files: one member with a fixed, timestamp-free header.
// Used by the image writer and model loading.
#pragma once

#include <string>
#include <string_view>

#include "util/expected.h"

namespace velmora {

// Compresses `data` as one gzip member (header 1F 8B 08 00 00000000 00 FF, raw
// DEFLATE at level 6, CRC-32 and length trailer).
Expected<std::string> gzip_compress(std::string_view data);

// Decodes the first gzip member when `data` starts with 1F 8B; on any decoding
// failure, or for other input, returns a copy of `data`. Never fails.
std::string gunzip_if_gzipped(std::string_view data);

}  // namespace velmora
