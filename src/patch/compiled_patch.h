// Patch compilation and application: the pre-decoded CompiledPatch form of a
// PatchCommand, the generic application on UTF-16 units and the two direct
// forms that produce the stem straight from the input's UTF-8 bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
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
  uint64_t count = 0;          // kinds 1, 2: units to delete; compound kinds: reach
  std::vector<uint8_t> opcodes;     // compound kinds: '-', 'D', 'I', 'R' per pair
  std::vector<uint32_t> arguments;  // compound kinds: decoded count or unit per pair

  uint64_t reach() const { return count; }
};

// Compiles a command for the given traversal direction. Fails with
// "Unknown opcode: X" or "Invalid NOOP arg".
Expected<CompiledPatch> compile_patch(std::u16string_view command, bool backward);

// Writes the stem of `word` (normalized units, natural order) into `out`
// (cleared first). A command that does not fit the word yields the word.
void apply_patch(const CompiledPatch& patch, std::u16string_view word, std::u16string& out);

// A byte range of the input that is the stem, for inputs whose normalized
// units equal their UTF-8 text. `units` is the input's UTF-16 length.
struct ByteRange {
  size_t offset;
  size_t length;
};
std::optional<ByteRange> apply_direct_slice(const CompiledPatch& patch, std::string_view input,
                                             size_t units);

// Writes the stem as UTF-8 into `out` (cleared first) for the single-unit
// insert/replace kinds; returns false when the generic path must run.
bool apply_direct_buffer(const CompiledPatch& patch, std::string_view input, size_t units,
                         std::string& out);

}  // namespace velmora
