// The StemmerCore methods that stem a whole column natively, off the
// interpreter lock and on several threads: stem_arrow, and the threaded path
// of stem_batch over a list or tuple of str.
// Used by the StemmerCore class (stemmer_core.cc).
#pragma once

#include "pyext/py_ref.h"

namespace velmora::py {

class StemEngine;

PyObject* stem_arrow(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);

// The `threads` argument for `rows` words: None gives the default, an int must be at least 1.
// False with the error set.
bool to_threads(PyObject* obj, size_t rows, unsigned& out);

// stem_batch's results for a list or tuple of str, stemmed on `threads` threads with the
// lock released. Null without an error set when an item is not a str with a UTF-8 form
// (the caller then takes a serial path, which raises what it raises for such items).
PyObject* stem_list_threaded(const StemEngine& engine, PyObject* words, unsigned threads);

}  // namespace velmora::py
