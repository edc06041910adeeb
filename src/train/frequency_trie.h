// The builder's mutable trie: nodes keyed by UTF-16 units with weighted sets of
// interned patch commands, the ranking of a node's values, and the rule
// operations (insert in four modes, remove one rule, remove all rules).
//
// Storage is sized for ten million nodes: nodes live in one vector and refer to
// each other by 32-bit index; children form a sibling chain sorted by label;
// values are entries of a shared pool chained in insertion order.
// Used by the dictionary reader, reduction, freezing, rebuilding, model loading
// and the TrieBuilder class.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "runtime/modes.h"
#include "util/expected.h"
#include "util/no_index.h"

namespace velmora {

inline constexpr int32_t kMaxCount = 2147483647;

// Adds two counts, saturating at the signed 32-bit maximum.
inline int32_t saturating_add(int32_t a, int32_t b) {
  const int64_t sum = int64_t(a) + int64_t(b);
  return sum > kMaxCount ? kMaxCount : int32_t(sum);
}

// Command texts interned once; ids are dense and stable.
class CommandTable {
 public:
  uint32_t intern(std::u16string_view text);
  uint32_t find(std::u16string_view text) const;  // kNoIndex when absent
  const std::u16string& text(uint32_t id) const { return texts_[id]; }
  size_t size() const { return texts_.size(); }
  // Ranking tie-break between two distinct commands: shorter first, then smaller units.
  bool ranks_before(uint32_t a, uint32_t b) const;

 private:
  std::deque<std::u16string> texts_;
  std::unordered_map<std::u16string_view, uint32_t> index_;
};

struct ValueCount {
  uint32_t command;
  int32_t count;
};

// Ranks values in place: count descending, then shorter command, then smaller
// code units, then earlier position (the input order).
void rank_values(const CommandTable& commands, std::vector<ValueCount>& values);

// Dominance of ranked values: the winner holds at least 75% of the total and,
// when there is a runner-up, at least three times its count. The image
// metadata records both figures (image/writer.cc), so change them together.
inline constexpr int64_t kDominantMinPercent = 75;
inline constexpr int64_t kDominantOverSecondRatio = 3;
bool is_dominant(const std::vector<ValueCount>& ranked);

// The error for a word and stem whose encoding table passes kMaxEncodeCells.
Error too_long_to_encode();

enum class InsertMode : uint8_t { kDominant, kAddCount, kOnlyIfAbsent, kReplace };

class FrequencyTrie {
 public:
  static constexpr uint8_t kAccepting = 1;
  static constexpr uint8_t kModified = 2;

  struct Node {
    uint32_t first_child = kNoIndex;
    uint32_t next_sibling = kNoIndex;
    uint32_t values_head = kNoIndex;
    uint32_t origin = kNoIndex;  // compiled node this node was rebuilt from
    uint16_t label = 0;
    uint8_t flags = 0;
  };

  FrequencyTrie();

  static constexpr uint32_t root() { return 0; }
  size_t node_count() const { return nodes_.size(); }
  const Node& node(uint32_t n) const { return nodes_[n]; }
  bool accepting(uint32_t n) const { return nodes_[n].flags & kAccepting; }
  bool modified(uint32_t n) const { return nodes_[n].flags & kModified; }
  void set_accepting(uint32_t n) { nodes_[n].flags |= kAccepting; }
  void set_origin(uint32_t n, uint32_t origin) { nodes_[n].origin = origin; }

  CommandTable& commands() { return commands_; }
  const CommandTable& commands() const { return commands_; }

  uint32_t node_at(std::u16string_view key, bool backward) const;
  uint32_t node_at_or_create(std::u16string_view key, bool backward);
  uint32_t child(uint32_t n, char16_t label) const;
  uint32_t child_or_create(uint32_t n, char16_t label);
  // Creates a child of `n` after `last` (its last child, or kNoIndex for none);
  // `label` must exceed the labels of the existing children.
  uint32_t append_child(uint32_t n, uint32_t last, char16_t label);

  // Values in insertion order.
  std::vector<ValueCount> values(uint32_t n) const;
  void values_into(uint32_t n, std::vector<ValueCount>& out) const;
  bool has_values(uint32_t n) const { return nodes_[n].values_head != kNoIndex; }
  // Count of `command` at `n`, or 0 when absent.
  int32_t count_of(uint32_t n, uint32_t command) const;
  // Adds `count` to the command, appending it when absent (saturating).
  void add_count(uint32_t n, uint32_t command, int32_t count);

  // Errors: too large, "word and stem too long: ..." for a pair the encoder
  // refuses (command/encode.h); invalid data from the count checks of the modes.
  // The rule is keyed by `options.backward` and adds the stem's identity rule
  // when `options.store_original`.
  Status insert_rule(std::u16string_view word, std::u16string_view stem, InsertMode mode,
                     int32_t count, const ModelOptions& options);
  void remove_rule(std::u16string_view word, std::u16string_view stem, bool backward);
  void remove_all_rules(std::u16string_view word, bool backward);

 private:
  struct Entry {
    uint32_t command;
    int32_t count;
    uint32_t next;
  };

  uint32_t find_entry(uint32_t n, uint32_t command) const;
  Status check_rule(uint32_t n, uint32_t command, InsertMode mode, int32_t count) const;
  void store_rule(uint32_t n, uint32_t command, InsertMode mode, int32_t count);
  void clear_values(uint32_t n) { nodes_[n].values_head = kNoIndex; }
  void mark_modified(uint32_t n) {
    if (nodes_[n].origin != kNoIndex) nodes_[n].flags |= kModified;
  }

  std::vector<Node> nodes_;
  std::vector<Entry> entries_;
  CommandTable commands_;
};

// The builder model: the trie, the modes its image records, and the options
// rules and stemmers are made with (`options.backward` is the direction of
// `modes`: an image's own, or the caller's for a dictionary).
struct BuilderModel {
  FrequencyTrie trie;
  ModelModes modes;
  ModelOptions options;
};

}  // namespace velmora
