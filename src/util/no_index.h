// The one "absent" value of every 32-bit index in the core: no node, no value,
// no command, no record, no entry.
#pragma once

#include <cstdint>

namespace velmora {

// Arrays indexed by 32-bit ids never reach 2^32 - 1 entries, so the all-ones
// id is free to mean "none"; it also lets a dense child slot store id + 1 and
// turn an empty slot (0) into kNoIndex by subtracting one.
inline constexpr uint32_t kNoIndex = 0xFFFFFFFF;

}  // namespace velmora
