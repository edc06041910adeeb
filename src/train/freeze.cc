#include "train/freeze.h"

#include "train/reduce.h"

namespace velmora {

TrieGraph freeze(const FrequencyTrie& trie) {
  CanonicalGraph graph = reduce(trie);

  // Pre-order numbering by canonical identity: shared nodes keep their first number.
  std::vector<uint32_t> number(graph.nodes.size(), kNoIndex);
  std::vector<uint32_t> order;
  struct Frame {
    uint32_t id;
    size_t next;
  };
  std::vector<Frame> stack;
  number[graph.root] = 0;
  order.push_back(graph.root);
  stack.push_back({graph.root, 0});
  while (!stack.empty()) {
    Frame& top = stack.back();
    const auto& children = graph.nodes[top.id].children;
    if (top.next == children.size()) {
      stack.pop_back();
      continue;
    }
    const uint32_t c = children[top.next++].node;
    if (number[c] != kNoIndex) continue;
    number[c] = uint32_t(order.size());
    order.push_back(c);
    stack.push_back({c, 0});
  }

  TrieGraph f;
  const size_t n = order.size();
  f.edge_offsets.reserve(n + 1);
  f.value_offsets.reserve(n + 1);
  f.accepting.reserve(n);
  f.edge_offsets.push_back(0);
  f.value_offsets.push_back(0);
  // Builder command ids -> graph command ids, assigned in order of first use so
  // that unused commands drop out and every reader sees the same numbering.
  std::vector<uint32_t> command_of(trie.commands().size(), kNoIndex);
  std::vector<ValueCount> ranked;
  for (uint32_t id : order) {
    const CanonicalNode& node = graph.nodes[id];
    for (const auto& c : node.children) {
      f.edge_labels.push_back(c.label);
      f.edge_children.push_back(number[c.node]);
    }
    ranked = node.values;
    rank_values(trie.commands(), ranked);
    for (const auto& v : ranked) {
      if (command_of[v.command] == kNoIndex) {
        command_of[v.command] = uint32_t(f.commands.size());
        f.commands.push_back(trie.commands().text(v.command));
      }
      f.value_commands.push_back(command_of[v.command]);
      f.value_counts.push_back(v.count);
    }
    f.edge_offsets.push_back(uint32_t(f.edge_labels.size()));
    f.value_offsets.push_back(uint32_t(f.value_commands.size()));
    f.accepting.push_back(node.accepting ? 1 : 0);
  }
  return f;
}

}  // namespace velmora
