// The runtime trie every lookup walks: the node records laid out from a
// TrieGraph (each holding its node's preferred value), the compiled patches
// and the mode bytes; the walk of one key, the interleaved walk of many (its
// AVX-512 form in wide_walk.cc), and the enumeration of every candidate
// stem. Immutable once built (only the case and lookup modes are set after
// construction, before the trie is shared). Used by the stem walk, the
// column walk, model loading and the Python engine.
#pragma once

#include <algorithm>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "command/ascii_ending.h"
#include "command/compiled_patch.h"
#include "graph/trie_graph.h"
#include "runtime/modes.h"
#include "util/expected.h"
#include "util/no_index.h"

namespace velmora {

// Nodes with at least two edges whose labels span at most this many units get
// a direct-indexed child table; wider spans would waste more memory than the
// binary search they save.
inline constexpr uint32_t kMaxDenseSpan = 512;

// Direct-indexed child tables of the nodes that qualify: node n's slots are
// slots[offsets[n] .. offsets[n + 1]), slot k holding the child under label
// base[n] + k plus one, or 0. Built here only, from a graph's edges, for the
// CompiledTrie's node records.
struct DenseTables {
  std::vector<uint32_t> offsets;  // node count + 1
  std::vector<uint16_t> base;     // node count
  std::vector<uint32_t> slots;
};
DenseTables build_dense_tables(const TrieGraph& graph);

class CompiledTrie {
 public:
  // Takes the graph's arrays over; `patches[i]` is the compiled `graph.commands[i]`.
  CompiledTrie(TrieGraph graph, std::vector<CompiledPatch> patches, ModelModes modes);

  uint32_t node_count() const { return node_count_; }

  // The one walk of a key, on the node records: lookup mode first stops at
  // the first accepting node on the key's path, or the node where the key
  // ends; lookup mode last takes the key's end node when it has a value, else
  // the deepest accepting node met. find_first/find_last give the node's id,
  // find_value its preferred value (kNoIndex for no node or no value), read
  // from the record the walk ends on. `Unit` is char16_t, or unsigned char
  // for keys known to be ASCII.
  template <typename Unit>
  uint32_t find_first(const Unit* key, size_t len) const {
    return node_of(find_record<true>(key, len));
  }
  template <typename Unit>
  uint32_t find_last(const Unit* key, size_t len) const {
    return node_of(find_record<false>(key, len));
  }
  uint32_t find_first(std::u16string_view key) const { return find_first(key.data(), key.size()); }
  uint32_t find_last(std::u16string_view key) const { return find_last(key.data(), key.size()); }
  template <typename Unit>
  uint32_t find_value(const Unit* key, size_t len) const {
    const uint32_t r = lookup_mode_ == LookupMode::kFirst ? find_record<true>(key, len) : find_record<false>(key, len);
    return r == kNoIndex ? kNoIndex : walk_[r + kPreferred];
  }
  uint32_t find_value(std::u16string_view key) const { return find_value(key.data(), key.size()); }

  // find_value(key) of `n` ASCII keys at once, to out[0 .. n)
  // (kNoIndex where the walk gives no node or the node has no value). Key i is
  // key_at(i), a string_view.
  // PERF NOTE: one word at a time, each step of the walk waits on the load of
  // its child slot (mostly L2 hits: a step's two loads depend on each other).
  // Here kWalkLanes walks run in turn, one step each, so those waits overlap;
  // a lane whose walk ends takes the next key at once, so the lanes stay full
  // until the keys run out. The value comes from the record the walk ends on,
  // which is already in cache.
  template <typename KeyAt>
  void preferred_values_interleaved(size_t n, KeyAt&& key_at, uint32_t* out) const {
    const bool backward = direction_ == TraversalDirection::kBackward;
    if (lookup_mode_ == LookupMode::kFirst) {
      backward ? walk_lanes<true, true>(n, key_at, out) : walk_lanes<true, false>(n, key_at, out);
    } else {
      backward ? walk_lanes<false, true>(n, key_at, out) : walk_lanes<false, false>(n, key_at, out);
    }
  }

  // find_value of n ASCII keys laid end to end, key i being keys[starts[i] ..
  // starts[i + 1]), with `keys` readable three bytes past starts[n]: on the
  // wide lanes where they run, else the interleaved ones. The batch walks
  // all come here.
  void preferred_values_of_run(const char* keys, const size_t* starts, size_t n, uint32_t* out) const {
    if (preferred_values_wide(keys, starts, n, out)) return;
    preferred_values_interleaved(
        n, [keys, starts](size_t i) { return std::string_view(keys + starts[i], starts[i + 1] - starts[i]); }, out);
  }

