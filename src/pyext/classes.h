// The module's classes and function: creation of the heap types and the
// constructors the classes use to make each other's instances.
// Used by every class file of src/pyext and by module.cc.
#pragma once

#include "pyext/py_ref.h"

#include <memory>

namespace velmora::py {

class StemEngine;
struct ModelSource;

// Makes the class for `module` (kept in its state, module_state.h): a new
// reference, or null with the error set.
PyObject* make_stemmer_core_type(PyObject* module);
PyObject* make_trie_builder_type(PyObject* module);

// A new StemmerCore instance owning `engine` and the source it was made from,
// of the StemmerCore class of the module that made `kin`'s class.
PyObject* new_stemmer_core(PyObject* kin, std::unique_ptr<StemEngine> engine, std::unique_ptr<ModelSource> source);

// The module function `compile`.
extern PyMethodDef kCompileDef;

// Uniform cast for METH_FASTCALL | METH_KEYWORDS functions.
using FastcallKw = PyObject* (*)(PyObject*, PyObject* const*, Py_ssize_t, PyObject*);
inline PyCFunction as_cfunction(FastcallKw f) { return reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(f)); }

// Shared slots: a type's allocation and deallocation through its own slots.
PyObject* allocate_instance(PyTypeObject* type);
void free_instance(PyObject* self);

}  // namespace velmora::py
