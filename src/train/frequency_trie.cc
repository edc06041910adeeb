#include "train/frequency_trie.h"

#include <algorithm>
#include <string>

#include "command/encode.h"
#include "util/error_texts.h"

namespace velmora {

uint32_t CommandTable::intern(std::u16string_view text) {
  auto it = index_.find(text);
  if (it != index_.end()) return it->second;
  texts_.emplace_back(text);
  const uint32_t id = uint32_t(texts_.size() - 1);
  index_.emplace(texts_.back(), id);
  return id;
}

uint32_t CommandTable::find(std::u16string_view text) const {
  auto it = index_.find(text);
  return it == index_.end() ? kNoIndex : it->second;
}

bool CommandTable::ranks_before(uint32_t a, uint32_t b) const {
  const std::u16string& x = texts_[a];
  const std::u16string& y = texts_[b];
  if (x.size() != y.size()) return x.size() < y.size();
  return x < y;  // char16_t compares as unsigned
}

void rank_values(const CommandTable& commands, std::vector<ValueCount>& values) {
  std::stable_sort(values.begin(), values.end(), [&](const ValueCount& a, const ValueCount& b) {
    if (a.count != b.count) return a.count > b.count;
    if (a.command == b.command) return false;
    return commands.ranks_before(a.command, b.command);
  });
}

bool is_dominant(const std::vector<ValueCount>& ranked) {
  if (ranked.empty()) return false;
  int64_t total = 0;
  for (const auto& v : ranked) total += v.count;
  const int64_t top = ranked[0].count;
  const int64_t second = ranked.size() > 1 ? ranked[1].count : 0;
  if (top * 100 < total * kDominantMinPercent) return false;
  return second == 0 || top >= kDominantOverSecondRatio * second;
}

FrequencyTrie::FrequencyTrie() { nodes_.emplace_back(); }

uint32_t FrequencyTrie::child(uint32_t n, char16_t label) const {
  for (uint32_t c = nodes_[n].first_child; c != kNoIndex; c = nodes_[c].next_sibling) {
    if (nodes_[c].label == label) return c;
    if (nodes_[c].label > label) break;
  }
  return kNoIndex;
}

uint32_t FrequencyTrie::child_or_create(uint32_t n, char16_t label) {
  uint32_t prev = kNoIndex;
  uint32_t c = nodes_[n].first_child;
  while (c != kNoIndex && nodes_[c].label < label) {
    prev = c;
    c = nodes_[c].next_sibling;
  }
  if (c != kNoIndex && nodes_[c].label == label) return c;
  const uint32_t created = uint32_t(nodes_.size());
  Node fresh;
  fresh.label = label;
  fresh.next_sibling = c;
  nodes_.push_back(fresh);
  if (prev == kNoIndex) nodes_[n].first_child = created;
  else nodes_[prev].next_sibling = created;
  return created;
}

uint32_t FrequencyTrie::append_child(uint32_t n, uint32_t last, char16_t label) {
  const uint32_t created = uint32_t(nodes_.size());
  Node fresh;
  fresh.label = label;
  nodes_.push_back(fresh);
  if (last == kNoIndex) nodes_[n].first_child = created;
  else nodes_[last].next_sibling = created;
  return created;
}

uint32_t FrequencyTrie::node_at(std::u16string_view key, bool backward) const {
  uint32_t n = root();
  const size_t len = key.size();
  for (size_t i = 0; i < len && n != kNoIndex; ++i) {
    n = child(n, backward ? key[len - 1 - i] : key[i]);
  }
  return n;
}

uint32_t FrequencyTrie::node_at_or_create(std::u16string_view key, bool backward) {
  uint32_t n = root();
  const size_t len = key.size();
  for (size_t i = 0; i < len; ++i) {
    n = child_or_create(n, backward ? key[len - 1 - i] : key[i]);
  }
  return n;
}

void FrequencyTrie::values_into(uint32_t n, std::vector<ValueCount>& out) const {
  out.clear();
  for (uint32_t e = nodes_[n].values_head; e != kNoIndex; e = entries_[e].next) {
    out.push_back({entries_[e].command, entries_[e].count});
  }
}

std::vector<ValueCount> FrequencyTrie::values(uint32_t n) const {
  std::vector<ValueCount> out;
  values_into(n, out);
  return out;
}

uint32_t FrequencyTrie::find_entry(uint32_t n, uint32_t command) const {
  for (uint32_t e = nodes_[n].values_head; e != kNoIndex; e = entries_[e].next) {
    if (entries_[e].command == command) return e;
  }
  return kNoIndex;
}

int32_t FrequencyTrie::count_of(uint32_t n, uint32_t command) const {
  const uint32_t e = find_entry(n, command);
  return e == kNoIndex ? 0 : entries_[e].count;
}

void FrequencyTrie::add_count(uint32_t n, uint32_t command, int32_t count) {
  uint32_t last = kNoIndex;
  for (uint32_t e = nodes_[n].values_head; e != kNoIndex; e = entries_[e].next) {
    if (entries_[e].command == command) {
      entries_[e].count = saturating_add(entries_[e].count, count);
      return;
    }
    last = e;
  }
  const uint32_t fresh = uint32_t(entries_.size());
  entries_.push_back({command, count, kNoIndex});
  if (last == kNoIndex) nodes_[n].values_head = fresh;
  else entries_[last].next = fresh;
}

Status FrequencyTrie::check_rule(uint32_t n, uint32_t command, InsertMode mode,
                                 int32_t count) const {
  if (n == kNoIndex) return ok_status();
  if (mode == InsertMode::kDominant) {
    for (uint32_t e = nodes_[n].values_head; e != kNoIndex; e = entries_[e].next) {
      if (entries_[e].command != command && entries_[e].count == kMaxCount) {
        return invalid_data(texts::kCannotMakeDominant);
      }
    }
  } else if (mode == InsertMode::kAddCount) {
    const uint32_t e = find_entry(n, command);
    if (e != kNoIndex && int64_t(entries_[e].count) + count > kMaxCount) {
      return invalid_data(texts::kCountExceedsFormat);
    }
  }
  return ok_status();
}

void FrequencyTrie::store_rule(uint32_t n, uint32_t command, InsertMode mode, int32_t count) {
  switch (mode) {
    case InsertMode::kDominant: {
      int32_t best = 0;
      for (uint32_t e = nodes_[n].values_head; e != kNoIndex; e = entries_[e].next) {
        if (entries_[e].command != command) best = std::max(best, entries_[e].count);
      }
      mark_modified(n);
      const uint32_t e = find_entry(n, command);
      if (e != kNoIndex) entries_[e].count = best + 1;
      else add_count(n, command, best + 1);
      break;
    }
    case InsertMode::kAddCount:
      mark_modified(n);
      add_count(n, command, count);
      break;
    case InsertMode::kOnlyIfAbsent:
      if (has_values(n)) return;
      mark_modified(n);
      add_count(n, command, 1);
      break;
    case InsertMode::kReplace:
      mark_modified(n);
      clear_values(n);
      add_count(n, command, 1);
      break;
  }
}

Error too_long_to_encode() {
  return too_large(texts::kTooLongToEncode +
                      std::to_string(kMaxEncodeCells) + texts::kUnits);
}

Status FrequencyTrie::insert_rule(std::u16string_view word, std::u16string_view stem,
                                  InsertMode mode, int32_t count, const ModelOptions& options) {
  const bool backward = options.backward;
  const bool store_original = options.store_original;
  const bool distinct = word != stem;
  if (distinct && !encodable(word.size(), stem.size())) return too_long_to_encode();
  const uint32_t identity = commands_.intern(kIdentityCommand);
  const uint32_t command = distinct ? commands_.intern(encode_patch(word, stem, backward)) : kNoIndex;

  if (store_original) {
    Status s = check_rule(node_at(stem, backward), identity, mode, count);
    if (!s) return s;
  }
  if (distinct) {
    Status s = check_rule(node_at(word, backward), command, mode, count);
    if (!s) return s;
  }
  if (store_original) store_rule(node_at_or_create(stem, backward), identity, mode, count);
  if (distinct) store_rule(node_at_or_create(word, backward), command, mode, count);
  return ok_status();
}

void FrequencyTrie::remove_rule(std::u16string_view word, std::u16string_view stem,
                                bool backward) {
  const uint32_t n = node_at(word, backward);
  // A pair too long to encode was never inserted.
  if (n == kNoIndex || !encodable(word.size(), stem.size())) return;
  const uint32_t command = commands_.find(encode_patch(word, stem, backward));
  if (command == kNoIndex) return;
  uint32_t prev = kNoIndex;
  for (uint32_t e = nodes_[n].values_head; e != kNoIndex; prev = e, e = entries_[e].next) {
    if (entries_[e].command != command) continue;
    if (prev == kNoIndex) nodes_[n].values_head = entries_[e].next;
    else entries_[prev].next = entries_[e].next;
    mark_modified(n);
    if (!has_values(n)) nodes_[n].flags &= uint8_t(~kAccepting);
    return;
  }
}

void FrequencyTrie::remove_all_rules(std::u16string_view word, bool backward) {
  const uint32_t n = node_at(word, backward);
  if (n == kNoIndex || !has_values(n)) return;
  clear_values(n);
  mark_modified(n);
  nodes_[n].flags &= uint8_t(~kAccepting);
}

}  // namespace velmora
