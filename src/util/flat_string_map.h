// An insert-only hash map from byte strings to small values, laid out flat: an
// open-addressing slot array of (hash tag, entry index), an entry array and one
// arena for the key bytes. A lookup that misses usually touches one cache line.
// Used by the Python layer's result cache.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

template <typename Value>
class FlatStringMap {
 public:
  struct Entry {
    uint64_t hash;
    size_t key_offset;
    uint32_t key_length;
    Value value;
  };

  size_t size() const { return entries_.size(); }
  const std::vector<Entry>& entries() const { return entries_; }

  // The entry for `key` (whose hash is `hash`), or null.
  const Entry* find(std::string_view key, uint64_t hash) const {
    if (slots_.empty()) return nullptr;
    const size_t mask = slots_.size() - 1;
    const uint32_t tag = uint32_t(hash >> 32);
    for (size_t i = size_t(hash) & mask;; i = (i + 1) & mask) {
      const Slot slot = slots_[i];
      if (slot.index == 0) return nullptr;
      if (slot.tag != tag) continue;
      const Entry& e = entries_[slot.index - 1];
      if (e.hash == hash && e.key_length == key.size() &&
          std::memcmp(keys_.data() + e.key_offset, key.data(), key.size()) == 0) {
        return &e;
      }
    }
  }

  // Adds `key` (which must be absent).
  void insert(std::string_view key, uint64_t hash, Value value) {
    if ((entries_.size() + 1) * 2 > slots_.size()) grow();
    entries_.push_back(Entry{hash, keys_.size(), uint32_t(key.size()), value});
    keys_.append(key);
    place(uint32_t(entries_.size()), hash);
  }

 private:
  struct Slot {
    uint32_t tag;
    uint32_t index;  // entry index + 1; 0 marks an empty slot
  };

  void place(uint32_t index, uint64_t hash) {
    const size_t mask = slots_.size() - 1;
    size_t i = size_t(hash) & mask;
    while (slots_[i].index != 0) i = (i + 1) & mask;
    slots_[i] = Slot{uint32_t(hash >> 32), index};
  }
  void grow() {
    slots_.assign(slots_.empty() ? 64 : slots_.size() * 2, Slot{0, 0});
    for (uint32_t e = 0; e < entries_.size(); ++e) place(e + 1, entries_[e].hash);
  }

  std::vector<Slot> slots_;
  std::vector<Entry> entries_;
  std::string keys_;
};

}  // namespace velmora
