#include "runtime/column_stem.h"

#include <algorithm>
#include <atomic>
#include <barrier>
#include <cstring>
#include <exception>
#include <system_error>
#include <thread>

#include "runtime/arrow_rows.h"
#include "runtime/stem_bytes.h"
#include "runtime/stem_walk.h"
#include "util/cache_lines.h"
#include "util/utf.h"

namespace velmora {

namespace {

// Below this many words a second thread does not pay for its start (about
// 50 µs) and the final copy of its output.
constexpr size_t kRowsPerExtraThread = 16384;

// Threads take the rows in blocks of this many, the next free block each
// time, so that a thread whose rows walk faster takes more of them.
constexpr size_t kRowsPerBlock = 8192;  // a multiple of 8: blocks share no byte of validity bits

// A column one thread walks writes its gathered groups' stems and offsets
// with streaming stores (stream_copy) when its output, about this many bytes
// a row, passes the core's cache: it cannot stay there, and a plain store
// would first read each line of the reused buffers in from memory and evict
// a line of the trie for it. With more threads, the blocks' bytes and
// offsets are read again when they are placed, so they stay in the cache.
// PERF NOTE: measured on the English list (one thread, time-stamp ticks a
// row), the writing of rows started cold (a while after the last column)
// 19.4-20.1 -> 13.1-13.9; started warm, 10.9-11.1 -> 12.4-13.2, for the
// group's own buffer and the stores that go to memory.
constexpr size_t kStreamedRowBytes = 16;

// One block of rows: [begin, end) of the input. Its bytes go to `bytes`
// (written over the memory it holds at the start); offsets[i + 1] holds the
// end of row i relative to this block's first byte.
struct Share {
  size_t begin = 0, end = 0;
  // Write the stems and offsets of gathered groups past the cache (see
  // kStreamedRowBytes).
  bool streamed = false;
  ByteVector bytes;
  size_t null_count = 0;
  size_t bad_row = kNoIndex;
  std::exception_ptr failure;
};

// Where a block's rows go: the shared validity bits and offsets (each row's
// own), and the block's bytes.
struct ShareOutput {
  StemColumn& out;
  Share& share;
  StemBytes bytes;
  // A gathered group's stems, before they go to `bytes` at once.
  StemBytes group_bytes{ByteVector(), 0};

