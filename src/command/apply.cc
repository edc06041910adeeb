// Generic patch application on UTF-16 units: the simple kinds directly and the
// compound kinds through their bounds-checked runners, which also run on the
// bytes of ASCII words.
#include <algorithm>
#include <string>
#include <string_view>

#include "command/compiled_patch.h"

namespace velmora {

namespace {

// Runs the pairs of a backward compound; returns false when a condition fails.
// Every write into `out` is bounds-checked, whatever the command says.
template <typename Unit>
bool run_backward(const CompiledPatch& p, std::basic_string_view<Unit> w, std::basic_string<Unit>& out) {
  const int64_t L = int64_t(w.size());
  const int64_t c = int64_t(out.size());
  // The backward runner fills `out` from its end:
  //   rem:  word units not yet consumed (the word's prefix w[0..rem) is left)
  //   free: stem slots not yet written (out[0..free) is still empty)
  //   cur:  the cursor in the word's own coordinates; may run ahead of `rem`
  //         when a keep run is longer than what remains
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
        out[size_t(free - 1)] = Unit(a);
        free -= 1;
        break;
      default:  // 'R'
        if (cur < 1 || rem <= 0 || free <= 0) return false;
        out[size_t(free - 1)] = Unit(a);
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

template <typename Unit>
bool run_forward(const CompiledPatch& p, std::basic_string_view<Unit> w, std::basic_string<Unit>& out) {
  const int64_t L = int64_t(w.size());
  const int64_t c = int64_t(out.size());
  // The forward runner fills `out` from its start:
  //   i: stem units written so far
  //   s: word units consumed so far (source position)
  //   d: length of the text being edited (the word's length, plus inserts,
  //      minus deletes)
  //   t: the cursor in that edited text
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
        out[size_t(i)] = Unit(a);
        i += 1;
        d += 1;
        t += 1;
        break;
      default:  // 'R'
        if (t < 0 || t >= d || s >= L || i >= c) return false;
        out[size_t(i)] = Unit(a);
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

template <typename Unit>
void apply_compound(const CompiledPatch& p, std::basic_string_view<Unit> w, std::basic_string<Unit>& out) {
  const int64_t L = int64_t(w.size());
  if (uint64_t(L) < p.reach) {
    out.assign(w);
    return;
  }
  int64_t c = L + p.length_delta;
  if (c <= 0) c = L;
  if (c == 0) {
    out.clear();
    return;
  }
  out.assign(size_t(c), Unit(0));
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
      if (p.delete_count >= L) out.assign(w);
      else out.assign(w.substr(0, L - p.delete_count));
      return;
    case PatchKind::kDeletePrefix:
      if (p.delete_count >= L) out.assign(w);
      else out.assign(w.substr(p.delete_count));
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

void apply_compound_ascii(const CompiledPatch& p, std::string_view w, std::string& out) {
  apply_compound(p, w, out);
}

}  // namespace velmora
