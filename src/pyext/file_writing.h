// Writing files from Python: compile, TrieBuilder.save and the package's own
// files (through the private module function `_write_file`) all write this
// way, so each file is replaced whole or not at all.
#pragma once

#include "pyext/py_ref.h"

#include <string>
#include <string_view>

#include "model/files.h"

namespace velmora::py {

// Puts a prepared file in place, the lock held. A signal that arrived while it
// was written (Ctrl-C) is handled first: when its handler raises, the new file
// is removed and the target keeps its old content, so a KeyboardInterrupt
// never comes with a replaced file. Otherwise the rename runs; None or the
// error raised (an OSError naming the path).
PyObject* commit_or_raise(Expected<PendingFile>& pending);

// prepare_file with the lock released, then commit_or_raise.
PyObject* write_file_or_raise(const std::string& path, std::string_view data,
                              LinkPolicy links = LinkPolicy::kWriteThrough);

// The module function `_write_file(path, data, replace_links=False)`.
extern PyMethodDef kWriteFileDef;

}  // namespace velmora::py
