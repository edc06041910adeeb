// Patch commands from untrusted images applied to random words: never out of
// bounds, and the direct UTF-8 forms agree with the generic path.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "command/compiled_patch.h"
#include "command/direct_utf8.h"
#include "util/utf.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace velmora;
  if (size < 2) return 0;
  // First byte: command length in units; then the command units (2 bytes each); the rest is the word.
  const size_t units = std::min<size_t>(data[0], (size - 1) / 2);
  std::u16string command;
  for (size_t i = 0; i < units; ++i) command.push_back(char16_t(data[1 + 2 * i] | (data[2 + 2 * i] << 8)));
  const std::string_view raw(reinterpret_cast<const char*>(data + 1 + 2 * units), size - 1 - 2 * units);
  std::u16string word;
  append_utf16_lossy(raw, word);
  const std::string word_utf8 = to_utf8(word);  // valid UTF-8; surrogate-free
  for (bool backward : {true, false}) {
    auto patch = compile_patch(command, backward);
    if (!patch) continue;
    std::u16string stem;
    apply_patch(*patch, word, stem);
    const std::string expected = to_utf8(stem);
    const size_t length = utf16_length(word_utf8);
    if (auto range = apply_direct_slice(*patch, word_utf8, length)) {
      if (word_utf8.substr(range->offset, range->length) != expected) std::abort();
    }
    std::string buffer;
    if (apply_direct_buffer(*patch, word_utf8, length, buffer) && buffer != expected) std::abort();
  }
  return 0;
}
