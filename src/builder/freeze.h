// Freezing: numbers the reduced graph in pre-order and lays it out as the flat
// arrays of a compiled trie, with each value's command and summed count; and
// turns such arrays into a runtime CompiledTrie.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "builder/frequency_trie.h"
#include "trie/compiled_trie.h"

namespace velmora {

struct FrozenTrie {
  std::vector<uint32_t> edge_offsets;
  std::vector<uint16_t> edge_labels;
  std::vector<uint32_t> edge_children;
  std::vector<uint8_t> accepting;
  std::vector<uint32_t> value_offsets;
  std::vector<uint32_t> value_commands;  // ids into `commands`, per node in ranking order
  std::vector<int32_t> value_counts;
  DenseTables dense;
  std::vector<std::u16string> commands;  // command texts by id

  size_t node_count() const { return accepting.size(); }
  const std::u16string& command_text(size_t value) const {
    return commands[value_commands[value]];
  }
};

FrozenTrie freeze(const FrequencyTrie& trie);

// Deduplicates the commands in first-occurrence order, compiles each once and
// builds the runtime trie. Fails when a command does not compile.
Expected<std::shared_ptr<CompiledTrie>> build_compiled_trie(FrozenTrie frozen, ModelModes modes);

}  // namespace velmora
