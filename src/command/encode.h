// The patch-command encoder: derives the minimal edit program that rewrites a
// word into its stem. Used by the dictionary reader and the builder's rules.
#pragma once

#include <string>
#include <string_view>

#include "command/format.h"

namespace velmora {

// Computes the command of minimal edit cost for `word` -> `stem` with fixed
// tie-breaks. `backward` selects commands that walk the word from its end.
// Units in the surrogate range (arguments or counts) are written as U+FFFD.
std::u16string encode_patch(std::u16string_view word, std::u16string_view stem, bool backward);

}  // namespace velmora
