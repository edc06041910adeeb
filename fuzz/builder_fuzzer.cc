// Image bytes into a builder, a few edits, then the builder's image loaded
// again: whatever the builder accepts and writes must load. The memory and
// time budgets of `make fuzz` (-rss_limit_mb, -timeout) catch blow-ups.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "model/model_loading.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace velmora;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  auto model = builder_from_model_bytes(bytes, ModelOptions{.backward = size % 2 == 0});
  if (!model) return 0;
  const std::u16string word = size > 3 ? std::u16string(bytes.begin(), bytes.begin() + 3) : u"cats";
  (void)model->trie.insert_rule(word, u"c", InsertMode::kAddCount, 2, model->options);
  model->trie.remove_rule(u"cats", u"cat", model->modes.backward());
  auto image = image_from_builder(model->trie, model->modes);
  if (!image) return 0;  // a command longer than the image's string limit
  if (!trie_from_model_bytes(*image, ModelOptions{})) std::abort();
  return 0;
}
