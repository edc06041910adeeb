// The StemmerCore instance layout and the read-only borrow every method takes.
#pragma once

#include "lib/py_ref.h"
#include "lib/stem_engine.h"

namespace velmora::py {

struct StemmerCoreObject {
  PyObject_HEAD
  StemEngine* engine;
  Py_ssize_t borrows;  // running read-only calls
};

inline StemmerCoreObject* as_stemmer(PyObject* self) {
  return reinterpret_cast<StemmerCoreObject*>(self);
}
inline const StemEngine& engine_of(PyObject* self) { return *as_stemmer(self)->engine; }

// No method needs exclusive access, so taking the shared borrow never fails.
class SharedBorrow {
 public:
  explicit SharedBorrow(PyObject* self) : self_(as_stemmer(self)) { ++self_->borrows; }
  ~SharedBorrow() { --self_->borrows; }
  SharedBorrow(const SharedBorrow&) = delete;
  SharedBorrow& operator=(const SharedBorrow&) = delete;

 private:
  StemmerCoreObject* self_;
};

}  // namespace velmora::py
