#include "trie/compiled_trie.h"

#include <algorithm>

#include "patch/utf16.h"
#include "trie/normalize.h"

namespace velmora {

DenseTables build_dense_tables(const std::vector<uint32_t>& edge_offsets,
                               const std::vector<uint16_t>& edge_labels,
                               const std::vector<uint32_t>& edge_children) {
  DenseTables t;
  const size_t nodes = edge_offsets.empty() ? 0 : edge_offsets.size() - 1;
  t.offsets.reserve(nodes + 1);
  t.base.assign(nodes, 0);
  t.offsets.push_back(0);
  for (size_t i = 0; i < nodes; ++i) {
    const uint32_t first = edge_offsets[i];
    const uint32_t last = edge_offsets[i + 1];
    if (last - first >= 2) {
      const uint32_t lo = edge_labels[first];
      const uint32_t hi = edge_labels[last - 1];
      const uint32_t span = hi - lo + 1;
      if (span <= kMaxDenseSpan) {
        const size_t start = t.slots.size();
        t.slots.resize(start + span, 0);
        for (uint32_t e = first; e < last; ++e) {
          t.slots[start + (edge_labels[e] - lo)] = edge_children[e] + 1;
        }
        t.base[i] = uint16_t(lo);
      }
    }
    t.offsets.push_back(uint32_t(t.slots.size()));
  }
  return t;
}

CompiledTrie::CompiledTrie(TrieArrays a, std::vector<CompiledPatch> patches, DenseTables dense,
                           ModelModes modes)
    : edge_offsets_(std::move(a.edge_offsets)),
      edge_labels_(std::move(a.edge_labels)),
      edge_children_(std::move(a.edge_children)),
      accepting_(std::move(a.accepting)),
      value_offsets_(std::move(a.value_offsets)),
      value_ids_(std::move(a.value_ids)),
      patches_(std::move(patches)),
      dense_offsets_(std::move(dense.offsets)),
      dense_base_(std::move(dense.base)),
      dense_slots_(std::move(dense.slots)),
      direction_(modes.direction),
      case_mode_(modes.case_mode),
      diacritic_mode_(modes.diacritic_mode) {
  preferred_value_.resize(accepting_.size());
  for (size_t i = 0; i < accepting_.size(); ++i) {
    preferred_value_[i] =
        value_offsets_[i] < value_offsets_[i + 1] ? value_ids_[value_offsets_[i]] : kNoValue;
  }
}

uint32_t CompiledTrie::find_first(std::u16string_view key) const {
  uint32_t n = 0;
  for (size_t step = 0;; ++step) {
    if (accepting_[n] || step == key.size()) return n;
    n = child(n, unit_at(key, step));
    if (n == kNoNode) return kNoNode;
  }
}

uint32_t CompiledTrie::find_last(std::u16string_view key) const {
  uint32_t best = accepting_[0] ? 0 : kNoNode;
  uint32_t n = 0;
  for (size_t step = 0; step < key.size(); ++step) {
    n = child(n, unit_at(key, step));
    if (n == kNoNode) return best;
    if (accepting_[n]) best = n;
  }
  return preferred_value_[n] != kNoValue ? n : best;
}

void CompiledTrie::append_stems(uint32_t node, std::u16string_view key, bool unique,
                                std::vector<std::string>& out) const {
  std::u16string stem;
  for (uint32_t v = value_offsets_[node]; v < value_offsets_[node + 1]; ++v) {
    apply_patch(patches_[value_ids_[v]], key, stem);
    std::string text = to_utf8(stem);
    if (unique && std::find(out.begin(), out.end(), text) != out.end()) continue;
    out.push_back(std::move(text));
  }
}

std::vector<std::string> CompiledTrie::stem_all(std::string_view word) const {
  std::u16string key;
  normalize_word(case_mode_, diacritic_mode_, word, key);
  std::vector<std::string> out;
  if (lookup_mode_ != LookupMode::kAll) {
    const uint32_t node = lookup_mode_ == LookupMode::kFirst ? find_first(key) : find_last(key);
    if (node != kNoNode) append_stems(node, key, false, out);
    return out;
  }
  std::vector<uint32_t> accepted;
  if (accepting_[0]) accepted.push_back(0);
  uint32_t n = 0;
  bool consumed = true;
  for (size_t step = 0; step < key.size(); ++step) {
    n = child(n, unit_at(key, step));
    if (n == kNoNode) {
      consumed = false;
      break;
    }
    if (accepting_[n]) accepted.push_back(n);
  }
  if (consumed && preferred_value_[n] != kNoValue && (accepted.empty() || accepted.back() != n)) {
    append_stems(n, key, true, out);
  }
  for (auto it = accepted.rbegin(); it != accepted.rend(); ++it) append_stems(*it, key, true, out);
  return out;
}

}  // namespace velmora
