#include "pyext/py_args.h"

#include <cstring>

#include "pyext/compat_messages.h"

namespace velmora::py {

std::string type_qualname(PyObject* obj) {
  PyRef name(PyObject_GetAttrString(reinterpret_cast<PyObject*>(Py_TYPE(obj)), "__qualname__"));
  if (!name) {
    PyErr_Clear();
    return "object";
  }
  Py_ssize_t size = 0;
  const char* text = PyUnicode_Check(name.get()) ? PyUnicode_AsUTF8AndSize(name.get(), &size) : nullptr;
  if (!text) {
    PyErr_Clear();
    return "object";
  }
  return std::string(text, size_t(size));
}

void set_conversion_error(PyObject* obj, const char* target) {
  const std::string message =
      "'" + type_qualname(obj) + compat::kCannotBeConvertedTo + target + "'";
  PyErr_SetString(PyExc_TypeError, message.c_str());
}

void add_argument_prefix(const char* name) {
  if (!PyErr_ExceptionMatches(PyExc_TypeError)) return;
  PyObject *type, *value, *traceback;
  PyErr_Fetch(&type, &value, &traceback);
  PyErr_NormalizeException(&type, &value, &traceback);
  PyRef t(type), v(value), tb(traceback);
  PyRef text(v ? PyObject_Str(v.get()) : nullptr);
  std::string message = compat::kArgumentPrefix + std::string(name) + compat::kArgumentPrefixEnd;
  if (text) {
    Py_ssize_t size = 0;
    if (const char* s = PyUnicode_AsUTF8AndSize(text.get(), &size)) message.append(s, size_t(size));
  }
  PyErr_Clear();
  PyRef msg(PyUnicode_FromStringAndSize(message.data(), Py_ssize_t(message.size())));
  if (!msg) return;
  PyRef replacement(PyObject_CallFunctionObjArgs(PyExc_TypeError, msg.get(), nullptr));
  if (!replacement) return;
  if (v) {
    if (PyObject* cause = PyException_GetCause(v.get())) {
      PyException_SetCause(replacement.get(), cause);  // steals the new reference
    }
  }
  Py_IncRef(PyExc_TypeError);
  PyErr_Restore(PyExc_TypeError, replacement.release(), nullptr);
}

namespace {

std::string plural(Py_ssize_t n, const char* word) {
  return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

void raise_type_error(const std::string& message) {
  PyErr_SetString(PyExc_TypeError, message.c_str());
}

std::string prefix(const Signature& sig) { return std::string(sig.callable) + "()"; }

int index_of(const Signature& sig, std::string_view key) {
  for (int i = 0; i < sig.count; ++i) {
    if (key == sig.names[i]) return i;
  }
  return -1;
}

bool check_positional(const Signature& sig, Py_ssize_t nargs) {
  const int positional = sig.positional();
  if (nargs <= positional) return true;
  std::string message = prefix(sig) + compat::kTakes;
  if (sig.required == positional) message += std::to_string(positional);
  else message += "from " + std::to_string(sig.required) + " to " + std::to_string(positional);
  message += compat::kPositionalArgumentsBut + std::to_string(nargs) + (nargs == 1 ? " was" : " were") + " given";
  raise_type_error(message);
  return false;
}

bool assign_keyword(const Signature& sig, PyObject* key, PyObject* value, PyObject** out) {
  Py_ssize_t size = 0;
  const char* text = PyUnicode_Check(key) ? PyUnicode_AsUTF8AndSize(key, &size) : nullptr;
  if (!text) {
    PyErr_Clear();
    raise_type_error(prefix(sig) + compat::kKeywordsMustBeStrings);
    return false;
  }
  const std::string_view name(text, size_t(size));
  const int i = index_of(sig, name);
  if (i < 0) {
    raise_type_error(prefix(sig) + compat::kUnexpectedKeyword + std::string(name) + "'");
    return false;
  }
  if (out[i]) {
    raise_type_error(prefix(sig) + compat::kMultipleValues + std::string(name) + "'");
    return false;
  }
  out[i] = value;
  return true;
}

bool check_required(const Signature& sig, PyObject** out) {
  std::vector<const char*> missing;
  for (int i = 0; i < sig.required; ++i) {
    if (!out[i]) missing.push_back(sig.names[i]);
  }
  if (missing.empty()) return true;
  std::string message = prefix(sig) + compat::kMissing +
                        plural(Py_ssize_t(missing.size()), compat::kRequiredPositionalArgument) + ": ";
  for (size_t i = 0; i < missing.size(); ++i) {
    if (i > 0) message += (i + 1 == missing.size()) ? " and " : ", ";
    message += "'" + std::string(missing[i]) + "'";
  }
  raise_type_error(message);
  return false;
}

}  // namespace

bool bind_fastcall(const Signature& sig, PyObject* const* args, Py_ssize_t nargs,
                   PyObject* kwnames, PyObject** out) {
  for (int i = 0; i < sig.count; ++i) out[i] = nullptr;
  if (!check_positional(sig, nargs)) return false;
  for (Py_ssize_t i = 0; i < nargs; ++i) out[i] = args[i];
  if (kwnames) {
    const Py_ssize_t nkw = PyTuple_Size(kwnames);
    for (Py_ssize_t k = 0; k < nkw; ++k) {
      if (!assign_keyword(sig, PyTuple_GetItem(kwnames, k), args[nargs + k], out)) return false;
    }
  }
  return check_required(sig, out);
}

bool bind_tuple(const Signature& sig, PyObject* args, PyObject* kwargs, PyObject** out) {
  for (int i = 0; i < sig.count; ++i) out[i] = nullptr;
  const Py_ssize_t nargs = args ? PyTuple_Size(args) : 0;
  if (!check_positional(sig, nargs)) return false;
  for (Py_ssize_t i = 0; i < nargs; ++i) out[i] = PyTuple_GetItem(args, i);
  if (kwargs && PyDict_Size(kwargs) > 0) {
    Py_ssize_t pos = 0;
    PyObject *key, *value;
    while (PyDict_Next(kwargs, &pos, &key, &value)) {
      if (!assign_keyword(sig, key, value, out)) return false;
    }
  }
  return check_required(sig, out);
}

bool to_path(PyObject* obj, const char* name, std::string& out) {
  if (PyBytes_Check(obj)) {
    char* bytes = nullptr;
    Py_ssize_t size = 0;
    if (PyBytes_AsStringAndSize(obj, &bytes, &size) != 0) return false;
    out.assign(bytes, size_t(size));
  } else if (!PyUnicode_Check(obj) && PyObject_HasAttrString(obj, "__fspath__")) {
    PyRef path(PyOS_FSPath(obj));
    if (!path.get()) return false;
    return to_path(path.get(), name, out);
  } else {
    std::string_view text;
    if (!to_text(obj, name, text)) return false;
    out.assign(text);
  }
  if (out.find('\0') != std::string::npos) {
    PyErr_SetString(PyExc_ValueError, compat::kEmbeddedNull);
    return false;
  }
  return true;
}

bool to_text(PyObject* obj, const char* name, std::string_view& out) {
  if (!PyUnicode_Check(obj)) {
    set_conversion_error(obj, compat::kTargetStr);
    add_argument_prefix(name);
    return false;
  }
  Py_ssize_t size = 0;
  const char* text = PyUnicode_AsUTF8AndSize(obj, &size);
  if (!text) return false;  // UnicodeEncodeError passes through unchanged
  out = std::string_view(text, size_t(size));
  return true;
}

namespace {

bool is_numpy_bool(PyObject* obj) {
  PyObject* type = reinterpret_cast<PyObject*>(Py_TYPE(obj));
  PyRef module(PyObject_GetAttrString(type, "__module__"));
  PyRef name(PyObject_GetAttrString(type, "__name__"));
  if (!module || !name) {
    PyErr_Clear();
    return false;
  }
  Py_ssize_t ms = 0, ns = 0;
  const char* m = PyUnicode_Check(module.get()) ? PyUnicode_AsUTF8AndSize(module.get(), &ms) : nullptr;
  const char* n = PyUnicode_Check(name.get()) ? PyUnicode_AsUTF8AndSize(name.get(), &ns) : nullptr;
  if (!m || !n) {
    PyErr_Clear();
    return false;
  }
  const std::string_view mv(m, size_t(ms)), nv(n, size_t(ns));
  return mv == "numpy" && (nv == "bool_" || nv == "bool");
}

}  // namespace

bool to_bool(PyObject* obj, const char* name, bool& out) {
  if (obj == Py_True || obj == Py_False) {
    out = obj == Py_True;
    return true;
  }
  if (is_numpy_bool(obj)) {
    const int truth = PyObject_IsTrue(obj);
    if (truth < 0) return false;
    out = truth != 0;
    return true;
  }
  set_conversion_error(obj, compat::kTargetBool);
  add_argument_prefix(name);
  return false;
}

bool to_u64(PyObject* obj, const char* name, uint64_t& out) {
  PyRef index(PyNumber_Index(obj));
  if (!index) {
    add_argument_prefix(name);
    return false;
  }
  const unsigned long long value = PyLong_AsUnsignedLongLong(index.get());
  if (value == static_cast<unsigned long long>(-1) && PyErr_Occurred()) {
    add_argument_prefix(name);
    return false;
  }
  out = value;
  return true;
}

bool open_sequence(PyObject* obj, const char* name, PyRef& iter, Py_ssize_t& size_hint) {
  if (PyUnicode_Check(obj)) {
    PyErr_SetString(PyExc_TypeError, compat::kStrIsNotASequence);
    add_argument_prefix(name);
    return false;
  }
  if (!PySequence_Check(obj)) {
    set_conversion_error(obj, compat::kTargetSequence);
    add_argument_prefix(name);
    return false;
  }
  size_hint = PySequence_Size(obj);
  if (size_hint < 0) {
    PyErr_Clear();
    size_hint = 0;
  }
  iter.reset(PyObject_GetIter(obj));
  if (!iter) {
    add_argument_prefix(name);
    return false;
  }
  return true;
}

bool close_sequence(const char* name) {
  if (!PyErr_Occurred()) return true;
  add_argument_prefix(name);
  return false;
}

bool to_text_sequence(PyObject* obj, const char* name, TextSequence& out) {
  return for_each_sequence_item(obj, name, [&](PyRef item, Py_ssize_t hint) {
    if (out.items.empty()) {
      out.items.reserve(size_t(hint));
      out.texts.reserve(size_t(hint));
    }
    std::string_view text;
    if (!to_text(item.get(), name, text)) return false;
    out.texts.push_back(text);
    out.items.push_back(std::move(item));
    return true;
  });
}

bool to_text_items(PyObject* words, TextSequence& out) {
  const bool is_list = PyList_Check(words);
  if (!is_list && !PyTuple_Check(words)) return false;
  const Py_ssize_t n = is_list ? PyList_Size(words) : PyTuple_Size(words);
  out.items.reserve(size_t(n));
  out.texts.reserve(size_t(n));
  for (Py_ssize_t i = 0; i < n; ++i) {
    if (is_list && i >= PyList_Size(words)) break;
    PyObject* item = is_list ? PyList_GetItem(words, i) : PyTuple_GetItem(words, i);
    std::string_view text;
    if (!text_of(item, text)) {
      PyErr_Clear();
      return false;
    }
    out.items.push_back(PyRef::borrow(item));
    out.texts.push_back(text);
  }
  return true;
}

void raise_error(const Error& error, PyObject* data_error_type) {
  switch (error.kind) {
    case ErrorKind::kIo: {
      const std::string suffix = compat::kOsErrorPrefix + std::to_string(error.os_errno) + ")";
      if (error.message.empty()) {
        PyErr_SetString(PyExc_OSError, (std::strerror(error.os_errno) + suffix).c_str());
        return;
      }
      // One argument, the system's text naming the path and ending in the
      // fixed " (os error N)", as callers match it; errno, strerror (which
      // str() shows, with the suffix) and filename are set as attributes too,
      // and the class is the number's OSError subclass (FileNotFoundError,
      // ...), which OSError itself picks.
      PyRef filename(PyUnicode_DecodeFSDefaultAndSize(error.message.data(), Py_ssize_t(error.message.size())));
      if (!filename) return;
      PyRef probe(PyObject_CallFunction(PyExc_OSError, "is", error.os_errno, ""));
      if (!probe) return;
      PyRef quoted(PyObject_Repr(filename.get()));
      if (!quoted) return;
      PyRef text(PyUnicode_FromFormat("%s: %U%s", std::strerror(error.os_errno), quoted.get(), suffix.c_str()));
      if (!text) return;
      PyObject* type = reinterpret_cast<PyObject*>(Py_TYPE(probe.get()));
      PyRef exc(PyObject_CallFunctionObjArgs(type, text.get(), nullptr));
      PyRef number(PyLong_FromLong(error.os_errno));
      PyRef strerror(PyUnicode_FromString((std::strerror(error.os_errno) + suffix).c_str()));
      if (!exc || !number || !strerror || PyObject_SetAttrString(exc.get(), "errno", number.get()) < 0 ||
          PyObject_SetAttrString(exc.get(), "strerror", strerror.get()) < 0 ||
          PyObject_SetAttrString(exc.get(), "filename", filename.get()) < 0) {
        return;
      }
      PyErr_SetObject(type, exc.get());
      return;
    }
    case ErrorKind::kInternal:
      PyErr_SetString(PyExc_SystemError, error.message.c_str());
      return;
    case ErrorKind::kTooLarge:
      PyErr_SetString(PyExc_MemoryError, error.message.c_str());
      return;
    case ErrorKind::kCancelled:  // only work the caller gave up on is cancelled
      PyErr_SetNone(PyExc_KeyboardInterrupt);
      return;
    default:
      PyErr_SetString(data_error_type ? data_error_type : PyExc_ValueError, error.message.c_str());
      return;
  }
}

}  // namespace velmora::py
