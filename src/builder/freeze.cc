#include "builder/freeze.h"

#include "builder/reduce.h"

namespace velmora {

FrozenTrie freeze(const FrequencyTrie& trie) {
  CanonicalGraph graph = reduce(trie);

  // Pre-order numbering by canonical identity: shared nodes keep their first number.
  std::vector<uint32_t> number(graph.nodes.size(), kNil);
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
    if (number[c] != kNil) continue;
    number[c] = uint32_t(order.size());
    order.push_back(c);
    stack.push_back({c, 0});
  }

  FrozenTrie f;
  const size_t n = order.size();
  f.edge_offsets.reserve(n + 1);
  f.value_offsets.reserve(n + 1);
  f.accepting.reserve(n);
  f.edge_offsets.push_back(0);
  f.value_offsets.push_back(0);
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
      f.value_commands.push_back(v.command);
      f.value_counts.push_back(v.count);
    }
    f.edge_offsets.push_back(uint32_t(f.edge_labels.size()));
    f.value_offsets.push_back(uint32_t(f.value_commands.size()));
    f.accepting.push_back(node.accepting ? 1 : 0);
  }
  f.dense = build_dense_tables(f.edge_offsets, f.edge_labels, f.edge_children);
  f.commands.reserve(trie.commands().size());
  for (size_t i = 0; i < trie.commands().size(); ++i) f.commands.push_back(trie.commands().text(uint32_t(i)));
  return f;
}

Expected<std::shared_ptr<CompiledTrie>> build_compiled_trie(FrozenTrie f, ModelModes modes) {
  std::vector<uint32_t> patch_of(f.commands.size(), kNil);
  std::vector<CompiledPatch> patches;
  TrieArrays arrays;
  arrays.value_ids.reserve(f.value_commands.size());
  for (uint32_t command : f.value_commands) {
    if (patch_of[command] == kNil) {
      auto compiled = compile_patch(f.commands[command], modes.backward());
      if (!compiled) return compiled.take_error();
      patch_of[command] = uint32_t(patches.size());
      patches.push_back(std::move(compiled).value());
    }
    arrays.value_ids.push_back(patch_of[command]);
  }
  arrays.edge_offsets = std::move(f.edge_offsets);
  arrays.edge_labels = std::move(f.edge_labels);
  arrays.edge_children = std::move(f.edge_children);
  arrays.accepting = std::move(f.accepting);
  arrays.value_offsets = std::move(f.value_offsets);
  return std::make_shared<CompiledTrie>(std::move(arrays), std::move(patches), std::move(f.dense),
                                        modes);
}

}  // namespace velmora
