// The frozen trie graph: the one shape in which a trie travels between rooms.
// Freezing (build/freeze) produces it, the image reader decodes into it, the
// image writer writes from it, rebuilding (build/rebuild) expands it back into
// a builder, and the runtime CompiledTrie lays out its lookup tables from it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace velmora {

// Node 0 is the root; freezing numbers the others in depth-first pre-order.
// Node n's edges are edge_*[edge_offsets[n] .. edge_offsets[n + 1]) with
// strictly ascending labels; its values are value_*[value_offsets[n] ..
// value_offsets[n + 1]) in ranking order (preferred first). A value names its
// command by index into `commands`; freezing numbers the commands in order of
// first use, which is also the order the image records them in.
struct TrieGraph {
  std::vector<uint32_t> edge_offsets;    // node count + 1
  std::vector<uint16_t> edge_labels;     // UTF-16 key units
  std::vector<uint32_t> edge_children;   // node ids
  std::vector<uint8_t> accepting;        // per node: 1 when the node accepts the rest of any key
  std::vector<uint32_t> value_offsets;   // node count + 1
  std::vector<uint32_t> value_commands;  // per value: index into `commands`
  std::vector<int32_t> value_counts;     // per value: summed count, always positive
  std::vector<std::u16string> commands;  // patch-command texts

  size_t node_count() const { return accepting.size(); }
  const std::u16string& command_text(size_t value) const { return commands[value_commands[value]]; }
  bool operator==(const TrieGraph&) const = default;
};

}  // namespace velmora
