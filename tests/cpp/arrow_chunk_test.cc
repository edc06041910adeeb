// The Arrow chunk reader's checks, and the column walk over buffers a
// producer changes after they were checked: stems may change, reads stay
// inside what was checked.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "model/model_loading.h"
#include "runtime/arrow_chunk.h"
#include "runtime/column_stem.h"

namespace velmora {
namespace {

void no_release(ArrowArray* array) { array->release = nullptr; }

// A string or large_string array over caller-owned buffers.
template <typename Offset>
struct OffsetArray {
  std::vector<Offset> offsets;
  std::string data;
  const void* buffers[3] = {};
  ArrowArray array{};

  OffsetArray(const std::vector<std::string>& rows, int64_t offset = 0) {
    offsets.push_back(0);
    for (const std::string& row : rows) {
      data += row;
      offsets.push_back(Offset(data.size()));
    }
    buffers[1] = offsets.data();
    buffers[2] = data.data();
    array.length = int64_t(rows.size()) - offset;
    array.offset = offset;
    array.n_buffers = 3;
    array.buffers = buffers;
    array.release = no_release;
  }
};

ArrowStringType type_of(const OffsetArray<int32_t>&) { return ArrowStringType::kString; }
ArrowStringType type_of(const OffsetArray<int64_t>&) { return ArrowStringType::kLargeString; }

std::shared_ptr<CompiledTrie> small_model() {
  ModelOptions options;
  options.backward = true;
  return trie_from_model_bytes("walk\twalks\twalked\nrun\truns\tran\ncat\tcats\n", options).value();
}

std::vector<std::string> stems_of(const WordChunk& chunk, unsigned threads = 1) {
  WordColumn column;
  column.chunks.push_back(chunk);
  ColumnOptions options;
  options.threads = threads;
  options.keep_input = true;
  options.validate_utf8 = true;
  StemColumn out;
  EXPECT_EQ(stem_column(*small_model(), column, options, out), kNoIndex);
  std::vector<std::string> stems;
  for (size_t i = 0; i < out.rows(); ++i) {
    stems.emplace_back(out.data.data() + out.offsets[i], size_t(out.offsets[i + 1] - out.offsets[i]));
  }
  return stems;
}

std::string error_of(const Expected<ArrowChunk>& chunk) { return chunk ? "" : chunk.error().message; }

TEST(ArrowChunk, ReadsStringAndLargeStringRows) {
  OffsetArray<int32_t> small({"cats", "walked", "x"});
  OffsetArray<int64_t> large({"cats", "walked", "x"}, 1);
  auto a = read_arrow_chunk(type_of(small), small.array);
  auto b = read_arrow_chunk(type_of(large), large.array);
  ASSERT_TRUE(a && b);
  EXPECT_EQ(stems_of(a->rows()), (std::vector<std::string>{"cat", "walk", "x"}));
  EXPECT_EQ(stems_of(b->rows()), (std::vector<std::string>{"walk", "x"}));
}

TEST(ArrowChunk, RefusesReleasedAndMalformedArrays) {
  OffsetArray<int64_t> released({"cats"});
  released.array.release = nullptr;
  EXPECT_EQ(error_of(read_arrow_chunk(ArrowStringType::kLargeString, released.array)), "the array was released");

  OffsetArray<int64_t> falling({"cats", "runs"});
  falling.offsets[1] = 9;
  EXPECT_EQ(error_of(read_arrow_chunk(ArrowStringType::kLargeString, falling.array)), "offsets out of order");

  OffsetArray<int64_t> negative({"cats"});
  negative.array.offset = -1;
  EXPECT_EQ(error_of(read_arrow_chunk(ArrowStringType::kLargeString, negative.array)), "negative length or offset");

  OffsetArray<int64_t> no_data({"cats"});
  no_data.buffers[2] = nullptr;
  EXPECT_EQ(error_of(read_arrow_chunk(ArrowStringType::kLargeString, no_data.array)), "no data buffer");
}

// Offsets the pointer arithmetic would wrap, or that no buffer can reach.
TEST(ArrowChunk, RefusesOffsetsOutOfRange) {
  for (int64_t last : {int64_t(1) << 62, (int64_t(1) << 48) + 1, INT64_MAX}) {
    OffsetArray<int64_t> array({"cats", "runs"});
    array.offsets[2] = last;
    EXPECT_EQ(error_of(read_arrow_chunk(ArrowStringType::kLargeString, array.array)), "offsets out of range")
        << last;
  }
  OffsetArray<int64_t> huge_offset({"cats"});
  huge_offset.array.offset = INT64_MAX - 1;
  huge_offset.array.length = 5;
  EXPECT_FALSE(read_arrow_chunk(ArrowStringType::kLargeString, huge_offset.array));
}

// Offsets changed after the check (by another thread of the producer) stay
// inside the checked range of the data: the walk reads only that.
TEST(ArrowChunk, OffsetsChangedAfterTheCheckStayInsideIt) {
  std::vector<std::string> rows(5000, "walks");
  rows[0] = "cats";
  OffsetArray<int32_t> array(rows);
  auto chunk = read_arrow_chunk(ArrowStringType::kString, array.array);
  ASSERT_TRUE(chunk);
  const size_t mid = rows.size() / 2;
  array.offsets[mid] = INT32_MAX - 1000;  // far past the data
  array.offsets[mid + 10] = -5;           // before it
  array.offsets[0] = 3;
  for (unsigned threads : {1u, 2u}) {
    const std::vector<std::string> stems = stems_of(chunk->rows(), threads);
    ASSERT_EQ(stems.size(), rows.size());
    EXPECT_EQ(stems[100], "walk");
    EXPECT_EQ(stems.back(), "walk");
    EXPECT_EQ(stems[mid], "");  // starts where the data ends: the clamp of the offset before
    for (const std::string& stem : stems) EXPECT_LE(stem.size(), array.data.size());
  }
}

// A string_view array: views inline or in one data buffer.
struct ViewArray {
  std::vector<uint8_t> views;
  std::string data;
  std::vector<uint8_t> validity;
  int64_t size = 0;
  const void* buffers[4] = {};
  ArrowArray array{};

