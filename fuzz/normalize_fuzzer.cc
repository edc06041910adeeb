// Word normalization on arbitrary text in all four mode combinations.
#include <cstddef>
#include <cstdint>
#include <string>

#include "util/utf.h"
#include "runtime/normalize.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace velmora;
  std::u16string units;
  append_utf16_lossy(std::string_view(reinterpret_cast<const char*>(data), size), units);
  const std::string word = to_utf8(units);
  std::u16string key;
  for (CaseMode c : {CaseMode::kLowercaseWithLocaleRoot, CaseMode::kAsIs}) {
    for (DiacriticMode d : {DiacriticMode::kAsIs, DiacriticMode::kRemove}) {
      normalize_word(c, d, word, key);
      if (c == CaseMode::kAsIs && d == DiacriticMode::kAsIs && key != units) __builtin_trap();
    }
  }
  return 0;
}
