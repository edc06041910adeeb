// Dictionary text through parsing, building, freezing and writing; the image read
// back must hold exactly what was written.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "train/freeze.h"
#include "runtime/compiled_trie.h"
#include "train/dictionary.h"
#include "image/reader.h"
#include "image/writer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace velmora;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const bool backward = size % 2 == 0;
  auto trie = build_frequency_trie(text, ModelOptions{.backward = backward, .store_original = size % 3 != 0});
  if (!trie) return 0;  // a line or field past the documented bounds
  TrieGraph frozen = freeze(*trie);
  ModelModes modes;
  modes.direction = backward ? TraversalDirection::kBackward : TraversalDirection::kForward;
  auto stream = write_trie_stream(frozen, modes);
  if (!stream) return 0;  // a command longer than the string limit
  auto image = read_compiled_image(*stream);
  if (!image) std::abort();
  if (!(image->graph == frozen) || !(image->modes == modes)) std::abort();
  if (!compile_trie(std::move(frozen), modes)) std::abort();
  return 0;
}
