#include "build/rebuild.h"

namespace velmora {
namespace {

void copy_node(FrequencyTrie& trie, uint32_t target, const TrieGraph& graph, uint32_t c,
               const std::vector<uint32_t>& command_of) {
  if (graph.accepting[c]) trie.set_accepting(target);
  for (uint32_t v = graph.value_offsets[c]; v < graph.value_offsets[c + 1]; ++v) {
    trie.add_count(target, command_of[graph.value_commands[v]], graph.value_counts[v]);
  }
  trie.set_origin(target, c);
}

}  // namespace

FrequencyTrie rebuild_from_compiled(const TrieGraph& graph) {
  FrequencyTrie trie;
  std::vector<uint32_t> command_of;
  command_of.reserve(graph.commands.size());
  for (const auto& text : graph.commands) command_of.push_back(trie.commands().intern(text));

  copy_node(trie, FrequencyTrie::root(), graph, 0, command_of);
  // Each path of the graph is visited once; the builder node of a path is the
  // child of its parent's builder node, so no key needs to be re-walked.
  struct Frame {
    uint32_t node;       // graph node
    uint32_t next_edge;  // next edge of the graph node
    uint32_t target;     // builder node at this path
  };
  std::vector<Frame> stack;
  stack.push_back({0, graph.edge_offsets[0], FrequencyTrie::root()});
  while (!stack.empty()) {
    Frame& top = stack.back();
    if (top.next_edge == graph.edge_offsets[top.node + 1]) {
      stack.pop_back();
      continue;
    }
    const uint32_t e = top.next_edge++;
    const uint32_t child = graph.edge_children[e];
    const uint32_t target = trie.child_or_create(top.target, graph.edge_labels[e]);
    copy_node(trie, target, graph, child, command_of);
    stack.push_back({child, graph.edge_offsets[child], target});
  }
  return trie;
}

}  // namespace velmora
