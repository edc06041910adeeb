// The module's classes and function: creation of the heap types and the
// constructors the classes use to make each other's instances.
// Used by every class file of src/pyext and by module.cc.
#pragma once

#include "pyext/py_ref.h"

#include <memory>

namespace velmora::py {

class StemEngine;
struct ModelSource;

// Creates the type object (once per process; later calls return it again as a new reference).
PyObject* stemmer_core_type();
PyObject* trie_builder_type();

// A new StemmerCore instance owning `engine` and the source it was made from.
PyObject* new_stemmer_core(std::unique_ptr<StemEngine> engine, std::unique_ptr<ModelSource> source);

// The module function `compile`.
extern PyMethodDef kCompileDef;

// Uniform cast for METH_FASTCALL | METH_KEYWORDS functions.
using FastcallKw = PyObject* (*)(PyObject*, PyObject* const*, Py_ssize_t, PyObject*);
inline PyCFunction as_cfunction(FastcallKw f) { return reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(f)); }

// The type made from `spec`, created on the first call and kept in `cache`;
// a new reference, or null with the error set.
PyObject* type_once(PyObject*& cache, PyType_Spec& spec);

// Shared slots: a type's allocation and deallocation through its own slots.
PyObject* allocate_instance(PyTypeObject* type);
void free_instance(PyObject* self);

}  // namespace velmora::py
