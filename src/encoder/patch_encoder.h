// The patch command encoder: derives the minimal edit program (a PatchCommand,
// held as UTF-16 text of opcode/argument pairs) that rewrites a word into its stem.
#pragma once

#include <string>
#include <string_view>

namespace velmora {

// The identity command: rewrites a word into itself.
inline constexpr std::u16string_view kIdentityCommand = u"Na";

// Largest run that one count unit can carry: 96 + n must stay below the
// surrogate range. Longer runs are written as several pairs.
inline constexpr unsigned kMaxRunPerPair = 55199;

// Computes the command of minimal edit cost for `word` -> `stem` with fixed
// tie-breaks. `backward` selects commands that walk the word from its end.
// Units in the surrogate range (arguments or counts) are written as U+FFFD.
std::u16string encode_patch(std::u16string_view word, std::u16string_view stem, bool backward);

}  // namespace velmora
