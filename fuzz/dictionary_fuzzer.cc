// Dictionary text through parsing, building, freezing and writing; the image read
// back must hold exactly what was written.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "builder/freeze.h"
#include "dict/dictionary.h"
#include "serial/image_reader.h"
#include "serial/image_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace velmora;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const bool backward = size % 2 == 0;
  FrequencyTrie trie = build_frequency_trie(text, backward, size % 3 != 0);
  FrozenTrie frozen = freeze(trie);
  ImageContent content{frozen.edge_offsets, frozen.edge_labels,    frozen.edge_children, frozen.accepting,
                       frozen.value_offsets, frozen.value_commands, frozen.value_counts,  frozen.commands};
  ModelModes modes;
  modes.direction = backward ? TraversalDirection::kBackward : TraversalDirection::kForward;
  auto stream = write_trie_stream(content, modes);
  if (!stream) return 0;  // a command longer than the string limit
  auto image = read_compiled_image(*stream);
  if (!image) std::abort();
  bool same = image->edge_offsets == frozen.edge_offsets && image->edge_labels == frozen.edge_labels &&
              image->edge_children == frozen.edge_children && image->accepting == frozen.accepting &&
              image->value_offsets == frozen.value_offsets && image->frequencies == frozen.value_counts &&
              image->metadata == modes;
  for (size_t v = 0; same && v < frozen.value_commands.size(); ++v) {
    same = image->value_table[image->value_ids[v]] == frozen.command_text(v);
  }
  if (!same) std::abort();
  if (!build_compiled_trie(std::move(frozen), modes)) std::abort();
  return 0;
}
