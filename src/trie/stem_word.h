// The native part of stemming one word against a compiled trie: normalize,
// walk, pick the preferred patch and apply it, writing into reusable scratch
// buffers. Python objects are made by the caller.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "trie/compiled_trie.h"

namespace velmora {

// Buffers reused across the words of one call.
struct StemScratch {
  std::u16string key;
  std::u16string stem;
  std::string utf8;
};

// How a stem was produced; diagnostics count these.
enum class StemPath : uint8_t { kDirectSlice, kDirectBuffer, kGeneric };

struct StemView {
  std::string_view text;  // points into the input word or into scratch.utf8
  StemPath path;
};

// The preferred patch for the normalized key already in `scratch.key`, or null.
inline const CompiledPatch* preferred_patch(const CompiledTrie& trie, std::u16string_view key) {
  const uint32_t node = trie.find(key);
  if (node == kNoNode) return nullptr;
  const uint32_t value = trie.preferred_value(node);
  return value == kNoValue ? nullptr : &trie.patch(value);
}

// Applies `patch` to `word` whose key is in `scratch.key`: directly on the
// UTF-8 bytes when `allow_direct`, else through the UTF-16 stem.
StemView render_stem(const CompiledPatch& patch, std::string_view word, StemScratch& scratch,
                     bool allow_direct);

// Stems `word` (valid UTF-8); nullopt when the trie has no stem for it.
std::optional<StemView> stem_word(const CompiledTrie& trie, std::string_view word,
                                  StemScratch& scratch, bool allow_direct);

}  // namespace velmora