  // Row r's end and validity, after its bytes were written.
  void finish_row(size_t r, bool valid) {
    out.validity[r >> 3] |= uint8_t(valid) << (r & 7);
    share.null_count += !valid;
    out.offsets[r + 1] = int64_t(bytes.size());
  }
};

// Rows [0, count) through the general walk, one word at a time, to the
// output row `first_out` on: `row_at(i, word)` reads row i and says whether
// it is valid. Its views must stay valid until the rows are emitted.
template <typename RowAt>
void stem_rows(const CompiledTrie& trie, size_t count, RowAt&& row_at, size_t first_out,
               const ColumnOptions& options, ShareOutput& output) {
  Share& share = output.share;
  // The rows read ahead of their stems (up to kStemGroup), for nulls and keep_input.
  std::string_view rows[kStemGroup];
  bool present[kStemGroup];
  auto word_at = [&](size_t i, std::string_view& word) {
    const size_t k = i % kStemGroup;
    // Read into a local: two 8-byte stores read back as one 16-byte copy stall.
    std::string_view row;
    present[k] = row_at(i, row);
    if (!present[k]) return WordKind::kNotAWord;
    rows[k] = row;
    word = row;
    if (options.validate_utf8 && !is_ascii(word) && !check_utf8(word).ok) {
      if (share.bad_row == kNoIndex) share.bad_row = first_out + i;
      return WordKind::kNotAWord;  // never walked: the walk takes valid UTF-8 only
    }
    return WordKind::kWord;
  };
  auto emit = [&](size_t i, const StemView* stem) {
    const size_t r = first_out + i;
    if (r == share.bad_row) return false;
    const size_t k = i % kStemGroup;
    bool valid = present[k];
    if (stem) output.bytes.append(stem->text);
    else if (valid && options.keep_input) output.bytes.append(rows[k]);
    else valid = false;
    output.finish_row(r, valid);
    return true;
  };
  for_each_stem(trie, count, word_at, emit, trie.direct_output_allowed());
}

// Rows [begin, end) of an Arrow chunk, to the output row `first_out` on, a
// gathered group at a time: a group whose bytes are all ASCII walks
// interleaved lanes on its keys, any other goes through stem_rows.
// PERF NOTE: an ASCII word is its own key (with a lowercasing model, the
// group's bytes are lowercased at once, eight at a time), its value comes
// from the same walk as for_each_stem's (wide or interleaved lanes), and
// most stems are a prefix of the key and an ending's tail, written with a
// sixteen-byte copy and an eight-byte store; other stems go through
// finish_ascii. One word of another script sends only its group down the
// general path.
template <bool kLower>
void stem_arrow_rows(const CompiledTrie& trie, const WordChunk& chunk, size_t begin, size_t end,
                     size_t first_out, const ColumnOptions& options, ShareOutput& output,
                     StemScratch& scratch, GatheredRows& g) {
  const bool keep_input = options.keep_input;
  uint32_t values[GatheredRows::kMaxRows];
  std::string lowered;
  for (size_t row = begin; row < end && output.share.bad_row == kNoIndex;) {
    gather_rows(chunk, row, std::min(GatheredRows::kMaxRows, end - row), g);
    const size_t count = g.count, out_row = first_out + (row - begin);
    row += count;
    if (!is_ascii(g.all())) {
      stem_rows(
          trie, count,
          [&g](size_t i, std::string_view& word) {
            word = g.word(i);
            return g.valid[i];
          },
          out_row, options, output);
      continue;
    }
    const char* keys = g.bytes.data();
    const char* keys_end = g.bytes_end();
    if constexpr (kLower) {
      lowered.resize(g.bytes.size());
      ascii_lower_into(g.bytes, lowered.data());
      keys = lowered.data();
      keys_end = lowered.data() + lowered.size();
    }
    auto key_at = [&](size_t i) { return std::string_view(keys + g.starts[i], g.starts[i + 1] - g.starts[i]); };
    trie.preferred_values_of_run(keys, g.starts, count, values);
    // PERF NOTE: the rows write through locals: a cursor into room reserved
    // for the group, the validity bits, the ends, a null count. Stem bytes
    // are stored through char pointers, which may alias anything, so through
    // the output's members every row reloaded every one of them.
    // Measured on the English list (one thread, time-stamp ticks a row):
    // this loop 21 -> 19; making endings with one store (AsciiEnding) -> 13.
    uint8_t* const validity = output.out.validity.data();
    int64_t ends[GatheredRows::kMaxRows];
    size_t nulls = 0;
    // A stem an ending makes is at most max_ending_growth() longer than its
    // key, and a kept word is its key, so the group's key bytes from row i on,
    // and that growth for each row, bound what rows i.. write that way.
    const size_t growth = trie.max_ending_growth();
    const int64_t base = int64_t(output.bytes.size());
    StemBytes& stems = output.group_bytes;
    stems.clear();
    size_t written = 0;
    char* room = stems.reserve(g.starts[count] + count * growth);
    char* at = room;
    for (size_t i = 0; i < count; ++i) {
      bool valid = g.valid[i];
      const std::string_view key = key_at(i);
      const uint32_t value = values[i];
      StemView stem;
      if (valid && value != kNoIndex && trie.ascii_ending(value).applies(key.size())) {
        // A prefix of the key, which lies among the group's keys (the slack
        // behind them lets a copy read sixteen bytes at a time), then the tail.
        const AsciiEnding& ending = trie.ascii_ending(value);
        const size_t kept = ending.kept(key.size());
        copy_ascii<false>(key.data(), kept, keys_end, at);
        store_word(at + kept, ending.tail);
        at += kept + ending.tail_length;
      } else if (valid && finish_ascii(trie, value, key, scratch, stem)) {
        // Any other stem may outgrow its key: the checked append, then room again.
        stems.commit(size_t(at - room));
        stems.append(stem.text);
        written = stems.size();
        room = at = stems.reserve(g.starts[count] - g.starts[i + 1] + (count - i - 1) * growth);
      } else if (valid && keep_input) {
        const std::string_view word = g.word(i);
        copy_ascii<false>(word.data(), word.size(), g.bytes_end(), at);
        at += word.size();
      } else {
        valid = false;
      }
      const size_t r = out_row + i;
      validity[r >> 3] |= uint8_t(valid) << (r & 7);
      nulls += !valid;
      ends[i] = base + int64_t(written + size_t(at - room));
    }
    stems.commit(size_t(at - room));
    int64_t* const offsets = output.out.offsets.data() + out_row + 1;
    if (output.share.streamed) {
      output.bytes.append_streamed(std::string_view(stems.data(), stems.size()));
      stream_copy(offsets, ends, count * sizeof(int64_t));
    } else {
      output.bytes.append(std::string_view(stems.data(), stems.size()));
      std::memcpy(offsets, ends, count * sizeof(int64_t));
    }
    output.share.null_count += nulls;
  }
}

void stem_share(const CompiledTrie& trie, const WordColumn& in, size_t in_rows, const ColumnOptions& options,
                StemColumn& out, Share& share) {
  try {
    // Eight bytes a row covers most stems. The first block reserves for every
    // row, since the others' bytes are appended to it; untouched reserved
    // pages cost no memory.
    ShareOutput output{out, share,
                       StemBytes(std::move(share.bytes), (share.begin == 0 ? in_rows : share.end - share.begin) * 8)};
    StemScratch scratch;
    std::unique_ptr<GatheredRows> gathered;
    // The block's rows chunk by chunk: [local, local + take) of chunk c is
    // output row r on.
    size_t c = 0, local = share.begin;
    while (c < in.chunks.size() && local >= in.chunks[c].rows) local -= in.chunks[c++].rows;
    for (size_t r = share.begin; r < share.end && share.bad_row == kNoIndex; ++c, local = 0) {
      const WordChunk& chunk = in.chunks[c];
      const size_t take = std::min(chunk.rows - local, share.end - r);
      if (take == 0) continue;
      if (chunk.layout == WordChunk::Layout::kTexts) {
        stem_rows(
            trie, take, [&chunk, local](size_t i, std::string_view& word) { return chunk.text(local + i, word); },
            r, options, output);
      } else {
        if (!gathered) gathered = std::make_unique<GatheredRows>();
        if (trie.case_mode() == CaseMode::kAsIs) {
          stem_arrow_rows<false>(trie, chunk, local, local + take, r, options, output, scratch, *gathered);
        } else {
          stem_arrow_rows<true>(trie, chunk, local, local + take, r, options, output, scratch, *gathered);
        }
      }
      r += take;
    }
    share.bytes = output.bytes.take();
  } catch (...) {
    share.failure = std::current_exception();
  }
  stream_fence();  // before the barrier or the join publishes the block
}

}  // namespace

unsigned core_count() {
  static const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  return cores;
}

unsigned default_threads(size_t rows) { return rows < 2 * kRowsPerExtraThread ? 1 : core_count(); }

size_t stem_column(const CompiledTrie& trie, const WordColumn& in, const ColumnOptions& options,
                   StemColumn& out) {
  const size_t n = in.rows();
  // The buffers `out` holds are written over, their memory reused.
  out.validity.assign((n + 7) / 8, 0);
  out.offsets.resize(n + 1);  // every entry is written by the share that holds its row
  out.offsets[0] = 0;
  out.null_count = 0;
  // More threads than cores only add stacks and thread-local memory (whose
  // allocation failure glibc cannot report but by aborting).
  const size_t thread_count = std::clamp<size_t>(std::min(options.threads, core_count()), 1, std::max<size_t>(n, 1));
  // One thread walks the column as one block; more take blocks as they free up.
  const size_t block_rows = thread_count == 1 ? std::max<size_t>(n, 1) : kRowsPerBlock;
  std::vector<Share> shares((n + block_rows - 1) / block_rows + (n == 0));
  for (size_t b = 0; b < shares.size(); ++b) {
    shares[b].begin = std::min(n, b * block_rows);
    shares[b].end = std::min(n, (b + 1) * block_rows);
  }
  shares[0].bytes = std::move(out.data);
  shares[0].streamed = thread_count == 1 && n * kStreamedRowBytes > core_cache_bytes();
  // Two phases: the threads stem the blocks; then, once each block's place in
  // the output bytes is known, they copy the blocks after the first there.
  // PERF NOTE: the copies and the offsets' shift run on every thread, not
  // after the join on one.
  std::atomic<size_t> next_block{0}, next_copy{1};
  bool copy_blocks = false;
  std::vector<int64_t> base(shares.size(), 0);
  auto place_blocks = [&]() noexcept {
    for (const Share& s : shares) {
      if (s.failure || s.bad_row != kNoIndex) return;
    }
    for (size_t b = 1; b < shares.size(); ++b) base[b] = base[b - 1] + int64_t(shares[b - 1].bytes.size());
    const size_t total = size_t(base.back()) + shares.back().bytes.size();
    // The first block's bytes stay where they are; its buffer was reserved for
    // every row, so it seldom grows here.
    try {
      out.data = std::move(shares[0].bytes);
      out.data.resize(total);
    } catch (...) {
      shares[0].failure = std::current_exception();
      return;
    }
    copy_blocks = true;
  };
  std::barrier<decltype(place_blocks)> placed(ptrdiff_t(std::min(thread_count, shares.size())), place_blocks);
  auto work = [&] {
    trie.prefetch_tables(n / thread_count);  // into this thread's core
    for (size_t b; (b = next_block.fetch_add(1, std::memory_order_relaxed)) < shares.size();) {
      stem_share(trie, in, n, options, out, shares[b]);
    }
    placed.arrive_and_wait();
    if (!copy_blocks) return;
    for (size_t b; (b = next_copy.fetch_add(1, std::memory_order_relaxed)) < shares.size();) {
      const Share& s = shares[b];
      if (!s.bytes.empty()) std::memcpy(out.data.data() + base[b], s.bytes.data(), s.bytes.size());
      for (size_t i = s.begin; i < s.end; ++i) out.offsets[i + 1] += base[b];
    }
  };
  {
    std::vector<std::thread> workers;
    const size_t helpers = std::min(thread_count, shares.size()) - 1;
    workers.reserve(helpers);
    for (size_t t = 0; t < helpers; ++t) {
      try {
        workers.emplace_back(work);
      } catch (...) {
        // No more threads (std::system_error, or std::bad_alloc for the
        // thread's state): the ones running take every block, and the
        // barrier waits for them only.
        for (; t < helpers; ++t) placed.arrive_and_drop();
        break;
      }
    }
    work();
    for (auto& w : workers) w.join();
  }
  for (const Share& s : shares) {
    if (s.failure) std::rethrow_exception(s.failure);
    if (s.bad_row != kNoIndex) return s.bad_row;
  }
  for (const Share& s : shares) out.null_count += s.null_count;
  return kNoIndex;
}

}  // namespace velmora
