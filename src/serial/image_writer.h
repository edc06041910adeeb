// The compiled image writer: the version 7 trie stream wrapped in one gzip member.
#pragma once

#include <string>

#include "serial/image_format.h"
#include "util/expected.h"

namespace velmora {

// The uncompressed trie stream.
Expected<std::string> write_trie_stream(const ImageContent& content, const ModelModes& modes);

// The complete image: the trie stream under the fixed gzip header, deflated at level 6.
Expected<std::string> write_compiled_image(const ImageContent& content, const ModelModes& modes);

}  // namespace velmora
