// The ASCII ending of a compiled patch: the patches whose stem of an ASCII
// word is a prefix of the word followed by fixed ASCII bytes (keeping the
// word, deleting a suffix, appending or replacing last letters), in a form
// the runtime applies with a copy and one store. Derived here from the
// patch and checked against the generic application; the runtime trie keeps
// one per patch.
#pragma once

#include <cstddef>
#include <cstdint>

#include "command/compiled_patch.h"

namespace velmora {

struct AsciiEnding {
  static constexpr uint32_t kNone = 0xFFFFFFFFu;
  static constexpr size_t kMaxTail = 8;
  uint32_t cut = kNone;     // units cut from the word's end; kNone: no ending form
  uint16_t min_length = 0;  // a shorter word takes the patch's own code
  uint8_t tail_length = 0;  // bytes of `tail` appended
  uint64_t tail = 0;        // the appended bytes, the first in the low byte

  // Whether the ending makes the stem of a word of `length` units.
  bool applies(size_t length) const { return cut != kNone && length >= min_length; }
  // The units of such a word the stem keeps: a cut at least as long as the
  // word (a suffix deletion that does not fit) keeps it whole.
  size_t kept(size_t length) const { return cut < length ? length - cut : length; }
  // How much longer than its word a stem can be.
  size_t growth() const { return cut == kNone || tail_length <= cut ? 0 : tail_length - cut; }
};

// The ending of `patch` (compiled for a backward or forward trie): every
// word of at least min_length units gets exactly the stem apply_patch gives.
AsciiEnding ascii_ending(const CompiledPatch& patch);

}  // namespace velmora
