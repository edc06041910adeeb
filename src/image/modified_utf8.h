// Java modified UTF-8 strings with a 16-bit big-endian length prefix, as the
// image format stores its metadata block and patch command texts.
// Used by the image reader and writer.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "util/expected.h"

namespace velmora {

inline constexpr size_t kMaxModifiedUtf8Bytes = 65535;

// Appends the length prefix and the encoded units of `text` (UTF-16 text; a
// character above U+FFFF is already a surrogate pair). Appends nothing and
// fails with "string too long for Java modified UTF-8" beyond 65535 bytes.
Status write_modified_utf8(std::string& out, std::u16string_view text);

// Reads one string at `cursor` of `stream` and advances the cursor past it.
// Unpaired surrogates become U+FFFD.
Expected<std::u16string> read_modified_utf8(std::string_view stream, size_t& cursor);

}  // namespace velmora
