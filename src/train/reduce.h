// Reduction: turns the builder's tree into a graph of shared canonical nodes.
// Subtrees with equal signatures merge (their counts summed) and subtrees whose
// leaves all carry one command contract into accepting leaves.
//
// A signature is held by its parts, with children referred to by canonical-node
// id: equal child signatures are the same canonical node, so tuple equality is
// exactly equality of the full signature texts, at a size independent of the
// subtree below.
// Used by freezing only.
#pragma once

#include <cstdint>
#include <vector>

#include "train/frequency_trie.h"

namespace velmora {

struct CanonicalChild {
  uint16_t label;
  uint32_t node;  // canonical id
};

struct CanonicalNode {
  std::vector<ValueCount> values;     // merged counts, in insertion order
  std::vector<CanonicalChild> children;  // ascending labels
  bool accepting = false;
};

struct CanonicalGraph {
  std::vector<CanonicalNode> nodes;
  uint32_t root = 0;
};

CanonicalGraph reduce(const FrequencyTrie& trie);

}  // namespace velmora
