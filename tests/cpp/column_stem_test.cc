// The column walk against the word-by-word walk: on a column larger than a
// core's cache (one thread then writes its output with streaming stores, two
// write it with plain ones) and on groups of long rows; every way equals
// find_stem row by row, on a fresh output and on one whose buffers are reused.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "model/model_loading.h"
#include "runtime/column_stem.h"
#include "runtime/stem_walk.h"
#include "test_util.h"
#include "util/cache_lines.h"

namespace velmora {
namespace {

template <typename Offset>
struct Rows {
  std::vector<Offset> offsets{0};
  std::string data;
  std::vector<uint8_t> validity;

  WordChunk chunk(size_t rows) const {
    WordChunk c;
    c.layout = sizeof(Offset) == 8 ? WordChunk::Layout::kOffsets64 : WordChunk::Layout::kOffsets32;
    c.rows = rows;
    c.offsets = offsets.data();
    c.data = data.data();
    c.validity = validity.data();
    c.first_byte = 0;
    c.end_byte = int64_t(data.size());
    return c;
  }
};

template <typename Offset>
void expect_column_equals_word_by_word(const CompiledTrie& trie, const std::vector<std::string>& words) {
  Rows<Offset> rows;
  rows.validity.assign(words.size() / 8 + 1, 0);
  for (size_t i = 0; i < words.size(); ++i) {
    rows.data += words[i];
    rows.offsets.push_back(Offset(rows.data.size()));
    if (i % 101 != 7) rows.validity[i / 8] |= uint8_t(1 << (i % 8));  // every 101st row null
  }
  WordColumn column;
  column.chunks.push_back(rows.chunk(words.size()));
  StemScratch scratch;
  StemColumn out;
  for (unsigned threads : {1u, 2u, 1u}) {
    ColumnOptions options;
    options.threads = threads;
    ASSERT_EQ(stem_column(trie, column, options, out), kNoIndex);
    ASSERT_EQ(out.rows(), words.size());
    size_t mismatches = 0, nulls = 0;
    for (size_t i = 0; i < words.size(); ++i) {
      const auto want = i % 101 == 7 ? std::nullopt : find_stem(trie, words[i], scratch, trie.direct_output_allowed());
      const std::string got(out.data.data() + out.offsets[i], size_t(out.offsets[i + 1] - out.offsets[i]));
      nulls += !out.valid(i);
      if (out.valid(i) != want.has_value() || (want && got != want->text)) {
        if (++mismatches < 5) ADD_FAILURE() << "threads " << threads << " row " << i << " " << words[i];
      }
    }
    EXPECT_EQ(mismatches, 0u);
    EXPECT_EQ(out.null_count, nulls);
  }
}

TEST(ColumnWalk, LargeColumnEqualsWordByWord) {
  const std::string text = testing::english_dictionary_text();
  if (text.empty()) GTEST_SKIP() << "shared data not present";
  const size_t rows_needed = core_cache_bytes() / 16 + 20000;
  if (rows_needed > (size_t(8) << 20)) GTEST_SKIP() << "this core's cache is too large to pass here";
  std::vector<std::string> words = testing::dictionary_words(text, true);
  // Upper-case rows, rows with a non-ASCII letter (their groups take the
  // general path between streamed ones) and empty rows.
  const size_t n = words.size();
  for (size_t i = 0; i < n; i += 5) {
    words.push_back(testing::ascii_upper(words[i]));
    if (i % 4000 == 0) words.push_back(words[i] + "\xC3\xA9");
    if (i % 3000 == 0) words.push_back("");
  }
  while (words.size() < rows_needed) words.insert(words.end(), words.begin(), words.begin() + std::min(n, rows_needed - words.size()));
  auto trie = testing::trie_from_dictionary(text, true);
  ASSERT_TRUE(trie.ok());
  expect_column_equals_word_by_word<int64_t>(**trie, words);
  expect_column_equals_word_by_word<int32_t>(**trie, words);
}

// Rows long enough that a group stops at its byte bound, one row longer than
// the bound by itself, and short rows between them.
TEST(ColumnWalk, GroupsBoundedByTheirBytesEqualWordByWord) {
  ModelOptions options;
  options.backward = true;
  auto trie = trie_from_model_bytes("walk\twalks\twalked\ncat\tcats\n", options).value();
  std::vector<std::string> words;
  for (size_t i = 0; i < 900; ++i) {
    words.push_back(i % 3 == 0 ? std::string(700 + i, 'q') + "walks" : i % 3 == 1 ? "cats" : "walked");
  }
  words.insert(words.begin() + 450, std::string(200000, 'q') + "walked");
  expect_column_equals_word_by_word<int64_t>(*trie, words);
  expect_column_equals_word_by_word<int32_t>(*trie, words);
}

}  // namespace
}  // namespace velmora
