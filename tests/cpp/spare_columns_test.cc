#include "runtime/spare_columns.h"

#include <gtest/gtest.h>

#include "runtime/column_stem.h"
#include "model/model_loading.h"

namespace velmora {
namespace {

StemColumn column_holding(size_t bytes) {
  StemColumn column;
  column.data.resize(bytes);
  return column;
}

// Drains whatever an earlier test left, so each test starts with none kept.
void drain() {
  while (spare_column_bytes() != 0) take_spare_column();
}

TEST(SpareColumns, KeptMemoryComesBackAndIsCountedOnce) {
  drain();
  keep_spare_column(column_holding(1 << 20));
  keep_spare_column(column_holding(2 << 20));
  EXPECT_EQ(spare_column_bytes(), size_t(3) << 20);
  const StemColumn first = take_spare_column();
  const StemColumn second = take_spare_column();
  EXPECT_EQ(first.data.capacity() + second.data.capacity(), size_t(3) << 20);
  EXPECT_EQ(spare_column_bytes(), 0u);
  EXPECT_EQ(take_spare_column().data.capacity(), 0u);  // none left: a fresh column
}

TEST(SpareColumns, NoMoreThanTheBoundIsKept) {
  drain();
  keep_spare_column(column_holding(kSpareColumnBytes + 1));
  EXPECT_EQ(spare_column_bytes(), 0u);
  keep_spare_column(column_holding(kSpareColumnBytes / 2));
  keep_spare_column(column_holding(kSpareColumnBytes / 2 + 1));  // would pass the bound
  EXPECT_EQ(spare_column_bytes(), kSpareColumnBytes / 2);
  drain();
}

TEST(SpareColumns, AColumnWrittenOverReadsAsItsOwnRows) {
  // A column first filled with long valid rows, then reused for a shorter one
  // with nulls: no byte, offset or validity bit of the first shows through.
  auto trie = trie_from_model_bytes("walk\twalks\twalking\n", ModelOptions()).value();
  std::vector<std::string_view> long_rows(100, "walking"), short_rows{"walks", "qqq", "walk"};
  auto column_of = [](std::vector<std::string_view>& rows) {
    WordColumn in;
    WordChunk chunk;
    chunk.rows = rows.size();
    chunk.texts = rows.data();
    in.chunks.push_back(chunk);
    return in;
  };
  StemColumn out;
  ASSERT_EQ(stem_column(*trie, column_of(long_rows), ColumnOptions(), out), kNoIndex);
  ASSERT_EQ(stem_column(*trie, column_of(short_rows), ColumnOptions(), out), kNoIndex);
  ASSERT_EQ(out.rows(), 3u);
  EXPECT_EQ(out.null_count, 1u);
  EXPECT_TRUE(out.valid(0) && !out.valid(1) && out.valid(2));
  EXPECT_EQ(std::string(out.data.data(), out.data.size()), "walkwalk");
  EXPECT_EQ(out.offsets[3], 8);
}

}  // namespace
}  // namespace velmora
