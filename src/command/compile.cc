#include "command/compiled_patch.h"

#include <algorithm>

#include "command/format.h"
#include "util/utf.h"
#include "util/error_texts.h"

namespace velmora {

const char* const kPatchKindLabels[kPatchKindCount] = {
    "preserve",          "delete_suffix",      "delete_prefix",     "append_char",
    "prepend_char",      "replace_last_char",  "replace_first_char", "backward_compound",
    "forward_compound",
};

namespace {

Error unknown_opcode(char16_t opcode) {
  std::string message = texts::kUnknownOpcode;
  append_utf8(std::u16string_view(&opcode, 1), message);
  return invalid_data(std::move(message));
}

CompiledPatch preserve() { return CompiledPatch{}; }

}  // namespace

Expected<CompiledPatch> compile_patch(std::u16string_view command, bool backward) {
  const size_t n = command.size();
  if (n == 0 || n % 2 != 0) return preserve();

  if (n == 2) {
    const char16_t op = command[0];
    const uint32_t x = command[1];
    CompiledPatch p;
    switch (op) {
      case u'D':
        if (!has_count(x)) return preserve();
        p.kind = backward ? PatchKind::kDeleteSuffix : PatchKind::kDeletePrefix;
        p.delete_count = run_of(x);
        return p;
      case u'-':
      case u'N':
        return preserve();
      case u'I':
        p.kind = backward ? PatchKind::kAppendChar : PatchKind::kPrependChar;
        p.unit = uint16_t(x);
        return p;
      case u'R':
        p.kind = backward ? PatchKind::kReplaceLastChar : PatchKind::kReplaceFirstChar;
        p.unit = uint16_t(x);
        return p;
      default:
        return unknown_opcode(op);
    }
  }

  CompiledPatch p;
  p.kind = backward ? PatchKind::kBackwardCompound : PatchKind::kForwardCompound;
  p.opcodes.reserve(n / 2);
  p.arguments.reserve(n / 2);
  int64_t inserts = 0, deleted = 0;
  for (size_t k = 0; k < n; k += 2) {
    const char16_t op = command[k];
    const uint32_t x = command[k + 1];
    switch (op) {
      case u'-':
      case u'D': {
        if (!has_count(x)) return preserve();
        const uint32_t count = run_of(x);
        if (op == u'D') deleted += count;
        p.opcodes.push_back(uint8_t(op));
        p.arguments.push_back(count);
        break;
      }
      case u'I':
      case u'R':
        if (op == u'I') ++inserts;
        if (x >= 0x80) p.ascii_units = false;
        p.opcodes.push_back(uint8_t(op));
        p.arguments.push_back(x);
        break;
      case u'N':
        if (x == kNoOpArgument) return preserve();
        return invalid_data(texts::kInvalidNoopArg);
      default:
        return unknown_opcode(op);
    }
  }
  p.length_delta = int32_t(inserts - deleted);

  // The reach: how many units of the word the pairs touch, counted from the
  // end the command walks from. A word shorter than that is left unchanged.
  int64_t reach = 0;
  if (backward) {
    int64_t pos = 0;  // units consumed from the word's end so far
    for (size_t k = 0; k < p.opcodes.size(); ++k) {
      const int64_t a = p.arguments[k];
      switch (p.opcodes[k]) {
        case '-': pos += a; break;
        case 'D': pos += a; reach = std::max(reach, pos); break;
        case 'I': reach = std::max(reach, pos); break;
        default: pos += 1; reach = std::max(reach, pos); break;
      }
    }
  } else {
    // c: units of the word passed so far; t: net units the stem has gained.
    int64_t c = 0, t = 0;
    for (size_t k = 0; k < p.opcodes.size(); ++k) {
      const int64_t a = p.arguments[k];
      switch (p.opcodes[k]) {
        case '-': c += a; break;
        case 'D': reach = std::max(reach, c - t + a); t -= a; break;
        case 'I': reach = std::max(reach, c - t); c += 1; t += 1; break;
        default: reach = std::max(reach, c - t + 1); c += 1; break;
      }
    }
  }
  p.reach = uint64_t(std::max<int64_t>(reach, 0));
  return p;
}

}  // namespace velmora
