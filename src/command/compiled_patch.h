// The pre-decoded form of a patch command, its compilation (compile.cc) and its
// generic application on UTF-16 units (apply.cc). The runtime trie holds one
// CompiledPatch per distinct command; the direct UTF-8 forms are in direct_utf8.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "util/expected.h"

namespace velmora {

// Fixed order: diagnostic counters are indexed by it.
enum class PatchKind : uint16_t {
  kPreserve = 0,
  kDeleteSuffix = 1,
  kDeletePrefix = 2,
  kAppendChar = 3,
  kPrependChar = 4,
  kReplaceLastChar = 5,
  kReplaceFirstChar = 6,
  kBackwardCompound = 7,
  kForwardCompound = 8,
};
inline constexpr size_t kPatchKindCount = 9;

// Labels reported by the diagnostics, indexed by PatchKind.
extern const char* const kPatchKindLabels[kPatchKindCount];

struct CompiledPatch {
  PatchKind kind = PatchKind::kPreserve;
  uint16_t unit = 0;           // argument of kinds 3 to 6
  int32_t length_delta = 0;    // compound kinds: stem length minus word length
  // One slot, named for what each kind keeps in it (a kind reads only its own name).
  union {
    uint64_t delete_count = 0;  // kinds 1, 2: units to delete
    uint64_t reach;             // compound kinds: units the pairs touch; a shorter word is kept
  };
  // Compound kinds: every unit the pairs insert or replace with is ASCII, so
  // on an ASCII word the patch can run on the bytes themselves.
  bool ascii_units = true;
  std::vector<uint8_t> opcodes;     // compound kinds: '-', 'D', 'I', 'R' per pair
  std::vector<uint32_t> arguments;  // compound kinds: decoded count or unit per pair
};

// Compiles a command for the given traversal direction. Fails with
// "Unknown opcode: X" or "Invalid NOOP arg".
Expected<CompiledPatch> compile_patch(std::u16string_view command, bool backward);

// Writes the stem of `word` (normalized units, natural order) into `out`
// (cleared first). A command that does not fit the word yields the word.
void apply_patch(const CompiledPatch& patch, std::u16string_view word, std::u16string& out);

// apply_patch on an ASCII word's bytes, for a compound patch whose
// ascii_units holds: the same result, as bytes.
void apply_compound_ascii(const CompiledPatch& patch, std::string_view word, std::string& out);

}  // namespace velmora
