// The stem walk: stemming one word against a compiled trie (normalize, walk,
// pick the preferred patch, apply it), writing into reusable scratch buffers.
// Native only; the Python engine and the diagnostics make objects from it.
#pragma once

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>

#include "command/direct_utf8.h"
#include "runtime/compiled_trie.h"
#include "util/utf.h"

namespace velmora {

// Buffers reused across the words of one call.
struct StemScratch {
  std::u16string key;
  std::u16string stem;
  std::string utf8;
  std::string ascii_key;  // lowercased copy of an ASCII word
};

// How a stem was produced; diagnostics count these.
enum class StemPath : uint8_t { kDirectSlice, kDirectBuffer, kGeneric };

struct StemView {
  std::string_view text;  // points into the input word or into scratch.utf8
  StemPath path;
};

// The preferred patch for a normalized key, or null.
inline const CompiledPatch* preferred_patch(const CompiledTrie& trie, std::u16string_view key) {
  const uint32_t node = trie.find(key);
  if (node == kNoIndex) return nullptr;
  const uint32_t value = trie.preferred_value(node);
  return value == kNoIndex ? nullptr : &trie.patch(value);
}

// Applies `patch` to `word` whose key is in `scratch.key`: directly on the
// UTF-8 bytes when `allow_direct`, else through the UTF-16 stem.
StemView render_stem(const CompiledPatch& patch, std::string_view word, StemScratch& scratch,
                     bool allow_direct);

// The key of an ASCII word: the word itself, or its ASCII lowercase written to `buffer`.
inline std::string_view ascii_key(const CompiledTrie& trie, std::string_view word, std::string& buffer) {
  if (trie.case_mode() == CaseMode::kAsIs) return word;
  // An ASCII word lowercases per character under every case mode but AS_IS
  // (no ASCII letter has a special or context-dependent lowercase mapping).
  size_t i = 0;
  while (i < word.size() && !is_ascii_upper(uint8_t(word[i]))) ++i;
  if (i == word.size()) return word;
  buffer.assign(word);
  for (; i < word.size(); ++i) {
    const uint8_t c = uint8_t(word[i]);
    if (is_ascii_upper(c)) buffer[i] = char(ascii_lower(c));
  }
  return buffer;
}

// finish_ascii for the patch kinds other than keeping or cutting the end.
std::optional<StemView> finish_ascii_patch(const CompiledPatch& patch, std::string_view key,
                                           StemScratch& scratch);

// The stem of an ASCII key whose walk gave the preferred value `value`
// (kNoIndex when it found none).
// PERF NOTE: most stems keep the word or cut its end; on an ASCII key both are
// slices of the key, taken here inline.
inline std::optional<StemView> finish_ascii(const CompiledTrie& trie, uint32_t value, std::string_view key,
                                            StemScratch& scratch) {
  if (value == kNoIndex) return std::nullopt;
  const CompiledPatch& patch = trie.patch(value);
  if (patch.kind == PatchKind::kPreserve) return StemView{key, StemPath::kDirectSlice};
  if (patch.kind == PatchKind::kDeleteSuffix) {
    // A command that deletes the whole word or more keeps it.
    const size_t cut = patch.delete_count >= key.size() ? 0 : size_t(patch.delete_count);
    return StemView{key.substr(0, key.size() - cut), StemPath::kDirectSlice};
  }
  return finish_ascii_patch(patch, key, scratch);
}

// Stems `word` (valid UTF-8); nullopt when the trie has no stem for it (the
// Python layer decides what a miss shows as). ASCII
// words take a byte-level path: their key is the word itself, or its ASCII
// lowercase, in every mode, so simple patches apply to the key bytes directly
// with exactly the result of the UTF-16 path.
std::optional<StemView> find_stem(const CompiledTrie& trie, std::string_view word,
                                  StemScratch& scratch, bool allow_direct);

}  // namespace velmora

namespace velmora {

// Stems n words in order with one set of scratch buffers. `word_at(i)` gives
// word i as UTF-8, or nullopt for an item that is not a word; `emit(i, stem)`
// receives each result (nullopt: no stem, or not a word) and returns false to
// stop. Returns false when `emit` stopped the loop.
// word_at runs up to kStemGroup words ahead of emit: the words of a group are
// all read first, their ASCII keys walked interleaved, then emitted in order,
// so word_at's views must stay valid until the emit of the same word returns.
inline constexpr size_t kStemGroup = 64;

template <typename WordAt, typename Emit>
bool for_each_stem(const CompiledTrie& trie, size_t n, WordAt&& word_at, Emit&& emit,
                   bool allow_direct) {
  StemScratch scratch;
  std::optional<std::string_view> words[kStemGroup];
  std::string key_buffers[kStemGroup];
  std::string_view keys[kStemGroup];
  uint32_t values[kStemGroup];
  uint32_t slot_of[kStemGroup];
  for (size_t group = 0; group < n; group += kStemGroup) {
    const size_t count = std::min(kStemGroup, n - group);
    size_t n_keys = 0;
    for (size_t j = 0; j < count; ++j) {
      words[j] = word_at(group + j);
      slot_of[j] = kNoIndex;
      if (!words[j] || !is_ascii(*words[j])) continue;
      keys[n_keys] = ascii_key(trie, *words[j], key_buffers[n_keys]);
      slot_of[j] = uint32_t(n_keys++);
    }
    trie.preferred_values_interleaved(keys, n_keys, values);
    for (size_t j = 0; j < count; ++j) {
      std::optional<StemView> stem;
      if (slot_of[j] != kNoIndex) stem = finish_ascii(trie, values[slot_of[j]], keys[slot_of[j]], scratch);
      else if (words[j]) stem = find_stem(trie, *words[j], scratch, allow_direct);
      if (!emit(group + j, stem)) return false;
    }
  }
  return true;
}

}  // namespace velmora
