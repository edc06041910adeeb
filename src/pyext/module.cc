// Module initialisation in two phases (PEP 489): PyInit__velmora hands the
// interpreter the module definition, and the exec slot fills each new module
// object: its classes, made for that module and kept in its state, the
// function `compile` bound to it, and `__all__`. Only one interpreter per
// process may make the module (a second one's import is refused).
#include <atomic>
#include <cstdint>
#include <utility>

#include "pyext/arrow_column.h"
#include "pyext/classes.h"
#include "pyext/compat_messages.h"
#include "pyext/file_writing.h"
#include "pyext/module_state.h"
#include "pyext/py_args.h"
#include "util/unicode.h"

namespace velmora::py {
namespace {

// The interpreter that made the module first. The extension has been built and
// checked for one interpreter only (the engines' result caches rely on the
// interpreter lock of the one interpreter that uses them), so a second
// interpreter's import fails rather than sharing the process with it.
std::atomic<int64_t> g_interpreter_id{-1};

bool claim_interpreter() {
  const int64_t id = PyInterpreterState_GetID(PyInterpreterState_Get());
  if (id < 0) return false;
  int64_t expected = -1;
  if (g_interpreter_id.compare_exchange_strong(expected, id) || expected == id) return true;
  PyErr_SetString(PyExc_ImportError, compat::kSecondInterpreter);
  return false;
}

ModuleState* module_state(PyObject* module) {
  return static_cast<ModuleState*>(PyModule_GetState(module));
}

// Appends `name` to the module's __all__ (creating it when missing) and sets the attribute.
bool add_public(PyObject* module, const char* name, PyObject* value) {
  PyRef all(PyObject_GetAttrString(module, "__all__"));
  if (!all) {
    if (!PyErr_ExceptionMatches(PyExc_AttributeError)) return false;
    PyErr_Clear();
    all.reset(PyList_New(0));
    if (!all || PyObject_SetAttrString(module, "__all__", all.get()) < 0) return false;
  }
  if (!PyList_Check(all.get())) {
    set_conversion_error(all.get(), compat::kTargetList);
    return false;
  }
  PyRef text(PyUnicode_FromString(name));
  if (!text || PyList_Append(all.get(), text.get()) < 0) return false;
  return PyObject_SetAttrString(module, name, value) == 0;
}

// Makes the module's classes into its state; on failure the state keeps what
// was made, which the module's clear slot releases.
bool make_classes(PyObject* module, ModuleState& state) {
  state.stemmer_core_type = make_stemmer_core_type(module);
  if (!state.stemmer_core_type) return false;
  state.trie_builder_type = make_trie_builder_type(module);
  if (!state.trie_builder_type) return false;
  state.stem_array_type = make_stem_array_type(module);
  return state.stem_array_type != nullptr;
}

// _fixed_texts(): {name: text} of both tables of fixed texts, the native
// errors' and the extension's, so that a test can list and raise every one.
PyObject* fixed_texts(PyObject*, PyObject*) {
  PyRef texts(PyDict_New());
  if (!texts) return nullptr;
  bool ok = true;
  auto add = [&](const char* name, const char* text) {
    if (ok && PyDict_GetItemString(texts.get(), name)) {
      PyErr_Format(PyExc_SystemError, "%s is in both tables of fixed texts", name);
      ok = false;
    }
    PyRef value(ok ? PyUnicode_FromString(text) : nullptr);
    ok = value && PyDict_SetItemString(texts.get(), name, value.get()) == 0;
  };
#define VELMORA_ADD_TEXT(name, text) add(#name, text);
  VELMORA_NATIVE_TEXTS(VELMORA_ADD_TEXT)
  VELMORA_COMPAT_TEXTS(VELMORA_ADD_TEXT)
#undef VELMORA_ADD_TEXT
  return ok ? texts.release() : nullptr;
}

PyMethodDef kFixedTextsDef = {"_fixed_texts", fixed_texts, METH_NOARGS,
                              "_fixed_texts()\n--\n\nThe fixed texts of the extension's errors, by name."};

bool module_body(PyObject* module, const ModuleState& state) {
  // The Unicode version of the tables behind every key; public as velmora.unicode_version.
  if (PyModule_AddStringConstant(module, "_unicode_version", kUnicodeVersion) < 0) return false;
  if (!add_public(module, "StemmerCore", state.stemmer_core_type)) return false;
  if (!add_public(module, "TrieBuilder", state.trie_builder_type)) return false;
  PyRef module_name(PyModule_GetNameObject(module));
  if (!module_name) return false;
  PyRef compile(PyCFunction_NewEx(&kCompileDef, module, module_name.get()));
  if (!compile) return false;
  PyRef name(PyObject_GetAttrString(compile.get(), "__name__"));
  if (!name) return false;
  Py_ssize_t size = 0;
  const char* text = PyUnicode_Check(name.get()) ? PyUnicode_AsUTF8AndSize(name.get(), &size) : nullptr;
  if (!text) {
    if (!PyErr_Occurred()) set_conversion_error(name.get(), compat::kTargetStr);
    return false;
  }
  if (!add_public(module, std::string(text, size_t(size)).c_str(), compile.get())) return false;
  // The package's own writer, private: not in __all__.
  PyRef write_file(PyCFunction_NewEx(&kWriteFileDef, module, module_name.get()));
  if (!write_file || PyObject_SetAttrString(module, "_write_file", write_file.get()) < 0) return false;
  // The tests' view of the fixed texts, private.
  PyRef fixed_texts(PyCFunction_NewEx(&kFixedTextsDef, module, module_name.get()));
  return fixed_texts && PyObject_SetAttrString(module, "_fixed_texts", fixed_texts.get()) == 0;
}

int module_exec(PyObject* module) {
  if (!claim_interpreter()) return -1;
  ModuleState* state = module_state(module);
  if (!state || !make_classes(module, *state) || !module_body(module, *state)) return -1;
  return 0;
}

int module_traverse(PyObject* module, visitproc visit, void* arg) {
  // Called before the exec slot too, when there is no state yet.
  if (ModuleState* state = module_state(module)) {
    Py_VISIT(state->stemmer_core_type);
    Py_VISIT(state->trie_builder_type);
    Py_VISIT(state->stem_array_type);
  }
  return 0;
}

int module_clear(PyObject* module) {
  if (ModuleState* state = module_state(module)) {
    for (PyObject** type : {&state->stemmer_core_type, &state->trie_builder_type, &state->stem_array_type}) {
      // Unset before the release, as Py_CLEAR does: the release may run code that visits the state.
      if (PyObject* old = std::exchange(*type, nullptr)) Py_DecRef(old);
    }
  }
  return 0;
}

void module_free(void* module) { module_clear(static_cast<PyObject*>(module)); }

PyModuleDef_Slot kModuleSlots[] = {
    {Py_mod_exec, reinterpret_cast<void*>(module_exec)},
    {0, nullptr},
};

PyModuleDef kModuleDef = {
    PyModuleDef_HEAD_INIT, "_velmora", "", Py_ssize_t(sizeof(ModuleState)), nullptr,
    kModuleSlots, module_traverse, module_clear, module_free,
};

}  // namespace

ModuleState* state_of(PyObject* kin) {
  PyObject* module = PyType_GetModule(Py_TYPE(kin));
  if (!module) return nullptr;
  ModuleState* state = module_state(module);
  // A state without classes was cleared by the collector, which can happen to a
  // module only with the last of its instances, when a finaliser still calls it.
  if (state && state->stemmer_core_type) return state;
  if (!PyErr_Occurred()) PyErr_SetString(PyExc_SystemError, compat::kNoModuleState);
  return nullptr;
}

PyObject* allocate_instance(PyTypeObject* type) {
  auto alloc = reinterpret_cast<allocfunc>(PyType_GetSlot(type, Py_tp_alloc));
  return alloc(type, 0);
}

void free_instance(PyObject* self) {
  PyTypeObject* type = Py_TYPE(self);
  auto free_slot = reinterpret_cast<freefunc>(PyType_GetSlot(type, Py_tp_free));
  free_slot(self);
  Py_DecRef(reinterpret_cast<PyObject*>(type));
}

}  // namespace velmora::py

extern "C" PyMODINIT_FUNC PyInit__velmora(void) {
  return PyModuleDef_Init(&velmora::py::kModuleDef);
}
