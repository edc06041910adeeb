// The argument layer shared by every entry point: binding positional-or-keyword
// arguments by name (with CPython-style TypeErrors), the text, boolean, count
// and sequence conversions with their error texts, the argument prefix, and the
// mapping of native errors to Python exceptions.
// Used by every entry point of src/pyext.
#pragma once

#include "pyext/compat_messages.h"
#include "pyext/py_ref.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "util/expected.h"

namespace velmora::py {

// One callable's parameters, declared once. `required` parameters come first;
// the last `keyword_only` ones (those after `*` in the text signature) bind
// only by name, so a positional argument past the others is a count error.
struct Signature {
  const char* callable;  // e.g. "StemmerCore.stem" (errors append "()")
  const char* const* names;
  int count;
  int required;
  int keyword_only = 0;

  int positional() const { return count - keyword_only; }
};

// Binds arguments to `out[0..count)` as borrowed references; a missing optional
// parameter stays null. Returns false with a TypeError set.
bool bind_fastcall(const Signature& sig, PyObject* const* args, Py_ssize_t nargs,
                   PyObject* kwnames, PyObject** out);
bool bind_tuple(const Signature& sig, PyObject* args, PyObject* kwargs, PyObject** out);

// Converters: each returns false with the exception set (TypeErrors carry the
// argument prefix for `name`).
bool to_text(PyObject* obj, const char* name, std::string_view& out);
// A file-system path: str, bytes, or any os.PathLike giving one of them. Other
// types raise the TypeError of to_text; a NUL raises ValueError("embedded null
// byte"), as Python's open does, rather than cutting the path short.
bool to_path(PyObject* obj, const char* name, std::string& out);
bool to_bool(PyObject* obj, const char* name, bool& out);
bool to_u64(PyObject* obj, const char* name, uint64_t& out);

// A sequence of str converted up front; the items stay referenced while it lives.
struct TextSequence {
  std::vector<PyRef> items;
  std::vector<std::string_view> texts;
};
bool to_text_sequence(PyObject* obj, const char* name, TextSequence& out);

// The sequence protocol every sequence argument shares: refuses a str and a
// non-sequence with the compatibility texts, then hands each item (a new
// reference) to `take(PyRef item, Py_ssize_t size_hint)` with the sequence's
// size hint (0 when unknown). `take` returns false with an error set to stop.
// Errors of the iteration itself carry the argument prefix for `name`.
bool open_sequence(PyObject* obj, const char* name, PyRef& iter, Py_ssize_t& size_hint);
bool close_sequence(const char* name);
template <typename Take>
bool for_each_sequence_item(PyObject* obj, const char* name, Take&& take) {
  PyRef iter;
  Py_ssize_t hint = 0;
  if (!open_sequence(obj, name, iter, hint)) return false;
  while (PyRef item{PyIter_Next(iter.get())}) {
    if (!take(std::move(item), hint)) return false;
  }
  return close_sequence(name);
}

// The UTF-8 of a str item, or false (and no error) for anything else or a str
// without a UTF-8 form.
// Inline: the stemming list paths call it once per word.
inline bool text_of(PyObject* item, std::string_view& out) {
  if (!item || !PyUnicode_Check(item)) return false;
  Py_ssize_t size = 0;
  const char* text = PyUnicode_AsUTF8AndSize(item, &size);
  if (!text) {
    PyErr_Clear();
    return false;
  }
  out = std::string_view(text, size_t(size));
  return true;
}

// A list or tuple whose items are all str with a UTF-8 form, with a reference
// held per item. False (and no error) when the object does not qualify; the
// stemming fast paths then fall back to iteration.
bool to_text_items(PyObject* words, TextSequence& out);

// "'<type qualname>' object cannot be converted to '<target>'" as a TypeError.
void set_conversion_error(PyObject* obj, const char* target);
// Re-raises a pending TypeError as "argument '<name>': <message>", keeping its cause.
void add_argument_prefix(const char* name);

// Raises a native error: I/O errors as OSError "<text> (os error N)", internal
// errors as SystemError, refused sizes as MemoryError, everything else as `data_error_type` (ValueError by default).
void raise_error(const Error& error, PyObject* data_error_type = nullptr);

// True for a value; otherwise raises the error (see raise_error) and returns false.
template <typename T>
bool ok_or_raise(const Expected<T>& result, PyObject* data_error_type = nullptr) {
  if (result.ok()) return true;
  raise_error(result.error(), data_error_type);
  return false;
}

// None for success; otherwise raises (see raise_error) and returns null.
inline PyObject* none_or_raise(const Status& s, PyObject* data_error_type = nullptr) {
  return ok_or_raise(s, data_error_type) ? new_none() : nullptr;
}

// Qualified name of an object's type.
std::string type_qualname(PyObject* obj);

}  // namespace velmora::py

#include <exception>
#include <new>
#include <stdexcept>

namespace velmora::py {

// Runs `body` so that no C++ exception reaches the interpreter: memory
// exhaustion and impossible sizes become MemoryError, anything else SystemError.
template <typename Body>
PyObject* guarded(Body&& body) {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    PyErr_NoMemory();
  } catch (const std::length_error&) {
    // A size past what a container can hold (a claimed __len__ of 2**62) is
    // memory the process cannot have, not an internal fault.
    PyErr_NoMemory();
  } catch (const std::exception& e) {
    PyErr_SetString(PyExc_SystemError, e.what());
  } catch (...) {
    PyErr_SetString(PyExc_SystemError, compat::kUnexpectedNativeFailure);
  }
  return nullptr;
}

}  // namespace velmora::py
