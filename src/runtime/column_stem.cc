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
#include "util/utf.h"

namespace velmora {

namespace {

// Below this many words a second thread does not pay for its start (about
// 50 µs) and the final copy of its output.
constexpr size_t kRowsPerExtraThread = 16384;

// Threads take the rows in blocks of this many, the next free block each
// time, so that a thread whose rows walk faster takes more of them.
constexpr size_t kRowsPerBlock = 8192;  // a multiple of 8: blocks share no byte of validity bits

// One block of rows: [begin, end) of the input. Its bytes go to `bytes`
// (written over the memory it holds at the start); offsets[i + 1] holds the
// end of row i relative to this block's first byte.
struct Share {
  size_t begin = 0, end = 0;
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

  // Row r's end and validity, after its bytes were written.
  void finish_row(size_t r, bool valid) {
    out.validity[r >> 3] |= uint8_t(valid) << (r & 7);
    share.null_count += !valid;
    out.offsets[r + 1] = int64_t(bytes.size());
  }
};

// Rows [begin, end) of any chunk, one word at a time through the general walk.
void stem_rows(const CompiledTrie& trie, const WordChunk& chunk, size_t begin, size_t end, size_t first_out,
               const ColumnOptions& options, ShareOutput& output) {
  Share& share = output.share;
  // The rows read ahead of their stems (up to kStemGroup), for nulls and keep_input.
  std::string_view rows[kStemGroup];
  bool present[kStemGroup];
  auto word_at = [&](size_t i, std::string_view& word) {
    const size_t k = i % kStemGroup;
    // Read into a local: two 8-byte stores read back as one 16-byte copy stall.
    std::string_view row;
    present[k] = chunk.row(begin + i, row);
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
  for_each_stem(trie, end - begin, word_at, emit, trie.direct_output_allowed());
}

// Rows [begin, end) of an Arrow chunk, to the output row `first_out` on, in
// groups of kGroup rows: a group whose bytes are all ASCII is stemmed
// straight from the chunk's buffers, any other through stem_rows.
// PERF NOTE: an ASCII word is its own key (lowercased as the walk reads it,
// or with its whole group at once), and most stems are a slice of the key,
// copied here in sixteen-byte stores; no view or stem is stored per row. The ASCII check
// of a group reads the bytes the walk reads next, and one word of another
// script sends only its group down the general path.
template <typename Rows, bool kLower>
void stem_arrow_rows(const CompiledTrie& trie, const WordChunk& chunk, size_t begin, size_t end,
                     size_t first_out, const ColumnOptions& options, ShareOutput& output,
                     StemScratch& scratch) {
  // Keys: a contiguous group's bytes are lowercased at once into `lowered`
  // (PERF NOTE: eight bytes an operation, where the walk and the copies would
  // lowercase each byte they read); other rows are lowercased as they are read.
  constexpr bool kLowerRun = kLower && Rows::kContiguous;
  constexpr bool kLowerAsRead = kLower && !kLowerRun;
  const Rows rows(chunk, end);
  const bool keep_input = options.keep_input;
  // PERF NOTE: the lanes drain at the end of each group; 2048 rows make that
  // rare while a group's words, keys and values stay in the first-level cache.
  constexpr size_t kGroup = 2048;
  uint32_t values[kGroup];
  std::string& lowered = scratch.ascii_key;
  for (size_t group = begin; group < end && output.share.bad_row == kNoIndex; group += kGroup) {
    const size_t count = std::min(kGroup, end - group);
    if (!rows.ascii(group, group + count)) {
      stem_rows(trie, chunk, group, group + count, first_out + (group - begin), options, output);
      continue;
    }
    const char* keys_end = nullptr;  // kLowerRun: where reads of the lowered keys must stop
    auto key_of = [&](size_t i, std::string_view word) {
      if constexpr (kLowerRun) {
        return std::string_view(lowered.data() + rows.run_offset(group, i), word.size());
      } else {
        return word;
      }
    };
    if constexpr (kLowerRun) {
      const std::string_view run = rows.run(group, group + count);
      lowered.resize(run.size() + StemBytes::kSlack);
      ascii_lower_into(run, lowered.data());
      keys_end = lowered.data() + lowered.size();
    }
    trie.preferred_values_interleaved<kLowerAsRead>(
        count, [&](size_t i) { return key_of(group + i, rows.word(group + i)); }, values);
    for (size_t i = 0; i < count; ++i) {
      const std::string_view word = rows.word(group + i);
      bool valid = chunk.valid_at(chunk.offset + int64_t(group + i));
      const uint32_t value = values[i];
      if (valid && value != kNoIndex) {
        const std::string_view key = key_of(group + i, word);
        const uint32_t cut = trie.slice_cut(value);
        if (cut != CompiledTrie::kNotASlice) {
          const size_t n = CompiledTrie::sliced_length(cut, key.size());
          output.bytes.append_ascii<kLowerAsRead>(key.data(), n,
                                                  kLowerRun ? keys_end : rows.read_end(group + i, word));
        } else {
          StemView stem;
          finish_ascii_patch(trie.patch(value), kLowerAsRead ? ascii_key(trie, key, scratch.ascii_key) : key,
                             scratch, stem);
          output.bytes.append(stem.text);
        }
      } else if (valid && keep_input) {
        output.bytes.append_ascii<false>(word.data(), word.size(), rows.read_end(group + i, word));
      } else {
        valid = false;
      }
      output.finish_row(first_out + (group + i - begin), valid);
    }
  }
}

template <typename Rows>
void stem_arrow_rows(const CompiledTrie& trie, const WordChunk& chunk, size_t begin, size_t end,
                     size_t first_out, const ColumnOptions& options, ShareOutput& output,
                     StemScratch& scratch) {
  if (trie.case_mode() == CaseMode::kAsIs) {
    stem_arrow_rows<Rows, false>(trie, chunk, begin, end, first_out, options, output, scratch);
  } else {
    stem_arrow_rows<Rows, true>(trie, chunk, begin, end, first_out, options, output, scratch);
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
    // The block's rows chunk by chunk: [local, local + take) of chunk c is
    // output row r on.
    size_t c = 0, local = share.begin;
    while (c < in.chunks.size() && local >= in.chunks[c].rows) local -= in.chunks[c++].rows;
    for (size_t r = share.begin; r < share.end && share.bad_row == kNoIndex; ++c, local = 0) {
      const WordChunk& chunk = in.chunks[c];
      const size_t take = std::min(chunk.rows - local, share.end - r);
      if (take == 0) continue;
      switch (chunk.layout) {
        case WordChunk::Layout::kOffsets32:
          stem_arrow_rows<OffsetRows<int32_t>>(trie, chunk, local, local + take, r, options, output, scratch);
          break;
        case WordChunk::Layout::kOffsets64:
          stem_arrow_rows<OffsetRows<int64_t>>(trie, chunk, local, local + take, r, options, output, scratch);
          break;
        case WordChunk::Layout::kViews:
          stem_arrow_rows<ViewRows>(trie, chunk, local, local + take, r, options, output, scratch);
          break;
        case WordChunk::Layout::kTexts:
          stem_rows(trie, chunk, local, local + take, r, options, output);
          break;
      }
      r += take;
    }
    share.bytes = output.bytes.take();
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
  // The buffers `out` holds are written over, their memory reused.
  out.validity.assign((n + 7) / 8, 0);
  out.offsets.resize(n + 1);  // every entry is written by the share that holds its row
  out.offsets[0] = 0;
  out.null_count = 0;
  const size_t thread_count = std::clamp<size_t>(options.threads, 1, std::max<size_t>(n, 1));
  // One thread walks the column as one block; more take blocks as they free up.
  const size_t block_rows = thread_count == 1 ? std::max<size_t>(n, 1) : kRowsPerBlock;
  std::vector<Share> shares((n + block_rows - 1) / block_rows + (n == 0));
  for (size_t b = 0; b < shares.size(); ++b) {
    shares[b].begin = std::min(n, b * block_rows);
    shares[b].end = std::min(n, (b + 1) * block_rows);
  }
  shares[0].bytes = std::move(out.data);
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
      } catch (const std::system_error&) {
        // No more threads: the ones running take every block, and the
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
