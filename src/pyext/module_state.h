// The module's state: the objects one module object made and later needs (its
// classes), held by that module object rather than by the process, so that two
// module objects of the extension (an import after removing it from
// sys.modules) share nothing. Instances find the state through their class:
// every class is made with PyType_FromModuleAndSpec and none can be subclassed,
// so PyType_GetModule on an instance's own type reaches the module that made
// it (PyType_GetModuleByDef, which would also search base classes, is not in
// the limited API before 3.13).
// Used by module.cc and by the class files that make each other's instances.
#pragma once

#include "pyext/py_ref.h"

namespace velmora::py {

struct ModuleState {
  // Strong references, visited and cleared with the module.
  PyObject* stemmer_core_type;
  PyObject* trie_builder_type;
  PyObject* stem_array_type;  // the private Arrow export class of stem_arrow
};

// The state of the module that made `kin`'s class (`kin` an instance of one of
// this module's classes), or null with an error set (also for a state the
// collector has cleared).
ModuleState* state_of(PyObject* kin);

}  // namespace velmora::py
