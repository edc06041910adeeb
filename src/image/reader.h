// The validating image reader: turns a trie stream into a DecodedImage, trusting
// nothing (counts are bounded by the bytes that remain, references are range
// checked, and the graph must be single-rooted, acyclic and fully reachable).
// Used by model loading.
#pragma once

#include <string_view>

#include "image/format.h"
#include "util/expected.h"

namespace velmora {

Expected<DecodedImage> read_compiled_image(std::string_view stream);

// Only the header and the metadata block of a trie stream: the modes it records.
Expected<ModelModes> read_image_modes(std::string_view stream);

// Checks that every node is reachable from node 0 and that no cycle exists.
Status check_trie_shape(size_t node_count, const std::vector<uint32_t>& edge_offsets,
                        const std::vector<uint32_t>& edge_children);

}  // namespace velmora
