#include "train/reduce.h"

#include <algorithm>
#include <unordered_set>

namespace velmora {
namespace {

// Open-addressing table from signature (stored in a shared pool) to canonical id.
class SignatureTable {
 public:
  SignatureTable() : slots_(1024, kNoIndex) {}

  // Returns the id stored for `sig`, or kNoIndex.
  uint32_t find(const std::vector<uint32_t>& sig, uint64_t hash) const {
    const size_t mask = slots_.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
      const uint32_t slot = slots_[i];
      if (slot == kNoIndex) return kNoIndex;
      if (hashes_[slot] == hash && equals(slot, sig)) return ids_[slot];
    }
  }

  void insert(const std::vector<uint32_t>& sig, uint64_t hash, uint32_t id) {
    if ((ids_.size() + 1) * 2 > slots_.size()) grow();
    const uint32_t entry = uint32_t(ids_.size());
    offsets_.push_back(pool_.size());
    pool_.insert(pool_.end(), sig.begin(), sig.end());
    hashes_.push_back(hash);
    ids_.push_back(id);
    place(entry);
  }

 private:
  bool equals(uint32_t entry, const std::vector<uint32_t>& sig) const {
    const size_t begin = offsets_[entry];
    const size_t end = entry + 1 < offsets_.size() ? offsets_[entry + 1] : pool_.size();
    return end - begin == sig.size() && std::equal(sig.begin(), sig.end(), pool_.begin() + begin);
  }
  void place(uint32_t entry) {
    const size_t mask = slots_.size() - 1;
    size_t i = hashes_[entry] & mask;
    while (slots_[i] != kNoIndex) i = (i + 1) & mask;
    slots_[i] = entry;
  }
  void grow() {
    slots_.assign(slots_.size() * 2, kNoIndex);
    for (uint32_t e = 0; e < ids_.size(); ++e) place(e);
  }

  std::vector<uint32_t> slots_;
  std::vector<uint32_t> pool_;
  std::vector<size_t> offsets_;
  std::vector<uint64_t> hashes_;
  std::vector<uint32_t> ids_;
};

uint64_t hash_signature(const std::vector<uint32_t>& sig) {
  uint64_t h = 0x9E3779B97F4A7C15ull ^ sig.size();
  for (uint32_t x : sig) {
    h ^= x;
    h *= 0xFF51AFD7ED558CCDull;
    h ^= h >> 32;
  }
  return h;
}

class Reducer {
 public:
  explicit Reducer(const FrequencyTrie& trie) : trie_(trie) {}

  CanonicalGraph run() {
    struct Frame {
      uint32_t node;
      uint32_t next_child;
      size_t pending_base;
    };
    std::vector<Frame> stack;
    std::vector<CanonicalChild> pending;
    stack.push_back({FrequencyTrie::root(), trie_.node(FrequencyTrie::root()).first_child, 0});
    while (!stack.empty()) {
      Frame& top = stack.back();
      if (top.next_child != kNoIndex) {
        const uint32_t c = top.next_child;
        top.next_child = trie_.node(c).next_sibling;
        stack.push_back({c, trie_.node(c).first_child, pending.size()});
        continue;
      }
      children_.assign(pending.begin() + long(top.pending_base), pending.end());
      pending.resize(top.pending_base);
      const uint32_t node = top.node;
      const uint32_t id = finish(node);
      stack.pop_back();
      if (stack.empty()) graph_.root = id;
      else pending.push_back({trie_.node(node).label, id});
    }
    return std::move(graph_);
  }

 private:
  // Reduces one builder node whose children are already in `children_`.
  uint32_t finish(uint32_t node) {
    trie_.values_into(node, values_);
    bool accepting = false;
    if (trie_.accepting(node)) {
      accepting = true;
    } else if (!children_.empty() && values_.size() < 2 && contractible()) {
      const uint32_t candidate = values_.empty() ? single_command(children_[0].node)
                                                 : values_[0].command;
      values_.assign(1, ValueCount{candidate, 1});
      children_.clear();
      accepting = true;
    }

    ranked_ = values_;
    rank_values(trie_.commands(), ranked_);
    signature_.clear();
    const bool dominant = is_dominant(ranked_);
    signature_.push_back((dominant ? 1u : 0u) | (accepting ? 2u : 0u));
    if (dominant) {
      signature_.push_back(ranked_[0].command);
    } else {
      signature_.push_back(uint32_t(ranked_.size()));
      for (const auto& v : ranked_) signature_.push_back(v.command);
    }
    signature_.push_back(uint32_t(children_.size()));
    for (const auto& c : children_) {
      signature_.push_back(c.label);
      signature_.push_back(c.node);
    }

    const uint32_t origin = trie_.node(node).origin;
    // A modified node's signature carries a number unique to it: it never merges.
    const bool unique = trie_.modified(node);
    const uint64_t hash = hash_signature(signature_);
    if (!unique) {
      const uint32_t found = table_.find(signature_, hash);
      if (found != kNoIndex) {
        merge_into(found, origin);
        return found;
      }
    }
    const uint32_t id = uint32_t(graph_.nodes.size());
    CanonicalNode created;
    created.values = values_;
    first_origin_.push_back(origin);
    created.children = children_;
    created.accepting = accepting;
    graph_.nodes.push_back(std::move(created));
    if (!unique) table_.insert(signature_, hash, id);
    return id;
  }

  // Every reduced child is a leaf with exactly one value, all equal to the candidate.
  bool contractible() const {
    const uint32_t candidate =
        values_.empty() ? single_command(children_[0].node) : values_[0].command;
    if (candidate == kNoIndex) return false;
    for (const auto& c : children_) {
      if (single_command(c.node) != candidate) return false;
    }
    return true;
  }

  // The command of a childless canonical node with exactly one value, else kNoIndex.
  uint32_t single_command(uint32_t id) const {
    const CanonicalNode& n = graph_.nodes[id];
    if (!n.children.empty() || n.values.size() != 1) return kNoIndex;
    return n.values[0].command;
  }

  // The same compiled node reached through several paths is counted once.
  // PERF NOTE: a set keyed by (canonical node, origin), not a sorted list per
  // node: a node that absorbs many origins made the sorted inserts quadratic.
  void merge_into(uint32_t id, uint32_t origin) {
    if (origin != kNoIndex) {
      if (first_origin_[id] == origin) return;
      if (!merged_origins_.insert(origin_key(id, origin)).second) return;
    }
    CanonicalNode& target = graph_.nodes[id];
    for (const auto& v : values_) {
      auto it = std::find_if(target.values.begin(), target.values.end(),
                             [&](const ValueCount& t) { return t.command == v.command; });
      if (it != target.values.end()) it->count = saturating_add(it->count, v.count);
      else target.values.push_back(v);
    }
  }

  static uint64_t origin_key(uint32_t id, uint32_t origin) {
    return (uint64_t(id) << 32) | origin;
  }

  const FrequencyTrie& trie_;
  CanonicalGraph graph_;
  std::vector<uint32_t> first_origin_;            // per canonical node
  std::unordered_set<uint64_t> merged_origins_;   // later origins, as (node, origin)
  SignatureTable table_;
  std::vector<CanonicalChild> children_;
  std::vector<ValueCount> values_;
  std::vector<ValueCount> ranked_;
  std::vector<uint32_t> signature_;
};

}  // namespace

CanonicalGraph reduce(const FrequencyTrie& trie) { return Reducer(trie).run(); }

}  // namespace velmora
