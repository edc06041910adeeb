// The direct forms: the stem produced straight from the input's UTF-8 bytes for
// the patch kinds whose effect on UTF-16 units maps onto whole characters.
#include "command/direct_utf8.h"

#include "util/utf.h"

namespace velmora {

std::optional<ByteRange> apply_direct_slice(const CompiledPatch& p, std::string_view input,
                                            size_t units) {
  const size_t B = input.size();
  if (p.kind == PatchKind::kPreserve) return ByteRange{0, B};
  if (p.kind != PatchKind::kDeleteSuffix && p.kind != PatchKind::kDeletePrefix) return std::nullopt;
  const uint64_t n = p.delete_count;
  if (n >= units) return ByteRange{0, B};
  const bool suffix = p.kind == PatchKind::kDeleteSuffix;
  if (units == B) {  // every byte is ASCII
    return suffix ? ByteRange{0, B - n} : ByteRange{n, B - n};
  }
  const auto* bytes = reinterpret_cast<const unsigned char*>(input.data());
  uint64_t counted = 0;
  if (suffix) {
    size_t end = B;
    while (counted < n) {
      const size_t start = utf8_last_char_start(bytes, end);
      const uint64_t width = utf16_units_of_lead(bytes[start]);
      if (counted + width > n) return std::nullopt;  // would split a surrogate pair
      counted += width;
      end = start;
    }
    return ByteRange{0, end};
  }
  size_t start = 0;
  while (counted < n) {
    const unsigned char b = bytes[start];
    const uint64_t width = utf16_units_of_lead(b);
    if (counted + width > n) return std::nullopt;
    counted += width;
    start += utf8_sequence_length(b);
  }
  return ByteRange{start, B - start};
}

bool apply_direct_buffer(const CompiledPatch& p, std::string_view input, size_t units,
                         std::string& out) {
  out.clear();
  const uint32_t unit = p.unit;
  const uint32_t safe_unit = is_surrogate(unit) ? kReplacementCharacter : unit;
  const auto* bytes = reinterpret_cast<const unsigned char*>(input.data());
  switch (p.kind) {
    case PatchKind::kAppendChar:
      out.append(input);
      append_code_point_utf8(safe_unit, out);
      return true;
    case PatchKind::kPrependChar:
      append_code_point_utf8(safe_unit, out);
      out.append(input);
      return true;
    case PatchKind::kReplaceLastChar:
    case PatchKind::kReplaceFirstChar: {
      if (units == 0) {
        out.append(input);
        return true;
      }
      if (is_surrogate(unit) || input.empty()) return false;
      // The replaced character spans bytes [start, end) of the input.
      const bool last = p.kind == PatchKind::kReplaceLastChar;
      const size_t start = last ? utf8_last_char_start(bytes, input.size()) : 0;
      // A four-byte character is two units: the command replaces only half of it.
      if (utf16_units_of_lead(bytes[start]) == 2) return false;
      const size_t end = last ? input.size() : utf8_sequence_length(bytes[0]);
      out.append(input.substr(0, start));
      append_code_point_utf8(unit, out);
      out.append(input.substr(end));
      return true;
    }
    default:
      return false;
  }
}

}  // namespace velmora
