#include "train/rebuild.h"
#include "util/error_texts.h"

#include <algorithm>
#include <string>

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

// Builder nodes the expansion of `graph` makes (one per path from the root),
// counted bottom-up in one pass over the DAG, saturating just past `limit`.
uint64_t expanded_node_count(const TrieGraph& graph, uint64_t limit) {
  const size_t n = graph.node_count();
  std::vector<uint64_t> paths(n, 0);  // 0: not yet counted
  struct Frame {
    uint32_t node;
    uint32_t next_edge;
  };
  std::vector<Frame> stack;
  stack.push_back({0, graph.edge_offsets[0]});
  while (!stack.empty()) {
    Frame& top = stack.back();
    if (top.next_edge < graph.edge_offsets[top.node + 1]) {
      const uint32_t child = graph.edge_children[top.next_edge++];
      if (paths[child] == 0) stack.push_back({child, graph.edge_offsets[child]});
      continue;
    }
    uint64_t total = 1;
    for (uint32_t e = graph.edge_offsets[top.node]; e < graph.edge_offsets[top.node + 1]; ++e) {
      total = std::min(limit + 1, total + paths[graph.edge_children[e]]);
    }
    paths[top.node] = total;
    stack.pop_back();
  }
  return paths[0];
}

}  // namespace

Expected<FrequencyTrie> rebuild_from_compiled(const TrieGraph& graph) {
  if (expanded_node_count(graph, kMaxRebuiltNodes) > kMaxRebuiltNodes) {
    return invalid_data(texts::kExpandsPast + std::to_string(kMaxRebuiltNodes) +
                        texts::kBuilderNodes);
  }
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
    uint32_t last_child; // builder child created last under `target`
  };
  std::vector<Frame> stack;
  stack.push_back({0, graph.edge_offsets[0], FrequencyTrie::root(), kNoIndex});
  while (!stack.empty()) {
    Frame& top = stack.back();
    if (top.next_edge == graph.edge_offsets[top.node + 1]) {
      stack.pop_back();
      continue;
    }
    const uint32_t e = top.next_edge++;
    const uint32_t child = graph.edge_children[e];
    // Labels ascend, so each child goes after the previous one: no walk along
    // the sibling chain (a node with tens of thousands of edges was quadratic).
    const uint32_t target = trie.append_child(top.target, top.last_child, graph.edge_labels[e]);
    top.last_child = target;
    copy_node(trie, target, graph, child, command_of);
    stack.push_back({child, graph.edge_offsets[child], target, kNoIndex});
  }
  return trie;
}

}  // namespace velmora
