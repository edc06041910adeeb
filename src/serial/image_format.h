// The compiled image's data types: what the writer is given, what the reader
// returns, and the metadata block that records a model's modes.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "trie/modes.h"

namespace velmora {

inline constexpr char kTrieStreamMagic[4] = {'L', 'X', 'T', 'R'};
inline constexpr int32_t kTrieStreamVersion = 7;

// True when `bytes` (after gzip decoding) hold a trie stream: at least 4 bytes
// starting with the magic.
inline bool is_compiled_image(std::string_view bytes) {
  return bytes.size() >= 4 && bytes.substr(0, 4) == std::string_view(kTrieStreamMagic, 4);
}

// The nodes to write, borrowed from the caller: per node its accepting flag,
// ascending edges and ranked values (command ids into `commands` with counts).
struct ImageContent {
  std::span<const uint32_t> edge_offsets;
  std::span<const uint16_t> edge_labels;
  std::span<const uint32_t> edge_children;
  std::span<const uint8_t> accepting;
  std::span<const uint32_t> value_offsets;
  std::span<const uint32_t> value_commands;
  std::span<const int32_t> value_counts;
  std::span<const std::u16string> commands;
};

// The validated content of an image.
struct DecodedImage {
  std::vector<uint8_t> accepting;
  std::vector<uint32_t> edge_offsets;
  std::vector<uint16_t> edge_labels;
  std::vector<uint32_t> edge_children;
  std::vector<uint32_t> value_offsets;
  std::vector<uint32_t> value_ids;
  std::vector<int32_t> frequencies;
  std::vector<std::u16string> value_table;
  ModelModes metadata;

  size_t node_count() const { return accepting.size(); }
};

// The nine-line metadata block the writer records.
std::string model_metadata_text(const ModelModes& modes);

// Recovers the modes from a metadata block; unknown lines and values fall back
// to the defaults. Never fails.
ModelModes parse_model_metadata(std::string_view text);

}  // namespace velmora
