// The immutable flat-array trie every lookup walks: edges, values, the patch
// table, dense child tables and the mode bytes; the three lookup walks and the
// enumeration of every candidate stem.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "patch/compiled_patch.h"
#include "trie/modes.h"
#include "util/expected.h"

namespace velmora {

inline constexpr uint32_t kNoNode = 0xFFFFFFFF;
inline constexpr uint32_t kNoValue = 0xFFFFFFFF;

struct DenseTables {
  std::vector<uint32_t> offsets;  // node count + 1
  std::vector<uint16_t> base;     // node count
  std::vector<uint32_t> slots;    // child id + 1, or 0
};

// Direct-indexed child tables for nodes with at least two edges whose labels
// span at most this many units.
inline constexpr uint32_t kMaxDenseSpan = 512;

DenseTables build_dense_tables(const std::vector<uint32_t>& edge_offsets,
                               const std::vector<uint16_t>& edge_labels,
                               const std::vector<uint32_t>& edge_children);

// The arrays a producer (freezing or the image reader) hands over.
struct TrieArrays {
  std::vector<uint32_t> edge_offsets;
  std::vector<uint16_t> edge_labels;
  std::vector<uint32_t> edge_children;
  std::vector<uint8_t> accepting;
  std::vector<uint32_t> value_offsets;
  std::vector<uint32_t> value_ids;
};

class CompiledTrie {
 public:
  CompiledTrie(TrieArrays arrays, std::vector<CompiledPatch> patches, DenseTables dense,
               ModelModes modes);

  uint32_t node_count() const { return uint32_t(accepting_.size()); }

  // Child of node `n` under key unit `u`, or kNoNode.
  uint32_t child(uint32_t n, char16_t u) const {
    const uint32_t ds = dense_offsets_[n];
    const uint32_t de = dense_offsets_[n + 1];
    if (ds < de) {
      const uint32_t k = uint16_t(u - dense_base_[n]);
      if (k >= de - ds) return kNoNode;
      return dense_slots_[ds + k] - 1;  // an empty slot (0) wraps to kNoNode
    }
    const uint16_t* first = edge_labels_.data() + edge_offsets_[n];
    size_t lo = 0, hi = edge_offsets_[n + 1] - edge_offsets_[n];
    while (lo < hi) {
      const size_t mid = (lo + hi) / 2;
      if (first[mid] < u) lo = mid + 1;
      else hi = mid;
    }
    if (lo < edge_offsets_[n + 1] - edge_offsets_[n] && first[lo] == u)
      return edge_children_[edge_offsets_[n] + lo];
    return kNoNode;
  }

  bool accepting(uint32_t n) const { return accepting_[n] != 0; }
  uint32_t preferred_value(uint32_t n) const { return preferred_value_[n]; }

  // The first accepting node on the key's path, or the node where the key ends.
  uint32_t find_first(std::u16string_view key) const;
  // The deepest usable node: the key's end node when it has a value, else the
  // deepest accepting node met.
  uint32_t find_last(std::u16string_view key) const;
  // find_first for lookup mode first, find_last otherwise.
  uint32_t find(std::u16string_view key) const {
    return lookup_mode_ == LookupMode::kFirst ? find_first(key) : find_last(key);
  }

  // Every candidate stem of `word` in the trie's lookup mode.
  std::vector<std::string> stem_all(std::string_view word) const;

  const std::vector<CompiledPatch>& patches() const { return patches_; }
  const CompiledPatch& patch(uint32_t value_id) const { return patches_[value_id]; }
  const std::vector<uint32_t>& value_ids() const { return value_ids_; }
  const std::vector<uint32_t>& value_offsets() const { return value_offsets_; }
  const std::vector<uint32_t>& preferred_values() const { return preferred_value_; }

  TraversalDirection direction() const { return direction_; }
  CaseMode case_mode() const { return case_mode_; }
  DiacriticMode diacritic_mode() const { return diacritic_mode_; }
  LookupMode lookup_mode() const { return lookup_mode_; }
  void set_case_mode(CaseMode mode) { case_mode_ = mode; }
  void set_lookup_mode(LookupMode mode) { lookup_mode_ = mode; }

  // The key and the input bytes are the same text only when normalization changes nothing.
  bool direct_output_allowed() const {
    return case_mode_ == CaseMode::kAsIs && diacritic_mode_ == DiacriticMode::kAsIs;
  }

 private:
  bool backward() const { return direction_ == TraversalDirection::kBackward; }
  char16_t unit_at(std::u16string_view key, size_t step) const {
    return backward() ? key[key.size() - 1 - step] : key[step];
  }
  void append_stems(uint32_t node, std::u16string_view key, bool unique,
                    std::vector<std::string>& out) const;

  std::vector<uint32_t> edge_offsets_;
  std::vector<uint16_t> edge_labels_;
  std::vector<uint32_t> edge_children_;
  std::vector<uint8_t> accepting_;
  std::vector<uint32_t> value_offsets_;
  std::vector<uint32_t> value_ids_;
  std::vector<uint32_t> preferred_value_;
  std::vector<CompiledPatch> patches_;
  std::vector<uint32_t> dense_offsets_;
  std::vector<uint16_t> dense_base_;
  std::vector<uint32_t> dense_slots_;
  TraversalDirection direction_;
  CaseMode case_mode_;
  DiacriticMode diacritic_mode_;
  LookupMode lookup_mode_ = LookupMode::kFirst;
};

// Parses "first", "last" or "all" (case-sensitive); any other text fails with
// the message naming the given text as an escaped, quoted literal.
Expected<LookupMode> parse_lookup_mode(std::string_view text);

}  // namespace velmora