  explicit ViewArray(const std::vector<std::string>& rows) {
    data = std::string(64, 'q');
    for (const std::string& row : rows) data += row;
    size = int64_t(data.size());
    views.resize(16 * rows.size());
    validity.assign((rows.size() + 7) / 8, 0xFF);
    int32_t at = 64;
    for (size_t i = 0; i < rows.size(); ++i) set(i, rows[i], at), at += int32_t(rows[i].size());
    buffers[0] = validity.data();
    buffers[1] = views.data();
    buffers[2] = data.data();
    buffers[3] = &size;
    array.length = int64_t(rows.size());
    array.null_count = -1;
    array.n_buffers = 4;
    array.buffers = buffers;
    array.release = no_release;
  }
  void set(size_t i, const std::string& row, int32_t at) {
    uint8_t* view = views.data() + 16 * i;
    const auto length = int32_t(row.size());
    std::memcpy(view, &length, 4);
    if (length <= 12) {
      std::memcpy(view + 4, row.data(), row.size());
    } else {
      const int32_t buffer = 0;
      std::memcpy(view + 8, &buffer, 4);
      std::memcpy(view + 12, &at, 4);
    }
  }
};

TEST(ArrowChunk, RefusesViewsOutsideTheirBuffer) {
  ViewArray array({"walkingwalking", "cats"});
  int32_t past = int32_t(array.size) - 3;
  std::memcpy(array.views.data() + 12, &past, 4);
  EXPECT_EQ(error_of(read_arrow_chunk(ArrowStringType::kStringView, array.array)), "view outside its data buffer");
  // A null row's view is never read, so it is not checked either.
  array.validity[0] = 0xFE;
  EXPECT_TRUE(read_arrow_chunk(ArrowStringType::kStringView, array.array));
}

// Each part of an array the reader refuses is named in its message. The
// pointers near the top of the address space are never read: the reader
// refuses a buffer whose extent would wrap before it touches it.
TEST(ArrowChunk, NamesTheMalformedPart) {
  const void* wrapping = reinterpret_cast<const void*>(std::numeric_limits<uintptr_t>::max());
  struct Case {
    const char* expected;
    void (*spoil)(OffsetArray<int64_t>&, ViewArray&, const void*);
    ArrowStringType type;
  };
  const Case cases[] = {
      {"no offsets buffer", [](auto& o, auto&, auto) { o.buffers[1] = nullptr; }, ArrowStringType::kLargeString},
      {"offsets buffer out of range", [](auto& o, auto&, auto w) { o.buffers[1] = w; }, ArrowStringType::kLargeString},
      {"validity buffer out of range",
       [](auto& o, auto&, auto w) { o.buffers[0] = w, o.array.null_count = 1; }, ArrowStringType::kLargeString},
      {"length or offset out of range",
       [](auto& o, auto&, auto) { o.array.length = int64_t(kMaxArrowBufferBytes) + 1; }, ArrowStringType::kLargeString},
      {"wrong number of buffers", [](auto& o, auto&, auto) { o.array.n_buffers = 2; }, ArrowStringType::kLargeString},
      {"no views buffer", [](auto&, auto& v, auto) { v.buffers[1] = nullptr; }, ArrowStringType::kStringView},
      {"views buffer out of range", [](auto&, auto& v, auto w) { v.buffers[1] = w; }, ArrowStringType::kStringView},
      {"no buffer sizes", [](auto&, auto& v, auto) { v.buffers[3] = nullptr; }, ArrowStringType::kStringView},
      {"data buffer size out of range", [](auto&, auto& v, auto) { v.size = -1; }, ArrowStringType::kStringView},
  };
  for (const Case& c : cases) {
    OffsetArray<int64_t> offsets({"cats", "walked"});
    ViewArray views({"walkingwalking", "cats"});
    c.spoil(offsets, views, wrapping);
    const ArrowArray& array = c.type == ArrowStringType::kStringView ? views.array : offsets.array;
    EXPECT_EQ(error_of(read_arrow_chunk(c.type, array)), c.expected);
  }
}

// Views, validity and declared sizes changed after the check: a view that no
// longer passes reads as empty; nothing is read outside the buffers.
TEST(ArrowChunk, ViewsChangedAfterTheCheckAreReadSafely) {
  std::vector<std::string> rows(3000, "walkedwalkedwalked");  // in the data buffer
  rows[1] = "cats";                                           // inline
  ViewArray array(rows);
  array.validity[0] = 0xFD;  // row 1 null, its view then garbage
  const std::vector<std::string> before =
      stems_of(read_arrow_chunk(ArrowStringType::kStringView, ViewArray(rows).array)->rows());
  auto chunk = read_arrow_chunk(ArrowStringType::kStringView, array.array);
  ASSERT_TRUE(chunk);
  const int32_t far = INT32_MAX - 16, buffer = 7, length = 100;
  std::memcpy(array.views.data() + 16, &length, 4);            // the null row's view
  std::memcpy(array.views.data() + 16 + 12, &far, 4);
  std::memcpy(array.views.data() + 16 * 500 + 12, &far, 4);    // a valid row's offset
  std::memcpy(array.views.data() + 16 * 900 + 8, &buffer, 4);  // a valid row's buffer
  array.validity[0] = 0xFF;                                    // the null row turns valid
  array.size = INT64_MAX;                                      // the declared size grows
  for (unsigned threads : {1u, 2u}) {
    const std::vector<std::string> stems = stems_of(chunk->rows(), threads);
    ASSERT_EQ(stems.size(), rows.size());
    EXPECT_EQ(stems[1], "");
    EXPECT_EQ(stems[500], "");
    EXPECT_EQ(stems[900], "");
    for (size_t i : {size_t(0), size_t(2), size_t(499), size_t(501), rows.size() - 1}) EXPECT_EQ(stems[i], before[i]);
  }
}

}  // namespace
}  // namespace velmora
