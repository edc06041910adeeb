// The compiled image writer: a TrieGraph as the version 7 trie stream, wrapped
// in one gzip member. Used by model loading (builder images, compile).
#pragma once

#include <string>

#include "image/format.h"
#include "util/expected.h"

namespace velmora {

// The uncompressed trie stream.
Expected<std::string> write_trie_stream(const TrieGraph& graph, const ModelModes& modes);

// The complete image: the trie stream under the fixed gzip header, deflated at level 6.
Expected<std::string> write_compiled_image(const TrieGraph& graph, const ModelModes& modes);

}  // namespace velmora
