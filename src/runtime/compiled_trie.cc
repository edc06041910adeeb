#include "runtime/compiled_trie.h"

#include <algorithm>

#include "runtime/normalize.h"
#include "util/cache_lines.h"
#include "util/utf.h"

namespace velmora {

DenseTables build_dense_tables(const TrieGraph& g) {
  DenseTables t;
  const size_t nodes = g.edge_offsets.empty() ? 0 : g.edge_offsets.size() - 1;
  t.offsets.reserve(nodes + 1);
  t.base.assign(nodes, 0);
  t.offsets.push_back(0);
  for (size_t i = 0; i < nodes; ++i) {
    const uint32_t first = g.edge_offsets[i];
    const uint32_t last = g.edge_offsets[i + 1];
    if (last - first >= 2) {
      const uint32_t lo = g.edge_labels[first];
      const uint32_t hi = g.edge_labels[last - 1];
      const uint32_t span = hi - lo + 1;
      if (span <= kMaxDenseSpan) {
        const size_t start = t.slots.size();
        t.slots.resize(start + span, 0);
        for (uint32_t e = first; e < last; ++e) {
          t.slots[start + (g.edge_labels[e] - lo)] = g.edge_children[e] + 1;
        }
        t.base[i] = uint16_t(lo);
      }
    }
    t.offsets.push_back(uint32_t(t.slots.size()));
  }
  return t;
}

Expected<std::shared_ptr<CompiledTrie>> compile_trie(TrieGraph graph, ModelModes modes) {
  std::vector<CompiledPatch> patches;
  patches.reserve(graph.commands.size());
  for (const auto& text : graph.commands) {
    auto compiled = compile_patch(text, modes.backward());
    if (!compiled) return compiled.take_error();
    patches.push_back(std::move(compiled).value());
  }
  return std::make_shared<CompiledTrie>(std::move(graph), std::move(patches), modes);
}

CompiledTrie::CompiledTrie(TrieGraph a, std::vector<CompiledPatch> patches, ModelModes modes)
    : value_offsets_(std::move(a.value_offsets)),
      value_ids_(std::move(a.value_commands)),
      patches_(std::move(patches)),
      direction_(modes.direction),
      case_mode_(modes.case_mode),
      diacritic_mode_(modes.diacritic_mode) {
  ascii_endings_.reserve(patches_.size());
  for (const CompiledPatch& patch : patches_) {
    ascii_endings_.push_back(velmora::ascii_ending(patch));
    max_ending_growth_ = std::max(max_ending_growth_, ascii_endings_.back().growth());
  }
  const size_t n = a.accepting.size();
  node_count_ = uint32_t(n);

  const DenseTables dense = build_dense_tables(a);  // reads only the edges, still in `a`

  // Lay the records out in node order: first their offsets, then their contents.
  // Nodes with at most one edge use the dense form too (a table of span 0 or 1),
  // so that nearly every step takes the same, well-predicted branch.
  auto edge_count = [&](size_t i) { return a.edge_offsets[i + 1] - a.edge_offsets[i]; };
  auto is_dense = [&](size_t i) { return dense.offsets[i] < dense.offsets[i + 1] || edge_count(i) <= 1; };
  auto span_of = [&](size_t i) -> uint32_t {
    return edge_count(i) <= 1 ? uint32_t(edge_count(i)) : dense.offsets[i + 1] - dense.offsets[i];
  };
  std::vector<uint32_t> record_of(n);
  size_t total = 0;
  for (size_t i = 0; i < n; ++i) {
    record_of[i] = uint32_t(total);
    const size_t edges = a.edge_offsets[i + 1] - a.edge_offsets[i];
    total += kHeader + (is_dense(i) ? span_of(i) : 2 * edges);
  }
  walk_.assign(total + kLineWords, 0);
  for (size_t i = 0; i < n; ++i) {
    uint32_t* rec = walk_.data() + record_of[i];
    rec[kId] = uint32_t(i);
    rec[kPreferred] = value_offsets_[i] < value_offsets_[i + 1] ? value_ids_[value_offsets_[i]] : kNoIndex;
    const bool accepting = a.accepting[i] != 0;
    if (is_dense(i) && edge_count(i) <= 1) {
      const uint32_t base = edge_count(i) == 1 ? a.edge_labels[a.edge_offsets[i]] : 0;
      rec[kMeta] = dense_meta(accepting, span_of(i), base);
      if (edge_count(i) == 1) rec[kHeader] = record_of[a.edge_children[a.edge_offsets[i]]] + 1;
    } else if (is_dense(i)) {
      const uint32_t span = span_of(i);
      rec[kMeta] = dense_meta(accepting, span, dense.base[i]);
      for (uint32_t k = 0; k < span; ++k) {
        const uint32_t slot = dense.slots[dense.offsets[i] + k];
        rec[kHeader + k] = slot == 0 ? 0 : record_of[slot - 1] + 1;
      }
    } else {
      const uint32_t first = a.edge_offsets[i];
      const uint32_t edges = a.edge_offsets[i + 1] - first;
      rec[kMeta] = (accepting ? kAcceptingBit : 0) | edges;
      for (uint32_t e = 0; e < edges; ++e) {
        rec[kHeader + e] = a.edge_labels[first + e];
        rec[kHeader + edges + e] = record_of[a.edge_children[first + e]];
      }
    }
  }
  // The first two steps of ASCII walks, where neither the root nor the node
  // after one step accepts (so no lookup mode stops or records a node there).
  if (!record_accepting(0)) {
    first_two_steps_.assign(kAsciiUnits * kAsciiUnits, 0);
    for (uint32_t u0 = 0; u0 < kAsciiUnits; ++u0) {
      const uint32_t r1 = child_record(0, u0);
      if (r1 == kNoIndex || record_accepting(r1)) continue;
      for (uint32_t u1 = 0; u1 < kAsciiUnits; ++u1) {
        const uint32_t r2 = child_record(r1, u1);
        if (r2 != kNoIndex) first_two_steps_[u0 * kAsciiUnits + u1] = r2 + 1;
      }
    }
  }
}

void CompiledTrie::prefetch_tables(size_t words) const {
  const size_t walk_bytes = walk_.size() * sizeof(uint32_t);
  const size_t two_step_bytes = first_two_steps_.size() * sizeof(uint32_t);
  const size_t ending_bytes = ascii_endings_.size() * sizeof(AsciiEnding);
  const size_t bytes = walk_bytes + two_step_bytes + ending_bytes;
  if (words < bytes / kCacheLineBytes || bytes > core_cache_bytes()) return;
  prefetch_lines(first_two_steps_.data(), two_step_bytes);
  prefetch_lines(ascii_endings_.data(), ending_bytes);
  prefetch_lines(walk_.data(), walk_bytes);
}

void CompiledTrie::append_stems(uint32_t record, std::u16string_view key, bool unique,
                                std::vector<std::string>& out) const {
  const uint32_t node = walk_[record + kId];
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
    const uint32_t r = lookup_mode_ == LookupMode::kFirst ? find_record<true>(key.data(), key.size())
                                                          : find_record<false>(key.data(), key.size());
    if (r != kNoIndex) append_stems(r, key, false, out);
    return out;
  }
  // Every candidate: the key's end node when it has a value, then each
  // accepting node met, deepest first.
  std::vector<uint32_t> accepted;
  const uint32_t end = walk_key<false>(key.data(), key.size(), [&accepted](uint32_t r) { accepted.push_back(r); });
  if (end != kNoIndex && walk_[end + kPreferred] != kNoIndex && (accepted.empty() || accepted.back() != end)) {
    append_stems(end, key, true, out);
  }
  for (auto it = accepted.rbegin(); it != accepted.rend(); ++it) append_stems(*it, key, true, out);
  return out;
}

}  // namespace velmora
