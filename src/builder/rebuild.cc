#include "builder/rebuild.h"

namespace velmora {
namespace {

void copy_node(FrequencyTrie& trie, uint32_t target, const DecodedImage& image, uint32_t c,
               const std::vector<uint32_t>& command_of) {
  if (image.accepting[c]) trie.set_accepting(target);
  for (uint32_t v = image.value_offsets[c]; v < image.value_offsets[c + 1]; ++v) {
    trie.add_count(target, command_of[image.value_ids[v]], image.frequencies[v]);
  }
  trie.set_origin(target, c);
}

}  // namespace

FrequencyTrie rebuild_from_compiled(const DecodedImage& image) {
  FrequencyTrie trie;
  std::vector<uint32_t> command_of;
  command_of.reserve(image.value_table.size());
  for (const auto& text : image.value_table) command_of.push_back(trie.commands().intern(text));

  copy_node(trie, FrequencyTrie::root(), image, 0, command_of);
  // Each path of the graph is visited once; the builder node of a path is the
  // child of its parent's builder node, so no key needs to be re-walked.
  struct Frame {
    uint32_t node;       // image node
    uint32_t next_edge;  // next edge of the image node
    uint32_t target;     // builder node at this path
  };
  std::vector<Frame> stack;
  stack.push_back({0, image.edge_offsets[0], FrequencyTrie::root()});
  while (!stack.empty()) {
    Frame& top = stack.back();
    if (top.next_edge == image.edge_offsets[top.node + 1]) {
      stack.pop_back();
      continue;
    }
    const uint32_t e = top.next_edge++;
    const uint32_t child = image.edge_children[e];
    const uint32_t target = trie.child_or_create(top.target, image.edge_labels[e]);
    copy_node(trie, target, image, child, command_of);
    stack.push_back({child, image.edge_offsets[child], target});
  }
  return trie;
}

}  // namespace velmora
