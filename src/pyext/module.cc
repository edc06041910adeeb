// Module initialisation: one interpreter per process, the module object kept
// and returned on re-initialisation, and the classes and function registered
// together with `__all__`.
#include <atomic>
#include <cstdint>

#include "pyext/classes.h"
#include "pyext/compat_messages.h"
#include "pyext/file_writing.h"
#include "pyext/py_args.h"
#include "util/unicode.h"

namespace velmora::py {
namespace {

std::atomic<int64_t> g_interpreter_id{-1};
PyObject* g_module = nullptr;

PyModuleDef kModuleDef = {
    PyModuleDef_HEAD_INIT, "_velmora", "", 0, nullptr, nullptr, nullptr, nullptr, nullptr,
};

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

bool module_body(PyObject* module) {
  // The Unicode version of the tables behind every key; public as velmora.unicode_version.
  if (PyModule_AddStringConstant(module, "_unicode_version", kUnicodeVersion) < 0) return false;
  PyRef stemmer(stemmer_core_type());
  if (!stemmer || !add_public(module, "StemmerCore", stemmer.get())) return false;
  PyRef builder(trie_builder_type());
  if (!builder || !add_public(module, "TrieBuilder", builder.get())) return false;
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
  return write_file && PyObject_SetAttrString(module, "_write_file", write_file.get()) == 0;
}

}  // namespace

PyObject* type_once(PyObject*& cache, PyType_Spec& spec) {
  if (!cache) cache = PyType_FromSpec(&spec);
  if (!cache) return nullptr;
  return new_ref(cache);
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
  using namespace velmora::py;
  PyInterpreterState* state = PyInterpreterState_Get();
  const int64_t id = PyInterpreterState_GetID(state);
  if (id < 0) return nullptr;
  int64_t expected = -1;
  if (!g_interpreter_id.compare_exchange_strong(expected, id) && expected != id) {
    PyErr_SetString(PyExc_ImportError,
                    "velmora._velmora does not support subinterpreters: it is already initialised "
                    "in another interpreter of this process");
    return nullptr;
  }
  if (g_module) return new_ref(g_module);
  PyObject* module = PyModule_Create(&kModuleDef);
  if (!module) return nullptr;
  if (!module_body(module)) {
    Py_DecRef(module);
    return nullptr;
  }
  g_module = new_ref(module);
  return module;
}
