// A move-only owning reference to a Python object. Reference counts go through
// the interpreter's functions (Py_IncRef / Py_DecRef), as the stable ABI wants.
// The only header that includes Python.h; every file of src/pyext uses it.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <utility>

namespace velmora::py {

class PyRef {
 public:
  PyRef() = default;
  // Takes ownership of a new reference (may be null).
  explicit PyRef(PyObject* owned) : p_(owned) {}
  PyRef(const PyRef&) = delete;
  PyRef& operator=(const PyRef&) = delete;
  PyRef(PyRef&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  PyRef& operator=(PyRef&& other) noexcept {
    if (this != &other) reset(std::exchange(other.p_, nullptr));
    return *this;
  }
  ~PyRef() { reset(); }

  // A new reference to a borrowed object.
  static PyRef borrow(PyObject* borrowed) {
    Py_IncRef(borrowed);
    return PyRef(borrowed);
  }

  PyObject* get() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  PyObject* release() { return std::exchange(p_, nullptr); }
  void reset(PyObject* owned = nullptr) {
    PyObject* old = std::exchange(p_, owned);
    if (old) Py_DecRef(old);
  }

 private:
  PyObject* p_ = nullptr;
};

// A new reference to None, True or False.
inline PyObject* new_none() {
  Py_IncRef(Py_None);
  return Py_None;
}
inline PyObject* new_ref(PyObject* borrowed) {
  Py_IncRef(borrowed);
  return borrowed;
}

}  // namespace velmora::py
