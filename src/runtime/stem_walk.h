// The stem walk: stemming one word against a compiled trie (normalize, walk,
// pick the preferred patch, apply it), writing into reusable scratch buffers.
// Native only; the Python engine and the diagnostics make objects from it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "command/direct_utf8.h"
#include "runtime/compiled_trie.h"
#include "runtime/normalize.h"
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
  const uint32_t value = trie.find_value(key);
  return value == kNoIndex ? nullptr : &trie.patch(value);
}

// Applies `patch` to `word` whose key is in `scratch.key`: directly on the
// UTF-8 bytes when `allow_direct`, else through the UTF-16 stem.
StemView render_stem(const CompiledPatch& patch, std::string_view word, StemScratch& scratch,
                     bool allow_direct);

// The key of an ASCII word: the word itself, or its ASCII lowercase written to
// `buffer`. An ASCII word lowercases per character under every case mode but
// AS_IS (no ASCII letter has a special or context-dependent lowercase mapping).
inline std::string_view ascii_key(const CompiledTrie& trie, std::string_view word, std::string& buffer) {
  if (trie.case_mode() == CaseMode::kAsIs || !has_ascii_upper(word)) return word;
  buffer.resize(word.size());
  ascii_lower_into(word, buffer.data());
  return buffer;
}

// finish_ascii for the patch kinds other than keeping or cutting the end.
bool finish_ascii_patch(const CompiledPatch& patch, std::string_view key, StemScratch& scratch,
                        StemView& out);

// The stem of an ASCII key whose walk gave the preferred value `value` into
// `out`; false when the walk found none (kNoIndex).
// PERF NOTE: most stems keep a prefix of the key and append fixed bytes
// (keep the word, cut its end, replace its last letters); a slice of the key
// is taken here inline, a tail written after one in scratch.utf8.
inline bool finish_ascii(const CompiledTrie& trie, uint32_t value, std::string_view key,
                         StemScratch& scratch, StemView& out) {
  if (value == kNoIndex) return false;
  const AsciiEnding& ending = trie.ascii_ending(value);
  if (ending.applies(key.size())) {
    const size_t kept = ending.kept(key.size());
    if (ending.tail_length == 0) {
      out = StemView{key.substr(0, kept), StemPath::kDirectSlice};
      return true;
    }
    char tail[AsciiEnding::kMaxTail];
    store_word(tail, ending.tail);
    scratch.utf8.assign(key.data(), kept);
    scratch.utf8.append(tail, ending.tail_length);
    out = StemView{scratch.utf8, StemPath::kDirectBuffer};
    return true;
  }
  return finish_ascii_patch(trie.patch(value), key, scratch, out);
}

// The three steps of find_stem (the key, the walk, the stem), which the
// diagnostics ladder also runs one at a time.
// A word's key as the walk reads it: an ASCII word's own bytes (lowercased
// into scratch.ascii_key by a lowercasing model), any other word's normalized
// UTF-16, in scratch.key.
struct WordKey {
  bool ascii;
  std::string_view bytes;  // the ASCII key
};

inline WordKey word_key(const CompiledTrie& trie, std::string_view word, StemScratch& scratch) {
  if (is_ascii(word)) return {true, ascii_key(trie, word, scratch.ascii_key)};
  normalize_word(trie.case_mode(), trie.diacritic_mode(), word, scratch.key);
  return {false, {}};
}

// The preferred value the walk of `key` finds, or kNoIndex.
inline uint32_t key_value(const CompiledTrie& trie, const WordKey& key, const StemScratch& scratch) {
  return key.ascii ? trie.find_value(reinterpret_cast<const unsigned char*>(key.bytes.data()), key.bytes.size())
                   : trie.find_value(scratch.key);
}

// The stem of `word`, whose key and value those steps gave, into `out`;
// false for no value.
inline bool finish_stem(const CompiledTrie& trie, std::string_view word, const WordKey& key, uint32_t value,
                        StemScratch& scratch, bool allow_direct, StemView& out) {
  if (key.ascii) return finish_ascii(trie, value, key.bytes, scratch, out);
  if (value == kNoIndex) return false;
  out = render_stem(trie.patch(value), word, scratch, allow_direct);
  return true;
}

// Stems `word` (valid UTF-8) into `out`; false when the trie has no stem for
// it (the Python layer decides what a miss shows as). ASCII words take a
// byte-level path: their key is the word itself, or its ASCII lowercase, in
// every mode, so simple patches apply to the key bytes directly with exactly
// the result of the UTF-16 path.
inline bool find_stem(const CompiledTrie& trie, std::string_view word, StemScratch& scratch, bool allow_direct,
                      StemView& out) {
  const WordKey key = word_key(trie, word, scratch);
  return finish_stem(trie, word, key, key_value(trie, key, scratch), scratch, allow_direct, out);
}

