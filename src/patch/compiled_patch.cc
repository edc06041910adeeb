#include "patch/compiled_patch.h"

#include <algorithm>

#include "patch/utf16.h"

namespace velmora {

const char* const kPatchKindLabels[kPatchKindCount] = {
    "preserve",          "delete_suffix",      "delete_prefix",     "append_char",
    "prepend_char",      "replace_last_char",  "replace_first_char", "backward_compound",
    "forward_compound",
};

namespace {

Error unknown_opcode(char16_t opcode) {
  std::string message = "Unknown opcode: ";
  append_utf8(std::u16string_view(&opcode, 1), message);
  return invalid_data(std::move(message));
}

CompiledPatch preserve() { return CompiledPatch{}; }

bool is_surrogate(uint32_t u) { return u >= 0xD800 && u <= 0xDFFF; }

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
        if (x <= 0x60) return preserve();
        p.kind = backward ? PatchKind::kDeleteSuffix : PatchKind::kDeletePrefix;
        p.count = x - 96;
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
        if (x <= 0x60) return preserve();
        const uint32_t count = ((x - 97) & 0xFFFF) + 1;
        if (op == u'D') deleted += count;
        p.opcodes.push_back(uint8_t(op));
        p.arguments.push_back(count);
        break;
      }
      case u'I':
      case u'R':
        if (op == u'I') ++inserts;
        p.opcodes.push_back(uint8_t(op));
        p.arguments.push_back(x);
        break;
      case u'N':
        if (x == u'a') return preserve();
        return invalid_data("Invalid NOOP arg");
      default:
        return unknown_opcode(op);
    }
  }
  p.length_delta = int32_t(inserts - deleted);

  int64_t reach = 0;
  if (backward) {
    int64_t pos = 0;
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
  p.count = uint64_t(std::max<int64_t>(reach, 0));
  return p;
}

namespace {

// Runs the pairs of a backward compound; returns false when a condition fails.
// Every write into `out` is bounds-checked, whatever the command says.
bool run_backward(const CompiledPatch& p, std::u16string_view w, std::u16string& out) {
  const int64_t L = int64_t(w.size());
  const int64_t c = int64_t(out.size());
  int64_t rem = L, free = c, cur = L;
  for (size_t k = 0; k < p.opcodes.size(); ++k) {
    const int64_t a = p.arguments[k];
    switch (p.opcodes[k]) {
      case '-': {
        const int64_t take = std::min(rem, a);
        if (free - take < 0) return false;
        std::copy(w.begin() + (rem - take), w.begin() + rem, out.begin() + (free - take));
        rem -= take;
        free -= take;
        cur -= a;
        break;
      }
      case 'D':
        if (cur - a < 0 || rem < a) return false;
        rem -= a;
        cur -= a;
        break;
      case 'I':
        if (cur < 0 || free <= 0) return false;
        out[size_t(free - 1)] = char16_t(a);
        free -= 1;
        break;
      default:  // 'R'
        if (cur < 1 || rem <= 0 || free <= 0) return false;
        out[size_t(free - 1)] = char16_t(a);
        free -= 1;
        rem -= 1;
        cur -= 1;
        break;
    }
  }
  if (rem != free) return false;
  std::copy(w.begin(), w.begin() + rem, out.begin());
  return true;
}

bool run_forward(const CompiledPatch& p, std::u16string_view w, std::u16string& out) {
  const int64_t L = int64_t(w.size());
  const int64_t c = int64_t(out.size());
  int64_t i = 0, s = 0, d = L, t = 0;
  for (size_t k = 0; k < p.opcodes.size(); ++k) {
    const int64_t a = p.arguments[k];
    switch (p.opcodes[k]) {
      case '-': {
        const int64_t take = std::min(L - s, a);
        if (i + take > c) return false;
        std::copy(w.begin() + s, w.begin() + (s + take), out.begin() + i);
        s += take;
        i += take;
        t += a;
        break;
      }
      case 'D': {
        if (t < 0 || d < t) return false;
        const int64_t e = std::min(a, d - t);
        s += e;
        if (s > L) return false;
        d -= e;
        break;
      }
      case 'I':
        if (t < 0 || d < t || i >= c) return false;
        out[size_t(i)] = char16_t(a);
        i += 1;
        d += 1;
        t += 1;
        break;
      default:  // 'R'
        if (t < 0 || t >= d || s >= L || i >= c) return false;
        out[size_t(i)] = char16_t(a);
        i += 1;
        s += 1;
        t += 1;
        break;
    }
  }
  const int64_t rest = L - s;
  if (c - i < rest || c != i + rest) return false;
  std::copy(w.begin() + s, w.end(), out.begin() + i);
  return true;
}

void apply_compound(const CompiledPatch& p, std::u16string_view w, std::u16string& out) {
  const int64_t L = int64_t(w.size());
  if (uint64_t(L) < p.count) {
    out.assign(w);
    return;
  }
  int64_t c = L + p.length_delta;
  if (c <= 0) c = L;
  if (c == 0) {
    out.clear();
    return;
  }
  out.assign(size_t(c), u'\0');
  const bool ok = p.kind == PatchKind::kBackwardCompound ? run_backward(p, w, out)
                                                         : run_forward(p, w, out);
  if (!ok) out.assign(w);
}

}  // namespace