  // preferred_values_interleaved on AVX-512 registers, for n ASCII keys laid
  // end to end: key i is keys[starts[i] .. starts[i + 1]), and `keys` stays
  // readable three bytes past starts[n]. False, with nothing written, where
  // the processor lacks AVX-512F, the keys are more than kWideKeys or
  // kWideMaxBytes bytes, or the records pass 2^31 words; the caller then
  // walks the scalar lanes.
  static constexpr size_t kWideKeys = 2048;
  static constexpr size_t kWideMaxBytes = size_t(1) << 30;
  bool preferred_values_wide(const char* keys, const size_t* starts, size_t n, uint32_t* out) const;
  // Whether this processor runs preferred_values_wide.
  static bool wide_walk_available();

  // Asks the core's cache for the tables the batch walks read (the records,
  // the two-step table, the endings) ahead of a batch of `words` words, when
  // the batch has more words than the tables have cache lines and the tables
  // fit that cache; else does nothing.
  // PERF NOTE: a batch that starts on a cold trie (a while after the last,
  // when other work has taken the cache) misses on most records its first
  // tens of thousands of walks reach, one dependent miss per step: on the
  // English list (1.3 MB of records), the first group of 2,048 rows walked
  // at 117 time-stamp ticks a row and the walk came down to its warm 20 only
  // after 60,000 rows. Asked for ahead, the lines arrive at the memory's
  // streaming rate instead: the walk over the whole column, started cold,
  // 29-33 -> 22-24 ticks a row; started warm, the requests cost about 7 us.
  void prefetch_tables(size_t words) const;

  // Every candidate stem of `word` in the trie's lookup mode.
  std::vector<std::string> stem_all(std::string_view word) const;

  // How patch `value_id` makes the stem of an ASCII key, when it keeps a
  // prefix of the key and appends fixed bytes (see AsciiEnding).
  // PERF NOTE: most stems are made so; this array of the patches' endings
  // stays in cache where the patches themselves would not, and such a stem
  // is one copy and one store.
  const AsciiEnding& ascii_ending(uint32_t value_id) const { return ascii_endings_[value_id]; }
  // The most any ending lengthens a key, for callers that reserve room.
  size_t max_ending_growth() const { return max_ending_growth_; }

  const std::vector<CompiledPatch>& patches() const { return patches_; }
  const CompiledPatch& patch(uint32_t value_id) const { return patches_[value_id]; }
  const std::vector<uint32_t>& value_ids() const { return value_ids_; }
  const std::vector<uint32_t>& value_offsets() const { return value_offsets_; }

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
  // The walk reads one interleaved array of node records, so that a step touches
  // the node's header and its child slot, usually in one or two cache lines:
  //   [id] [preferred value] [meta]
  //   dense:  meta = accepting bit, dense bit, span (14 bits), base label (16 bits);
  //           then span slots holding (child record + 1), or 0
  //   sparse: meta = accepting bit, edge count (30 bits);
  //           then count labels, then count child records
  // A record's position in walk_ is its record id; kNoIndex means "no record".
  // PERF NOTE: the base shares the meta word, so a step reads one header word
  // before its slot, and the header is three words, not four.
  static constexpr uint32_t kId = 0, kPreferred = 1, kMeta = 2, kHeader = 3;
  // Words of a 64-byte cache line. walk_ ends in this many unused words, so
  // that the walk's prefetch of a record's next line stays inside it.
  static constexpr uint32_t kLineWords = 16;
  static constexpr uint32_t kAcceptingBit = 0x80000000u, kDenseBit = 0x40000000u,
                            kCountMask = 0x3FFFFFFFu;  // a sparse node's edge count
  // A dense span is at most kMaxDenseSpan (or 1 for a node with one edge).
  static constexpr uint32_t kSpanShift = 16, kSpanMask = 0x3FFFu, kBaseMask = 0xFFFFu;
  static_assert(kMaxDenseSpan <= kSpanMask);
  static uint32_t dense_meta(bool accepting, uint32_t span, uint32_t base) {
    return (accepting ? kAcceptingBit : 0) | kDenseBit | span << kSpanShift | base;
  }
  // The slot of label u in a dense record with this meta, or kSpanMask + 1
  // and more when u lies outside its span (labels below the base included:
  // uint16_t(u - base) wraps them past it).
  static uint32_t dense_index(uint32_t meta, uint32_t u) { return uint16_t(u - (meta & kBaseMask)); }
  static uint32_t dense_span(uint32_t meta) { return (meta >> kSpanShift) & kSpanMask; }

