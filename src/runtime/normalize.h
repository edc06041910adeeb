// Word normalization: turns a word (UTF-8) into its trie key (UTF-16 units in
// natural order) under a case mode and a diacritic mode.
// Used by the compiled trie, the stem walk and the diagnostics.
#pragma once

#include <string>
#include <string_view>

#include "runtime/modes.h"

namespace velmora {

// Fills `out` (cleared first) with the key of `word`, which must be valid UTF-8.
void normalize_word(CaseMode case_mode, DiacriticMode diacritic_mode, std::string_view word,
                    std::u16string& out);

}  // namespace velmora