inline std::optional<StemView> find_stem(const CompiledTrie& trie, std::string_view word,
                                         StemScratch& scratch, bool allow_direct) {
  StemView stem;
  if (!find_stem(trie, word, scratch, allow_direct, stem)) return std::nullopt;
  return stem;
}

}  // namespace velmora

namespace velmora {

// What word_at found at an index.
enum class WordKind : uint8_t {
  kNotAWord,    // a null row or an item that is not text
  kWord,        // UTF-8 text
};

// Stems n words in order with one set of scratch buffers. `word_at(i, word)`
// sets word i (UTF-8) and says what it is; `emit(i, stem)` receives each
// result (null: no stem, or not a word) and returns false to stop. Returns
// false when `emit` stopped the loop.
// word_at runs up to kStemGroup words ahead of emit: the words of a group are
// all read first, their ASCII keys laid end to end and walked together (on
// the wide lanes where the processor has them, else the interleaved scalar
// lanes), then emitted in order, so word_at's views must stay valid until
// the emit of the same word returns. A stem's view lasts until its emit returns.
// PERF NOTE: words and stems pass as a kind and a view, not as optionals: the
// one-byte flag written and the whole optional read back stalled the store
// buffer on every word.
// Measured (English list, alternating builds): with the scalar lanes, groups
// of 32 and 128 came within 2-5% of 64; the wide lanes keep 48 walks going
// and want more keys than that: with them, groups of 256 made stem_batch 9%
// faster than groups of 64, and a Polish batch 6%.
inline constexpr size_t kStemGroup = 256;

template <typename WordAt, typename Emit>
bool for_each_stem(const CompiledTrie& trie, size_t n, WordAt&& word_at, Emit&& emit,
                   bool allow_direct) {
  StemScratch scratch;
  std::string_view words[kStemGroup];
  bool is_word[kStemGroup];
  uint32_t values[kStemGroup];
  uint32_t slot_of[kStemGroup];
  size_t key_starts[kStemGroup + 1];
  // The group's ASCII keys end to end, lowercased as the model lowercases,
  // then slack the walks may read.
  std::string keys;
  const bool lower = trie.case_mode() != CaseMode::kAsIs;
  auto key_at = [&](size_t k) { return std::string_view(keys).substr(key_starts[k], key_starts[k + 1] - key_starts[k]); };
  trie.prefetch_tables(n);
  for (size_t group = 0; group < n; group += kStemGroup) {
    const size_t count = std::min(kStemGroup, n - group);
    size_t n_keys = 0, bytes = 0;
    for (size_t j = 0; j < count; ++j) {
      std::string_view word;
      is_word[j] = word_at(group + j, word) != WordKind::kNotAWord;
      words[j] = is_word[j] ? word : std::string_view();
      bytes += words[j].size();
    }
    // PERF NOTE: the words are copied end to end first and checked for ASCII
    // as one run, which nearly always passes. Measured on the English list
    // (time-stamp ticks a word, reading the group up to its walk): a check
    // and a growing append per word 29; this 19 (20 copying through memcpy).
    keys.resize(bytes + 16);
    char* const to = keys.data();
    // Word j as key k: its bytes to key_starts[k], slot_of[j] = k.
    auto take = [&](size_t j) {
      copy_bytes(words[j].data(), words[j].size(), to + key_starts[n_keys]);
      key_starts[n_keys + 1] = key_starts[n_keys] + words[j].size();
      slot_of[j] = uint32_t(n_keys++);
    };
    key_starts[0] = 0;
    for (size_t j = 0; j < count; ++j) {
      slot_of[j] = kNoIndex;
      if (is_word[j]) take(j);
    }
    if (!is_ascii(std::string_view(to, bytes))) {
      // Only the ASCII words are keys; the others take the general path.
      n_keys = 0;
      for (size_t j = 0; j < count; ++j) {
        slot_of[j] = kNoIndex;
        if (is_word[j] && is_ascii(words[j])) take(j);
      }
    }
    std::memset(to + key_starts[n_keys], 0, 16);
    if (lower) ascii_lower_into(std::string_view(to, key_starts[n_keys]), to);
    trie.preferred_values_of_run(keys.data(), key_starts, n_keys, values);
    for (size_t j = 0; j < count; ++j) {
      StemView stem;
      const bool found = slot_of[j] != kNoIndex
                             ? finish_ascii(trie, values[slot_of[j]], key_at(slot_of[j]), scratch, stem)
                             : is_word[j] && find_stem(trie, words[j], scratch, allow_direct, stem);
      if (!emit(group + j, found ? &stem : nullptr)) return false;
    }
  }
  return true;
}

}  // namespace velmora
