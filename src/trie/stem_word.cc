#include "trie/stem_word.h"

#include "patch/utf16.h"
#include "trie/normalize.h"

namespace velmora {

StemView render_stem(const CompiledPatch& patch, std::string_view word, StemScratch& scratch,
                     bool allow_direct) {
  if (allow_direct) {
    const size_t units = scratch.key.size();
    if (auto range = apply_direct_slice(patch, word, units)) {
      return {word.substr(range->offset, range->length), StemPath::kDirectSlice};
    }
    if (apply_direct_buffer(patch, word, units, scratch.utf8)) {
      return {scratch.utf8, StemPath::kDirectBuffer};
    }
  }
  apply_patch(patch, scratch.key, scratch.stem);
  scratch.utf8.clear();
  append_utf8(scratch.stem, scratch.utf8);
  return {scratch.utf8, StemPath::kGeneric};
}

std::optional<StemView> stem_word(const CompiledTrie& trie, std::string_view word,
                                  StemScratch& scratch, bool allow_direct) {
  normalize_word(trie.case_mode(), trie.diacritic_mode(), word, scratch.key);
  const CompiledPatch* patch = preferred_patch(trie, scratch.key);
  if (!patch) return std::nullopt;
  return render_stem(*patch, word, scratch, allow_direct);
}

}  // namespace velmora
