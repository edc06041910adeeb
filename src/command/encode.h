// The patch-command encoder: derives the minimal edit program that rewrites a
// word into its stem. Used by the dictionary reader and the builder's rules.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "command/format.h"

namespace velmora {

// The encoder keeps one choice per (word unit, stem unit) pair, a quarter byte
// each: pairs of strings past this many cells (64 MiB of choices) are refused
// by the callers before encoding.
inline constexpr size_t kMaxEncodeCells = size_t(1) << 28;
bool encodable(size_t word_units, size_t stem_units);

// Computes the command of minimal edit cost for `word` -> `stem` with fixed
// tie-breaks. `backward` selects commands that walk the word from its end.
// Units in the surrogate range (arguments or counts) are written as U+FFFD.
// Precondition: encodable(word.size(), stem.size()); callers check it first.
std::u16string encode_patch(std::u16string_view word, std::u16string_view stem, bool backward);

}  // namespace velmora
