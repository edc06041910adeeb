// Reconstruction of an editable builder from a compiled image: the shared graph
// is expanded back into a tree that keeps every node's origin, accepting flag,
// values and counts, so that freezing it unchanged gives the same graph. Used by
// model loading for builders made from images.
#pragma once

#include "build/frequency_trie.h"
#include "graph/trie_graph.h"

namespace velmora {

FrequencyTrie rebuild_from_compiled(const TrieGraph& graph);

}  // namespace velmora
