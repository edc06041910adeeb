#include "runtime/column_stem.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <exception>
#include <thread>

#include "runtime/stem_walk.h"
#include "util/utf.h"

namespace velmora {

namespace {

// Below this many words a second thread does not pay for its start (about
// 50 µs) and the final copy of its output.
constexpr size_t kRowsPerExtraThread = 16384;

// Threads take the rows in blocks of this many, the next free block each
// time, so that a thread whose rows walk faster takes more of them.
constexpr size_t kRowsPerBlock = 8192;  // a multiple of 8: blocks share no byte of validity bits

// One block of rows: [begin, end) of the input. Its bytes go to `data`;
// offsets[i + 1] holds the end of row i relative to this block's first byte.
struct Share {
  size_t begin = 0, end = 0;
  std::string data;
  size_t null_count = 0;
  size_t bad_row = kNoIndex;
  std::exception_ptr failure;
};

// Reads rows [begin, end) in order, across chunks, and knows whether the
// rows it reads of the current chunk are all ASCII.
// PERF NOTE: one pass over a chunk's bytes (those of this thread's rows, in
// parallel with the other threads) spares the walk an ASCII check per row.
class RowCursor {
 public:
  RowCursor(const WordColumn& column, size_t begin, size_t end) : chunks_(column.chunks), left_(end - begin) {
    while (chunk_ < chunks_.size() && begin >= chunks_[chunk_].rows) begin -= chunks_[chunk_++].rows;
    local_ = begin;
    if (left_) enter_chunk();
  }
  // The next row into `word`; false for a null row.
  bool next(std::string_view& word) {
    if (local_ == chunks_[chunk_].rows) {
      ++chunk_;
      local_ = 0;
      while (chunks_[chunk_].rows == 0) ++chunk_;
      enter_chunk();
    }
    --left_;
    return chunks_[chunk_].row(local_++, word);
  }
  // Whether every row read from the current chunk is ASCII.
  bool ascii() const { return ascii_; }

 private:
  void enter_chunk() {
    const WordChunk& c = chunks_[chunk_];
    ascii_ = c.rows_ascii(local_, std::min(c.rows, local_ + left_));
  }

  const std::vector<WordChunk>& chunks_;
  size_t chunk_ = 0, local_ = 0, left_;
  bool ascii_ = false;
};

void stem_share(const CompiledTrie& trie, const WordColumn& in, size_t in_rows, const ColumnOptions& options,
                StemColumn& out, Share& share) {
  try {
    // Eight bytes a row covers most stems. The first block reserves for every
    // row, since the others' bytes are appended to it; untouched reserved
    // pages cost no memory.
    share.data.reserve((share.begin == 0 ? in_rows : share.end - share.begin) * 8);
    RowCursor cursor(in, share.begin, share.end);
    // The rows read ahead of their stems (up to kStemGroup), for nulls and keep_input.
    std::string_view rows[kStemGroup];
    bool present[kStemGroup];
    auto word_at = [&](size_t i, std::string_view& word) {
      const size_t k = i % kStemGroup;
      // Read into a local: two 8-byte stores read back as one 16-byte copy stall.
      std::string_view row;
      present[k] = cursor.next(row);
      if (!present[k]) return WordKind::kNotAWord;
      rows[k] = row;
      word = row;
      if (cursor.ascii()) return WordKind::kAsciiWord;
      if (options.validate_utf8 && !is_ascii(word) && !check_utf8(word).ok) {
        if (share.bad_row == kNoIndex) share.bad_row = share.begin + i;
        return WordKind::kNotAWord;  // never walked: the walk takes valid UTF-8 only
      }
      return WordKind::kWord;
    };
    auto emit = [&](size_t i, const StemView* stem) {
      const size_t r = share.begin + i;
      if (r == share.bad_row) return false;
      const size_t k = i % kStemGroup;
      bool valid = present[k];
      if (stem) share.data.append(stem->text);
      else if (valid && options.keep_input) share.data.append(rows[k]);
      else valid = false;
      out.validity[r >> 3] |= uint8_t(valid) << (r & 7);
      share.null_count += !valid;
      out.offsets[r + 1] = int64_t(share.data.size());
      return true;
    };
    for_each_stem(trie, share.end - share.begin, word_at, emit, trie.direct_output_allowed());
  } catch (...) {
    share.failure = std::current_exception();
  }
}

}  // namespace

unsigned default_threads(size_t rows) {
  if (rows < 2 * kRowsPerExtraThread) return 1;
  static const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  return cores;
}

size_t stem_column(const CompiledTrie& trie, const WordColumn& in, const ColumnOptions& options,
                   StemColumn& out) {
  const size_t n = in.rows();
  out.validity.assign((n + 7) / 8, 0);
  out.offsets.resize(n + 1);  // every entry is written by the share that holds its row
  out.offsets[0] = 0;
  out.data.clear();
  out.null_count = 0;
  const size_t thread_count = std::clamp<size_t>(options.threads, 1, std::max<size_t>(n, 1));
  // One thread walks the column as one block; more take blocks as they free up.
  const size_t block_rows = thread_count == 1 ? std::max<size_t>(n, 1) : kRowsPerBlock;
  std::vector<Share> shares((n + block_rows - 1) / block_rows + (n == 0));
  for (size_t b = 0; b < shares.size(); ++b) {
    shares[b].begin = std::min(n, b * block_rows);
    shares[b].end = std::min(n, (b + 1) * block_rows);
  }
  std::atomic<size_t> next_block{0};
  auto take_blocks = [&] {
    for (size_t b; (b = next_block.fetch_add(1, std::memory_order_relaxed)) < shares.size();) {
      stem_share(trie, in, n, options, out, shares[b]);
    }
  };
  {
    std::vector<std::thread> workers;
    const size_t helpers = std::min(thread_count, shares.size()) - 1;
    workers.reserve(helpers);
    for (size_t t = 0; t < helpers; ++t) workers.emplace_back(take_blocks);
    take_blocks();
    for (auto& w : workers) w.join();
  }
  size_t total = 0;
  for (const Share& s : shares) {
    if (s.failure) std::rethrow_exception(s.failure);
    if (s.bad_row != kNoIndex) return s.bad_row;
    total += s.data.size();
  }
  // The first block's bytes stay where they are; the others' follow them.
  out.data = std::move(shares[0].data);
  out.data.reserve(total);
  for (size_t b = 1; b < shares.size(); ++b) {
    const Share& s = shares[b];
    const auto base = int64_t(out.data.size());
    out.data.append(s.data);
    for (size_t i = s.begin; i < s.end; ++i) out.offsets[i + 1] += base;
  }
  for (const Share& s : shares) out.null_count += s.null_count;
  return kNoIndex;
}

}  // namespace velmora
