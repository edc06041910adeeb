// Whole-file reads and writes with the operating system's error numbers, for
// model loading and the Python layer's path arguments.
#pragma once

#include <string>
#include <string_view>

#include "util/expected.h"

namespace velmora {

// Reads a whole file; failures carry the operating system's error number.
Expected<std::string> read_file(const std::string& path);
// Creates or truncates `path` (mode 0666 before umask) and writes `data` completely.
Status write_file(const std::string& path, std::string_view data);

}  // namespace velmora
