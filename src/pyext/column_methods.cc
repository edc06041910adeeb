#include "pyext/column_methods.h"

#include <string>

#include "pyext/arrow_column.h"
#include "pyext/py_args.h"
#include "pyext/stem_engine.h"
#include "pyext/stemmer_object.h"
#include "runtime/column_stem.h"
#include "runtime/spare_columns.h"

namespace velmora::py {

namespace {

constexpr const char* kArrowParams[] = {"column", "threads", "keep_input"};

// Runs the native column walk with the interpreter lock released. Returns the
// first row that was not valid UTF-8, or kNoIndex; a std::bad_alloc is caught
// with the lock released and thrown again once it is held.
size_t stem_column_unlocked(const StemEngine& engine, const WordColumn& in, const ColumnOptions& options,
                            StemColumn& out) {
  std::exception_ptr failure;
  size_t bad_row = kNoIndex;
  PyThreadState* state = PyEval_SaveThread();
  try {
    bad_row = stem_column(engine.trie(), in, options, out);
  } catch (...) {
    failure = std::current_exception();
  }
  PyEval_RestoreThread(state);
  if (failure) std::rethrow_exception(failure);
  return bad_row;
}

}  // namespace

bool to_threads(PyObject* obj, size_t rows, unsigned& out) {
  if (!obj || obj == Py_None) {
    out = default_threads(rows);
    return true;
  }
  if (!PyLong_Check(obj) || PyBool_Check(obj)) {
    PyErr_Format(PyExc_TypeError, compat::kThreadsType, type_qualname(obj).c_str());
    return false;
  }
  const long long n = PyLong_AsLongLong(obj);
  if (n == -1 && PyErr_Occurred()) {
    PyErr_Clear();
    PyErr_SetString(PyExc_ValueError, compat::kThreadsRange);
    return false;
  }
  if (n < 1 || n > 1024) {
    PyErr_SetString(PyExc_ValueError, compat::kThreadsRange);
    return false;
  }
  out = unsigned(n);
  return true;
}

PyObject* stem_arrow(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  const Signature sig{"StemmerCore.stem_arrow", kArrowParams, 3, 1, 2};  // threads, keep_input: keyword-only
  PyObject* a[3] = {nullptr, nullptr, nullptr};
  if (!bind_fastcall(sig, args, nargs, kwnames, a)) return nullptr;
  bool keep_input = false;
  if (a[2] && !to_bool(a[2], "keep_input", keep_input)) return nullptr;
  const StemEngine& engine = engine_of(self);
  return guarded([&]() -> PyObject* {
    ArrowInput input;
    if (!import_arrow_column(a[0], input)) return nullptr;
    ColumnOptions options;
    if (!to_threads(a[1], input.column.rows(), options.threads)) return nullptr;
    options.keep_input = keep_input;
    options.validate_utf8 = true;
    StemColumn out = take_spare_column();
    const size_t bad_row = stem_column_unlocked(engine, input.column, options, out);
    if (bad_row != kNoIndex) {
      PyErr_Format(PyExc_ValueError, compat::kRowNotUtf8, bad_row);
      return nullptr;
    }
    return export_stem_column(self, std::move(out));
  });
}

PyObject* stem_list_threaded(const StemEngine& engine, PyObject* words, unsigned threads) {
  TextSequence seq;
  if (!to_text_items(words, seq)) return nullptr;
  WordColumn in;
  WordChunk texts;
  texts.rows = seq.texts.size();
  texts.texts = seq.texts.data();
  in.chunks.push_back(texts);
  ColumnOptions options;
  options.threads = threads;
  StemColumn out = take_spare_column();
  stem_column_unlocked(engine, in, options, out);
  const char* data = out.data.data();
  PyObject* list = filled_list(seq.texts.size(), [&](size_t i) -> PyObject* {
    if (!out.valid(i)) return new_none();
    const std::string_view stem(data + out.offsets[i], size_t(out.offsets[i + 1] - out.offsets[i]));
    return result_str(stem, seq.texts[i], seq.items[i].get());
  });
  keep_spare_column(std::move(out));
  return list;
}

}  // namespace velmora::py