  uint32_t child_record(uint32_t r, uint32_t u) const {
    const uint32_t meta = walk_[r + kMeta];
    const uint32_t* body = walk_.data() + r + kHeader;
    if (meta & kDenseBit) {
      // An empty slot (0) wraps to kNoIndex.
      const uint32_t k = dense_index(meta, u);
      return k < dense_span(meta) ? body[k] - 1 : kNoIndex;
    }
    const uint32_t count = meta & kCountMask;
    // Up to 8 labels fit one cache line: a linear scan beats the search's branches.
    if (count <= 8) {
      for (uint32_t i = 0; i < count; ++i) {
        if (body[i] == u) return body[count + i];
      }
      return kNoIndex;
    }
    uint32_t lo = 0, hi = count;
    while (lo < hi) {
      const uint32_t mid = (lo + hi) / 2;
      if (body[mid] < u) lo = mid + 1;
      else hi = mid;
    }
    return lo < count && body[lo] == u ? body[count + lo] : kNoIndex;
  }
  bool record_accepting(uint32_t r) const { return walk_[r + kMeta] & kAcceptingBit; }
  uint32_t node_of(uint32_t r) const { return r == kNoIndex ? kNoIndex : walk_[r + kId]; }
  // From the root along `key`, calling accepting(r) on each accepting record
  // met (the root's included); with kStopAtAccepting the walk stops at the
  // first. Returns the record it stopped at or the key ended on, or kNoIndex
  // where a child is missing.
  template <bool kStopAtAccepting, typename Unit, typename OnAccepting>
  uint32_t walk_key(const Unit* key, size_t len, OnAccepting&& accepting) const;
  template <bool kFirst, typename Unit>
  uint32_t find_record(const Unit* key, size_t len) const;
  template <bool kFirst, bool kBackward, typename KeyAt>
  void walk_lanes(size_t n, KeyAt& key_at, uint32_t* out) const;

  template <bool kFirst, bool kBackward>
  void walk_wide(const char* keys, const size_t* starts, size_t n, uint32_t* out) const;

  template <typename Unit>
  uint32_t unit_at(const Unit* key, size_t len, size_t step) const {
    return direction_ == TraversalDirection::kBackward ? key[len - 1 - step] : key[step];
  }
  void append_stems(uint32_t record, std::u16string_view key, bool unique,
                    std::vector<std::string>& out) const;

