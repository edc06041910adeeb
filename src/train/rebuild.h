// Reconstruction of an editable builder from a compiled image: the shared graph
// is expanded back into a tree that keeps every node's origin, accepting flag,
// values and counts, so that freezing it unchanged gives the same graph. Used by
// model loading for builders made from images.
#pragma once

#include <cstdint>

#include "train/frequency_trie.h"
#include "graph/trie_graph.h"
#include "util/expected.h"

namespace velmora {

// Builder nodes a rebuild may make. A graph whose nodes share children expands
// to one builder node per path, which can be exponential in the graph's size;
// the expansion is counted first (linear time) and refused past this bound.
inline constexpr uint64_t kMaxRebuiltNodes = uint64_t(1) << 25;

// Errors (invalid data): "compiled trie expands to more than N builder nodes".
Expected<FrequencyTrie> rebuild_from_compiled(const TrieGraph& graph);

}  // namespace velmora
