// The patch-command format shared by the encoder (which writes commands) and
// the compiler (which reads them): a command is UTF-16 text of (opcode,
// argument) pairs, applied from the word's end for backward models and from
// its start for forward ones.
//   '-' n   keep n units          'D' n   delete n units
//   'I' c   insert unit c         'R' c   replace one unit by c
//   'N' 'a' the identity (a no-op pair)
#pragma once

#include <cstdint>
#include <string_view>

namespace velmora {

// Run lengths (the argument of '-' and 'D') are written as the unit
// kCountBase + n, so that a run of 1 is 'a', 2 is 'b' and so on: commands for
// ordinary words stay printable lowercase letters, and a unit at or below the
// base can never be a valid count.
inline constexpr uint32_t kCountBase = 96;

// Largest run that one count unit can carry: kCountBase + n must stay below
// the surrogate range (0xD800). Longer runs are written as several pairs.
inline constexpr uint32_t kMaxRunPerPair = 0xD800 - 1 - kCountBase;
static_assert(kMaxRunPerPair == 55199);

inline constexpr char16_t count_unit(uint32_t run) { return char16_t(kCountBase + run); }
// The run a count unit carries; meaningful only when has_count(unit).
inline constexpr uint32_t run_of(uint32_t unit) { return unit - kCountBase; }
inline constexpr bool has_count(uint32_t unit) { return unit > kCountBase; }

// The identity command: rewrites a word into itself.
inline constexpr std::u16string_view kIdentityCommand = u"Na";
// The argument of the no-op pair: the count unit of a run of 1.
inline constexpr char16_t kNoOpArgument = u'a';
static_assert(kNoOpArgument == count_unit(1));

}  // namespace velmora