  std::vector<uint32_t> walk_;
  // first_two_steps_[u0 * 128 + u1]: the record two ASCII units from the root
  // plus one, or 0 where the walk takes its steps one by one; empty when the
  // root accepts.
  // PERF NOTE: the top of the trie is where every walk starts; one read of
  // this table replaces two dependent steps of about six. Measured on the
  // English list without it: the walk-only rung 8% slower, stem_batch 6%,
  // stem_arrow 11%.
  static constexpr uint32_t kAsciiUnits = 128;
  std::vector<uint32_t> first_two_steps_;
  // The entry of `two_steps` (first_two_steps_'s data) for the units u0, u1:
  // the record plus one, or 0 where the walk takes its steps one by one.
  static uint32_t two_step_jump(const uint32_t* two_steps, uint32_t u0, uint32_t u1) {
    return (u0 | u1) < kAsciiUnits ? two_steps[u0 * kAsciiUnits + u1] : 0;
  }
  // Every value of node n (stem_all): value_ids_[value_offsets_[n] ..
  // value_offsets_[n + 1]); the walks read only the preferred one, in the record.
  std::vector<uint32_t> value_offsets_;
  std::vector<uint32_t> value_ids_;
  uint32_t node_count_ = 0;
  std::vector<CompiledPatch> patches_;
  std::vector<AsciiEnding> ascii_endings_;  // per patch
  size_t max_ending_growth_ = 0;
  TraversalDirection direction_;
  CaseMode case_mode_;
  DiacriticMode diacritic_mode_;
  LookupMode lookup_mode_ = LookupMode::kFirst;
};

template <bool kStopAtAccepting, typename Unit, typename OnAccepting>
uint32_t CompiledTrie::walk_key(const Unit* key, size_t len, OnAccepting&& accepting) const {
  uint32_t r = 0;
  for (size_t step = 0;; ++step) {
    if (record_accepting(r)) {
      accepting(r);
      if constexpr (kStopAtAccepting) return r;
    }
    if (step == len) return r;
    r = child_record(r, unit_at(key, len, step));
    if (r == kNoIndex) return kNoIndex;
  }
}

template <bool kFirst, typename Unit>
uint32_t CompiledTrie::find_record(const Unit* key, size_t len) const {
  if constexpr (kFirst) {
    return walk_key<true>(key, len, [](uint32_t) {});
  } else {
    uint32_t best = kNoIndex;
    const uint32_t end = walk_key<false>(key, len, [&best](uint32_t r) { best = r; });
    return end != kNoIndex && walk_[end + kPreferred] != kNoIndex ? end : best;
  }
}

template <bool kFirst, bool kBackward, typename KeyAt>
void CompiledTrie::walk_lanes(size_t n, KeyAt& key_at, uint32_t* out) const {
  // Measured on the English list (stem_batch, stem_arrow on one thread, CPU
  // time, alternating builds): 8 and 16 lanes came within 1-5% of 12 either
  // way, inside this machine's noise; 12 stays.
  constexpr size_t kWalkLanes = 12;
  struct Lane {
    // The next unit is unit[-1] walking backward, unit[0] forward; the walk
    // ends where `unit` reaches `stop`. Neither pointer leaves the key (nor
    // moves off a null empty key).
    const unsigned char* unit;
    const unsigned char* stop;
    uint32_t r;     // current record
    uint32_t best;  // lookup mode last: deepest usable record so far
    size_t index;   // the key's position
  };
  constexpr ptrdiff_t kStride = kBackward ? -1 : 1;
  constexpr ptrdiff_t kAhead = kBackward ? -1 : 0;
  const uint32_t* walk = walk_.data();
  const uint32_t* two_steps = first_two_steps_.empty() ? nullptr : first_two_steps_.data();
  const uint32_t root_best = record_accepting(0) ? 0 : kNoIndex;
  Lane lanes[kWalkLanes];
  size_t next = 0;
  auto start = [&](Lane& lane) {
    const std::string_view key = key_at(next);
    const auto* begin = reinterpret_cast<const unsigned char*>(key.data());
    const auto* end = begin + key.size();
    lane = Lane{kBackward ? end : begin, kBackward ? begin : end, 0, root_best, next++};
    if (two_steps && key.size() >= 2) {
      const uint32_t u0 = lane.unit[kAhead], u1 = lane.unit[kAhead + kStride];
      const uint32_t jump = two_step_jump(two_steps, u0, u1);
      if (jump) {
        lane.r = jump - 1;
        lane.unit += 2 * kStride;
        if (!kFirst && record_accepting(lane.r)) lane.best = lane.r;
      }
    }
  };
  size_t active = 0;
  while (active < kWalkLanes && next < n) start(lanes[active++]);
  while (active) {
    for (size_t i = 0; i < active;) {
      Lane& lane = lanes[i];
      const uint32_t* rec = walk + lane.r;
      const uint32_t meta = rec[kMeta];
      uint32_t result;
      if (kFirst && ((meta & kAcceptingBit) || lane.unit == lane.stop)) {
        result = rec[kPreferred];
      } else if (!kFirst && lane.unit == lane.stop) {
        const uint32_t best = rec[kPreferred] != kNoIndex ? lane.r : lane.best;
        result = best == kNoIndex ? kNoIndex : walk[best + kPreferred];
      } else {
        const uint32_t u = lane.unit[kAhead];
        uint32_t child;
        if (meta & kDenseBit) {
          const uint32_t k = dense_index(meta, u);
          child = k < dense_span(meta) ? rec[kHeader + k] - 1 : kNoIndex;
        } else {
          child = child_record(lane.r, u);
        }
        if (child != kNoIndex) {
          // The record's next line too: records are not line-aligned, so a
          // dense record's slot or a sparse record's child list often lies
          // past the line its header starts in. Measured on the English list
          // against the header alone: stem_arrow 3-11% faster over five runs.
          __builtin_prefetch(walk + child);
          __builtin_prefetch(walk + child + kLineWords);
          lane.r = child;
          lane.unit += kStride;
          if (!kFirst && record_accepting(child)) lane.best = child;
          ++i;
          continue;
        }
        result = kFirst || lane.best == kNoIndex ? kNoIndex : walk[lane.best + kPreferred];
      }
      out[lane.index] = result;
      if (next < n) {
        start(lane);
        ++i;
      } else {
        lane = lanes[--active];  // the last lane takes this one's place
      }
    }
  }
}

// Compiles every command of the graph in order and builds the runtime trie.
// Fails when a command does not compile.
Expected<std::shared_ptr<CompiledTrie>> compile_trie(TrieGraph graph, ModelModes modes);

// Parses "first", "last" or "all" (case-sensitive); any other text fails with
// the message naming the given text as an escaped, quoted literal.
Expected<LookupMode> parse_lookup_mode(std::string_view text);

}  // namespace velmora
