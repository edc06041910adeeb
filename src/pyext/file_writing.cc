#include "pyext/file_writing.h"

#include "pyext/classes.h"
#include "pyext/compat_messages.h"
#include "pyext/py_args.h"
#include "pyext/unlocked.h"

namespace velmora::py {

PyObject* commit_or_raise(Expected<PendingFile>& pending) {
  if (!ok_or_raise(pending)) return nullptr;
  if (PyErr_CheckSignals() < 0) {
    pending->discard();
    return nullptr;
  }
  return none_or_raise(without_lock([&] { return pending->commit(); }));
}

PyObject* write_file_or_raise(const std::string& path, std::string_view data, LinkPolicy links) {
  auto pending = without_lock([&] { return prepare_file(path, data, links); });
  return commit_or_raise(pending);
}

namespace {

constexpr const char* kWriteFileParams[] = {"path", "data", "replace_links"};

PyObject* write_file_function(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  const Signature sig{"_write_file", kWriteFileParams, 3, 2};
  PyObject* a[3];
  if (!bind_fastcall(sig, args, nargs, kwnames, a)) return nullptr;
  std::string path;
  bool replace_links = false;
  if (!to_path(a[0], "path", path)) return nullptr;
  if (!PyBytes_Check(a[1])) {
    set_conversion_error(a[1], compat::kTargetBytes);
    add_argument_prefix("data");
    return nullptr;
  }
  if (a[2] && !to_bool(a[2], "replace_links", replace_links)) return nullptr;
  char* bytes = nullptr;
  Py_ssize_t size = 0;
  if (PyBytes_AsStringAndSize(a[1], &bytes, &size) < 0) return nullptr;
  // The bytes object is immutable and referenced by the caller's frame while
  // the lock is released.
  const std::string_view data(bytes, size_t(size));
  return guarded([&]() -> PyObject* {
    return write_file_or_raise(path, data, replace_links ? LinkPolicy::kReplaceLink : LinkPolicy::kWriteThrough);
  });
}

}  // namespace

PyMethodDef kWriteFileDef = {
    "_write_file", as_cfunction(write_file_function), METH_FASTCALL | METH_KEYWORDS,
    "_write_file(path, data, replace_links=False)\n--\n\n"
    "Replace the file at path by one holding the bytes data, whole or not at all: a new file is "
    "written beside it, synced and renamed over it. A link at path is written through, or replaced "
    "itself with replace_links. OSError names the path."};

}  // namespace velmora::py
