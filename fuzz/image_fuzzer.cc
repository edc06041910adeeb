// Model bytes, image or dictionary, gzip or plain: loading must either fail with
// a message or give a trie that answers lookups, never crash or read out of bounds.
// The checked load (binary text, no entries, warnings) must agree with it: it
// refuses more, never loads what the plain load refuses.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "model/model_loading.h"
#include "runtime/stem_walk.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace velmora;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  auto trie = trie_from_model_bytes(bytes, ModelOptions{.lowercase = size % 2 == 0});
  const FileNaming naming{"'fuzz'", "model"};
  auto checked = load_model_bytes(bytes, ModelOptions{.lowercase = size % 2 == 0}, LookupMode::kFirst, &naming);
  if (checked && !trie) std::abort();
  if (!trie) return 0;
  StemScratch scratch;
  for (LookupMode lookup : {LookupMode::kFirst, LookupMode::kLast, LookupMode::kAll}) {
    (*trie)->set_lookup_mode(lookup);
    for (std::string_view word : {"running", "", "a", "Na\xC3\xAFve", "\xF0\x9F\x98\x80x"}) {
      (void)find_stem(**trie, word, scratch, (*trie)->direct_output_allowed());
      (void)(*trie)->stem_all(word);
    }
  }
  return 0;
}
