#include "runtime/stem_walk.h"

#include "util/utf.h"
#include "command/direct_utf8.h"
#include "runtime/normalize.h"

namespace velmora {

namespace {

// Applies `patch` to `text` of `units` UTF-16 units: directly on the bytes when
// allowed, else on the UTF-16 key, which is in scratch.key or, for an ASCII
// `text` that is its own key (`widen`), made from the bytes on demand.
StemView render(const CompiledPatch& patch, std::string_view text, size_t units, StemScratch& scratch,
                bool allow_direct, bool widen) {
  if (allow_direct) {
    if (auto range = apply_direct_slice(patch, text, units)) {
      return {text.substr(range->offset, range->length), StemPath::kDirectSlice};
    }
    if (apply_direct_buffer(patch, text, units, scratch.utf8)) {
      return {scratch.utf8, StemPath::kDirectBuffer};
    }
  }
  if (widen) scratch.key.assign(text.begin(), text.end());
  apply_patch(patch, scratch.key, scratch.stem);
  scratch.utf8.clear();
  append_utf8(scratch.stem, scratch.utf8);
  return {scratch.utf8, StemPath::kGeneric};
}

}  // namespace

StemView render_stem(const CompiledPatch& patch, std::string_view word, StemScratch& scratch,
                     bool allow_direct) {
  return render(patch, word, scratch.key.size(), scratch, allow_direct, false);
}

bool finish_ascii_patch(const CompiledPatch& patch, std::string_view key, StemScratch& scratch,
                        StemView& out) {
  // A compound patch that inserts only ASCII runs on the key's bytes (its
  // UTF-8 is the key itself); the rest takes the direct forms or the UTF-16 path.
  if ((patch.kind == PatchKind::kBackwardCompound || patch.kind == PatchKind::kForwardCompound) &&
      patch.ascii_units) {
    apply_compound_ascii(patch, key, scratch.utf8);
    out = StemView{scratch.utf8, StemPath::kDirectBuffer};
    return true;
  }
  out = render(patch, key, key.size(), scratch, true, true);
  return true;
}

}  // namespace velmora
