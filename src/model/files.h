// Whole-file reads and writes with the operating system's error numbers, for
// model loading and the Python layer's path arguments.
#pragma once

#include <string>
#include <string_view>

#include "util/expected.h"

namespace velmora {

// Reads a whole file; failures carry the operating system's error number.
Expected<std::string> read_file(const std::string& path);
// Writes `data` as the whole content of `path` without ever leaving a partial
// file there: a temporary file beside the target is written, synced and
// renamed over it, and removed on any failure, so the target is either the
// old file or the complete new one. A new file gets mode 0666 before umask, a
// replaced one keeps its mode; a symbolic link is written through to the file
// it leads to; a target that is not a regular file (a device, a pipe) and a
// link to nothing are written in place. Failures carry the error number.
Status write_file(const std::string& path, std::string_view data);

}  // namespace velmora