void apply_patch(const CompiledPatch& p, std::u16string_view w, std::u16string& out) {
  const size_t L = w.size();
  switch (p.kind) {
    case PatchKind::kPreserve:
      out.assign(w);
      return;
    case PatchKind::kDeleteSuffix:
      if (p.count >= L) out.assign(w);
      else out.assign(w.substr(0, L - p.count));
      return;
    case PatchKind::kDeletePrefix:
      if (p.count >= L) out.assign(w);
      else out.assign(w.substr(p.count));
      return;
    case PatchKind::kAppendChar:
      out.assign(w);
      out.push_back(char16_t(p.unit));
      return;
    case PatchKind::kPrependChar:
      out.clear();
      out.push_back(char16_t(p.unit));
      out.append(w);
      return;
    case PatchKind::kReplaceLastChar:
      out.assign(w);
      if (L) out[L - 1] = char16_t(p.unit);
      return;
    case PatchKind::kReplaceFirstChar:
      out.assign(w);
      if (L) out[0] = char16_t(p.unit);
      return;
    default:
      apply_compound(p, w, out);
      return;
  }
}

std::optional<ByteRange> apply_direct_slice(const CompiledPatch& p, std::string_view input,
                                            size_t units) {
  const size_t B = input.size();
  if (p.kind == PatchKind::kPreserve) return ByteRange{0, B};
  if (p.kind != PatchKind::kDeleteSuffix && p.kind != PatchKind::kDeletePrefix) return std::nullopt;
  const uint64_t n = p.count;
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
      size_t start = end - 1;
      while (start > 0 && (bytes[start] & 0xC0) == 0x80) --start;
      const uint64_t width = bytes[start] >= 0xF0 ? 2 : 1;
      if (counted + width > n) return std::nullopt;  // would split a surrogate pair
      counted += width;
      end = start;
    }
    return ByteRange{0, end};
  }
  size_t start = 0;
  while (counted < n) {
    const unsigned char b = bytes[start];
    const size_t len = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
    const uint64_t width = b >= 0xF0 ? 2 : 1;
    if (counted + width > n) return std::nullopt;
    counted += width;
    start += len;
  }
  return ByteRange{start, B - start};
}

namespace {

size_t first_char_length(const unsigned char* b) {
  return b[0] < 0x80 ? 1 : b[0] < 0xE0 ? 2 : b[0] < 0xF0 ? 3 : 4;
}

size_t last_char_start(const unsigned char* b, size_t n) {
  size_t start = n - 1;
  while (start > 0 && (b[start] & 0xC0) == 0x80) --start;
  return start;
}

}  // namespace

bool apply_direct_buffer(const CompiledPatch& p, std::string_view input, size_t units,
                         std::string& out) {
  out.clear();
  const uint32_t unit = p.unit;
  const uint32_t safe_unit = is_surrogate(unit) ? 0xFFFD : unit;
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
    case PatchKind::kReplaceLastChar: {
      if (units == 0) {
        out.append(input);
        return true;
      }
      if (is_surrogate(unit) || input.empty()) return false;
      const size_t start = last_char_start(bytes, input.size());
      if (bytes[start] >= 0xF0) return false;
      out.append(input.substr(0, start));
      append_code_point_utf8(unit, out);
      return true;
    }
    case PatchKind::kReplaceFirstChar: {
      if (units == 0) {
        out.append(input);
        return true;
      }
      if (is_surrogate(unit) || input.empty()) return false;
      if (bytes[0] >= 0xF0) return false;
      append_code_point_utf8(unit, out);
      out.append(input.substr(first_char_length(bytes)));
      return true;
    }
    default:
      return false;
  }
}

}  // namespace velmora
