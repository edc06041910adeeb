// Freezing: numbers the reduced graph in pre-order and lays it out as a
// TrieGraph, each node's values ranked with their summed counts and the
// commands numbered in order of first use. Used by model loading and the tests.
#pragma once

#include "train/frequency_trie.h"
#include "graph/trie_graph.h"

namespace velmora {

TrieGraph freeze(const FrequencyTrie& trie);

}  // namespace velmora
