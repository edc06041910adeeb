// Helpers shared by the core tests.
#pragma once

#include <string>
#include <string_view>

#include "util/utf.h"

namespace velmora::testing {

inline std::u16string u16(std::string_view utf8) { return to_utf16(utf8); }
inline std::string u8(std::u16string_view units) { return to_utf8(units); }

}  // namespace velmora::testing
