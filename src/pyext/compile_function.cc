// The module function `compile`: a source dictionary file to a compiled image file.
// The output may not be the source itself, however spelled.
#include "model/model_loading.h"
#include "pyext/classes.h"
#include "pyext/file_writing.h"
#include "pyext/model_option_arguments.h"
#include "pyext/py_args.h"
#include "pyext/unlocked.h"

namespace velmora::py {
namespace {

constexpr const char* kCompileParams[] = {"source_path", "out_path", "backward", "store_original", "lowercase"};

PyObject* compile_function(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  const Signature sig{"compile", kCompileParams, 5, 2};
  PyObject* a[5];
  if (!bind_fastcall(sig, args, nargs, kwnames, a)) return nullptr;
  std::string source, out;
  ModelOptions options;
  if (!to_path(a[0], "source_path", source) || !to_path(a[1], "out_path", out)) return nullptr;
  if (!model_option_arguments(a + 2, options)) return nullptr;
  // Replacing the source by its own image would destroy the dictionary.
  if (same_file(source, out)) {
    PyErr_Format(PyExc_ValueError, compat::kOutputIsSource, out.c_str());
    return nullptr;
  }
  return guarded([&]() -> PyObject* {
    // Reading, compiling and writing the new file run off the lock and stop
    // at Ctrl-C; the file is renamed into place only when no Ctrl-C came.
    auto pending = interruptible([path = std::string(source), out_path = std::string(out),
                                  options]() -> Expected<PendingFile> {
      auto data = read_file(path);
      if (!data.ok()) return data.take_error();
      auto image = compile_dictionary(*data, options);
      if (!image.ok()) return image.take_error();
      if (stop_requested()) return cancelled();
      return prepare_file(out_path, *image);
    });
    if (!pending) return nullptr;
    return commit_or_raise(*pending);
  });
}

}  // namespace

PyMethodDef kCompileDef = {
    "compile", as_cfunction(compile_function), METH_FASTCALL | METH_KEYWORDS,
    "compile(source_path, out_path, backward=True, store_original=True, lowercase=True)\n--\n\n"
    "Compile a gzipped or plain TSV source dictionary into a compiled trie file (version 7 format) "
    "that the companion Java implementation can read, so that it can be loaded instantly later. "
    "backward, store_original and lowercase have the same meaning as in the constructor of the "
    "Python Stemmer class and are baked into the compiled file."};

}  // namespace velmora::py
