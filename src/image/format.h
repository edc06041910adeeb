// The compiled image format: the stream magic and version, what the reader
// returns, and the metadata block that records a model's modes. Shared by the
// image reader and writer and by model loading.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "graph/trie_graph.h"
#include "runtime/modes.h"

namespace velmora {

inline constexpr char kTrieStreamMagic[4] = {'L', 'X', 'T', 'R'};
inline constexpr int32_t kTrieStreamVersion = 7;

// True when `bytes` (after gzip decoding) hold a trie stream: at least 4 bytes
// starting with the magic.
inline bool is_compiled_image(std::string_view bytes) {
  return bytes.size() >= 4 && bytes.substr(0, 4) == std::string_view(kTrieStreamMagic, 4);
}

// The validated content of an image: its graph and the modes its metadata records.
struct DecodedImage {
  TrieGraph graph;
  ModelModes modes;
};

// The metadata lines that carry a mode, and the spellings of their values.
inline constexpr const char* kDirectionKey = "traversalDirection";
inline constexpr const char* kCaseKey = "caseProcessingMode";
inline constexpr const char* kDiacriticKey = "diacriticProcessingMode";
inline const char* metadata_value(TraversalDirection d) {
  return d == TraversalDirection::kForward ? "FORWARD" : "BACKWARD";
}
inline const char* metadata_value(CaseMode c) {
  return c == CaseMode::kAsIs ? "AS_IS" : "LOWERCASE_WITH_LOCALE_ROOT";
}
inline const char* metadata_value(DiacriticMode d) {
  return d == DiacriticMode::kRemove ? "REMOVE" : "AS_IS";
}

// The nine-line metadata block the writer records.
std::string model_metadata_text(const ModelModes& modes);

// Recovers the modes from a metadata block; unknown lines and values fall back
// to the defaults. Never fails.
ModelModes parse_model_metadata(std::string_view text);

}  // namespace velmora
