// A trie built by hand for the core tests: its nodes' edges, values and
// accepting flags written out, compiled as the runtime compiles a graph.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "command/compiled_patch.h"
#include "graph/trie_graph.h"
#include "runtime/compiled_trie.h"

namespace velmora::testing {

// A trie built by hand: node -> (label, child) edges, per-node value ids.
struct HandTrie {
  std::vector<std::vector<std::pair<char16_t, uint32_t>>> edges;
  std::vector<std::vector<uint32_t>> values;
  std::vector<uint8_t> accepting;
  std::vector<std::u16string> commands;

  std::unique_ptr<CompiledTrie> build(LookupMode mode, bool backward = true) const {
    TrieGraph a;
    a.edge_offsets.push_back(0);
    a.value_offsets.push_back(0);
    for (size_t n = 0; n < edges.size(); ++n) {
      for (auto [label, child] : edges[n]) {
        a.edge_labels.push_back(label);
        a.edge_children.push_back(child);
      }
      for (uint32_t v : values[n]) a.value_commands.push_back(v);
      a.edge_offsets.push_back(uint32_t(a.edge_labels.size()));
      a.value_offsets.push_back(uint32_t(a.value_commands.size()));
    }
    a.accepting = accepting;
    std::vector<CompiledPatch> patches;
    for (const auto& c : commands) patches.push_back(*compile_patch(c, backward));
    ModelModes modes;
    modes.direction = backward ? TraversalDirection::kBackward : TraversalDirection::kForward;
    auto trie = std::make_unique<CompiledTrie>(std::move(a), std::move(patches), modes);
    trie->set_lookup_mode(mode);
    return trie;
  }
};

}  // namespace velmora::testing
