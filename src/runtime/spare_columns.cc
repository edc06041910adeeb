#include "runtime/spare_columns.h"

#include <mutex>
#include <utility>
#include <vector>

namespace velmora {

namespace {

size_t capacity_bytes(const StemColumn& column) {
  return column.validity.capacity() + column.offsets.capacity() * sizeof(int64_t) + column.data.capacity();
}

struct SpareColumns {
  std::mutex mutex;
  std::vector<StemColumn> columns;
  size_t bytes = 0;
};

SpareColumns& spares() {
  // Never destroyed: a column may come back while the process exits.
  static SpareColumns* const kept = new SpareColumns;
  return *kept;
}

}  // namespace

StemColumn take_spare_column() {
  SpareColumns& kept = spares();
  std::lock_guard<std::mutex> lock(kept.mutex);
  if (kept.columns.empty()) return StemColumn();
  StemColumn column = std::move(kept.columns.back());
  kept.columns.pop_back();
  kept.bytes -= capacity_bytes(column);
  return column;
}

void keep_spare_column(StemColumn&& column) {
  const size_t bytes = capacity_bytes(column);
  SpareColumns& kept = spares();
  std::lock_guard<std::mutex> lock(kept.mutex);
  if (bytes == 0 || kept.bytes + bytes > kSpareColumnBytes) return;  // `column` frees its buffers
  kept.bytes += bytes;
  kept.columns.push_back(std::move(column));
}

size_t spare_column_bytes() {
  SpareColumns& kept = spares();
  std::lock_guard<std::mutex> lock(kept.mutex);
  return kept.bytes;
}

}  // namespace velmora
