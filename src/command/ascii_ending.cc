#include "command/ascii_ending.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace velmora {

namespace {

// The ending a patch's kind and arguments describe, before it is checked.
AsciiEnding described_ending(const CompiledPatch& p) {
  AsciiEnding e;
  auto add_tail = [&e](uint32_t unit) {
    if (unit >= 0x80 || e.tail_length >= AsciiEnding::kMaxTail) return false;
    e.tail |= uint64_t(unit) << (8 * e.tail_length++);
    return true;
  };
  switch (p.kind) {
    case PatchKind::kPreserve:
      e.cut = 0;
      return e;
    case PatchKind::kDeleteSuffix:
      if (p.delete_count < AsciiEnding::kNone) e.cut = uint32_t(p.delete_count);
      return e;
    case PatchKind::kAppendChar:
    case PatchKind::kReplaceLastChar:
      if (add_tail(p.unit)) e.cut = p.kind == PatchKind::kReplaceLastChar ? 1 : 0;
      return e;
    case PatchKind::kBackwardCompound: {
      // Pairs that only delete, insert and replace, from the end: the word
      // loses the units they consume and ends in the units they write, the
      // last written first. A pair that keeps units makes no such ending.
      uint64_t consumed = 0;
      std::u16string written;
      for (size_t k = 0; k < p.opcodes.size(); ++k) {
        const uint32_t a = p.arguments[k];
        switch (p.opcodes[k]) {
          case 'D': consumed += a; break;
          case 'I': written.insert(written.begin(), char16_t(a)); break;
          case 'R':
            consumed += 1;
            written.insert(written.begin(), char16_t(a));
            break;
          default: return AsciiEnding{};
        }
      }
      if (written.empty() || consumed >= AsciiEnding::kNone) return AsciiEnding{};
      for (char16_t u : written) {
        if (!add_tail(u)) return AsciiEnding{};
      }
      e.cut = uint32_t(consumed);
      return e;
    }
    default:
      return e;
  }
}

// The ending's stem of `word`, as apply_patch would write it.
std::u16string ending_stem(const AsciiEnding& e, const std::u16string& word) {
  std::u16string stem = word.substr(0, e.kept(word.size()));
  for (size_t i = 0; i < e.tail_length; ++i) stem.push_back(char16_t((e.tail >> (8 * i)) & 0xFF));
  return stem;
}

}  // namespace

AsciiEnding ascii_ending(const CompiledPatch& patch) {
  AsciiEnding e = described_ending(patch);
  if (e.cut == AsciiEnding::kNone || e.tail_length == 0) return e;  // slices need no check
  // The stem is the generic one on every length from min_length on: checked
  // on words of every length up to well past what the patch touches (where
  // its conditions, all of the form "length at least n", have long held).
  const uint64_t reach = patch.kind == PatchKind::kBackwardCompound ? patch.reach : 1;
  const uint64_t top = std::max<uint64_t>(reach, e.cut) + 16;
  if (top > UINT16_MAX) return AsciiEnding{};
  std::u16string word, stem;
  size_t first_fit = top + 1;
  for (size_t length = top + 1; length-- > 0;) {
    word.clear();
    for (size_t i = 0; i < length; ++i) word.push_back(char16_t('a' + i % 26));
    if (e.cut > 0 && length <= e.cut) break;  // kept() keeps such a word whole
    apply_patch(patch, word, stem);
    if (stem != ending_stem(e, word)) break;
    first_fit = length;
  }
  if (first_fit > top) return AsciiEnding{};
  e.min_length = uint16_t(first_fit);
  return e;
}

}  // namespace velmora
