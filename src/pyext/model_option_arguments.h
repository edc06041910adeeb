// The three model options (backward, store_original, lowercase) as StemmerCore,
// TrieBuilder and compile take them, converted in one place.
#pragma once

#include "pyext/py_args.h"
#include "runtime/modes.h"

namespace velmora::py {

// Whether a None backward keeps the default: a builder lets an image decide
// the direction, so None there means "not given".
enum class BackwardNone : bool { kRefused, kDefault };

// Converts backward, store_original and lowercase from `a[0..2]` (bound
// arguments; an absent one keeps its default). Returns false with a TypeError set.
inline bool model_option_arguments(PyObject* const* a, ModelOptions& o,
                                   BackwardNone none = BackwardNone::kRefused) {
  const bool backward_given = a[0] && !(none == BackwardNone::kDefault && a[0] == Py_None);
  if (backward_given && !to_bool(a[0], "backward", o.backward)) return false;
  if (a[1] && !to_bool(a[1], "store_original", o.store_original)) return false;
  if (a[2] && !to_bool(a[2], "lowercase", o.lowercase)) return false;
  return true;
}

}  // namespace velmora::py
