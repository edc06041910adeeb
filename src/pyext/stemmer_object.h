// The StemmerCore instance layout, shared by the class and its diagnostic methods.
#pragma once

#include "pyext/py_ref.h"
#include "pyext/stem_engine.h"

namespace velmora::py {

struct StemmerCoreObject {
  PyObject_HEAD
  // Immutable after construction, so methods read it without any borrow flag.
  StemEngine* engine;
};

inline StemmerCoreObject* as_stemmer(PyObject* self) {
  return reinterpret_cast<StemmerCoreObject*>(self);
}
inline const StemEngine& engine_of(PyObject* self) { return *as_stemmer(self)->engine; }

}  // namespace velmora::py
