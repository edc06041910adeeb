// Output columns whose consumers have released them, kept for the next
// column to write over. Used by the Python engine's column paths (the Arrow
// export hands a column back when its last consumer releases it).
//
// PERF NOTE: a fresh column's buffers are fresh pages: the walk faulted on
// every 4 KiB it wrote, and the allocator gave them back to the system when
// the column was freed, which cost about a tenth of a large column's time.
// A kept column's memory is already mapped.
#pragma once

#include <cstddef>

#include "runtime/column_stem.h"

namespace velmora {

// Together the kept columns hold at most this much memory; a column that
// would pass it is freed instead.
inline constexpr size_t kSpareColumnBytes = size_t(64) << 20;

// A column to fill: a kept one when there is one, else an empty one.
StemColumn take_spare_column();

// Keeps `column`'s buffers for a later take_spare_column(), within
// kSpareColumnBytes. Safe from any thread.
void keep_spare_column(StemColumn&& column);

// The memory the kept columns hold (their buffers' capacities).
size_t spare_column_bytes();

}  // namespace velmora
