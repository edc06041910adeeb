// Word normalization: turns a word (UTF-8) into its trie key (UTF-16 units in
// natural order) under a case mode and a diacritic mode.
// Used by the compiled trie, the stem walk and the diagnostics.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "runtime/modes.h"

namespace velmora {

// Fills `out` (cleared first) with the key of `word`, which must be valid UTF-8.
void normalize_word(CaseMode case_mode, DiacriticMode diacritic_mode, std::string_view word,
                    std::u16string& out);

// The key under DiacriticMode::kRemove, appended to `out`. The text goes
// through in pieces of at most `max_piece_units` units (clamped to
// kMaxNormalizationPiece), which bounds the temporaries of a long text, cut
// where the pieces' keys join into the whole text's; tests pass small pieces
// to check the joins.
inline constexpr size_t kMaxNormalizationPiece = size_t(1) << 26;
void remove_diacritics(CaseMode case_mode, std::string_view word, size_t max_piece_units,
                       std::u16string& out);

}  // namespace velmora
