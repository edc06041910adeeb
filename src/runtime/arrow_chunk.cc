#include "runtime/arrow_chunk.h"
#include "util/error_texts.h"

#include <cstring>
#include <limits>

namespace velmora {

namespace {

// Whether `bytes` from `base` on can be a buffer: not past the bound, and not
// wrapping the address space.
bool addressable(const void* base, uint64_t bytes) {
  return bytes <= kMaxArrowBufferBytes &&
         uint64_t(reinterpret_cast<uintptr_t>(base)) <= std::numeric_limits<uintptr_t>::max() - bytes;
}

template <typename Offset>
Status check_offset_rows(const ArrowArray& array, WordChunk& chunk) {
  const auto* offsets = static_cast<const Offset*>(array.buffers[1]);
  const char* data = static_cast<const char*>(array.buffers[2]);
  chunk.layout = sizeof(Offset) == 4 ? WordChunk::Layout::kOffsets32 : WordChunk::Layout::kOffsets64;
  chunk.offsets = offsets;
  chunk.data = data;
  if (array.length == 0) return ok_status();
  if (!offsets) return invalid_data(texts::kNoOffsetsBuffer);
  if (!addressable(offsets, uint64_t(array.offset + array.length + 1) * sizeof(Offset))) {
    return invalid_data(texts::kOffsetsBufferRange);
  }
  // Rising from a first offset of at least 0, every offset is at least 0.
  // PERF NOTE: one flag for all rows, not a branch per row, so the check
  // runs vectorized.
  const Offset* o = offsets + array.offset;
  bool rising = o[0] >= 0;
  for (int64_t j = 0; j < array.length; ++j) rising &= o[j + 1] >= o[j];
  if (!rising) return invalid_data(texts::kOffsetsOutOfOrder);
  chunk.first_byte = int64_t(o[0]);
  chunk.end_byte = int64_t(o[array.length]);
  if (chunk.end_byte > chunk.first_byte) {
    if (!data) return invalid_data(texts::kNoDataBuffer);
    if (!addressable(data, uint64_t(chunk.end_byte))) return invalid_data(texts::kOffsetsOutOfRange);
  }
  return ok_status();
}

// Every valid row's view must lie inside its data buffer, by the sizes the
// array declares; the walk checks each view again as it reads it.
Status check_view_rows(const ArrowArray& array, ArrowChunk& out) {
  WordChunk& chunk = out.chunk;
  const auto* views = static_cast<const uint8_t*>(array.buffers[1]);
  if (array.length > 0 && !views) return invalid_data(texts::kNoViewsBuffer);
  if (!addressable(views, uint64_t(array.offset + array.length) * 16)) return invalid_data(texts::kViewsBufferRange);
  const int64_t data_buffers = array.n_buffers - 3;
  const auto* sizes = static_cast<const int64_t*>(array.buffers[array.n_buffers - 1]);
  if (data_buffers > 0 && !sizes) return invalid_data(texts::kNoBufferSizes);
  out.view_data.assign(array.buffers + 2, array.buffers + 2 + data_buffers);
  out.view_sizes.assign(sizes, sizes + data_buffers);
  for (int64_t b = 0; b < data_buffers; ++b) {
    const int64_t size = out.view_sizes[size_t(b)];
    if (size < 0 || !addressable(out.view_data[size_t(b)], uint64_t(size))) {
      return invalid_data(texts::kDataBufferSizeRange);
    }
  }
  for (int64_t j = array.offset; j < array.offset + array.length; ++j) {
    if (!chunk.valid_at(j)) continue;
    const ArrowView view = ArrowView::decode(views + 16 * j);
    if (view.length < 0) return invalid_data(texts::kNegativeViewLength);
    if (view.is_inline()) continue;
    if (view.buffer < 0 || view.buffer >= data_buffers || view.offset < 0 ||
        int64_t(view.offset) + view.length > out.view_sizes[size_t(view.buffer)]) {
      return invalid_data(texts::kViewOutsideBuffer);
    }
    if (!out.view_data[size_t(view.buffer)]) return invalid_data(texts::kNoDataBuffer);
  }
  chunk.layout = WordChunk::Layout::kViews;
  chunk.views = views;
  chunk.view_buffers = data_buffers;
  return ok_status();
}

}  // namespace

std::optional<ArrowStringType> arrow_string_type(const char* format) {
  if (!format) return std::nullopt;
  if (std::strcmp(format, "u") == 0) return ArrowStringType::kString;
  if (std::strcmp(format, "U") == 0) return ArrowStringType::kLargeString;
  if (std::strcmp(format, "vu") == 0) return ArrowStringType::kStringView;
  return std::nullopt;
}

Expected<ArrowChunk> read_arrow_chunk(ArrowStringType type, const ArrowArray& array) {
  if (!array.release) return invalid_data(texts::kArrayReleased);
  if (array.length < 0 || array.offset < 0) return invalid_data(texts::kNegativeLengthOrOffset);
  if (array.length > int64_t(kMaxArrowBufferBytes) || array.offset > int64_t(kMaxArrowBufferBytes)) {
    return invalid_data(texts::kLengthOrOffsetRange);
  }
  if (array.n_buffers < 3 || (type != ArrowStringType::kStringView && array.n_buffers != 3) || !array.buffers) {
    return invalid_data(texts::kWrongBufferCount);
  }
  ArrowChunk out;
  WordChunk& chunk = out.chunk;
  chunk.rows = size_t(array.length);
  chunk.offset = array.offset;
  chunk.validity = array.null_count == 0 ? nullptr : static_cast<const uint8_t*>(array.buffers[0]);
  if (chunk.validity && !addressable(chunk.validity, uint64_t(array.offset + array.length + 7) / 8)) {
    return invalid_data(texts::kValidityBufferRange);
  }
  Status checked = ok_status();
  switch (type) {
    case ArrowStringType::kString:
      checked = check_offset_rows<int32_t>(array, chunk);
      break;
    case ArrowStringType::kLargeString:
      checked = check_offset_rows<int64_t>(array, chunk);
      break;
    case ArrowStringType::kStringView:
      checked = check_view_rows(array, out);
      break;
  }
  if (!checked) return checked.take_error();
  return out;
}

}  // namespace velmora
