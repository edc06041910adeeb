#include "runtime/column_stem.h"

#include <algorithm>
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

// One thread's share: rows [begin, end) of the input. Its bytes go to `data`;
// offsets[i + 1] holds the end of row i relative to this share's first byte.
struct Share {
  size_t begin = 0, end = 0;
  std::string data;
  size_t null_count = 0;
  size_t bad_row = kNoIndex;
  std::exception_ptr failure;
};

void stem_share(const CompiledTrie& trie, const WordColumn& in, const ColumnOptions& options,
                StemColumn& out, Share& share) {
  try {
    StemScratch scratch;
    const bool direct = trie.direct_output_allowed();
    // Stems are rarely longer than their words; one reservation covers most shares.
    share.data.reserve((share.end - share.begin) * 8);
    // Rows go in groups: the ASCII keys of a group are walked interleaved, then
    // each row is finished in order. Lowercased keys live in per-row buffers
    // until the group is done.
    constexpr size_t kGroup = 64;
    std::string key_buffers[kGroup];
    std::string_view keys[kGroup];
    uint32_t values[kGroup];
    size_t slot_of[kGroup];
    for (size_t group = share.begin; group < share.end; group += kGroup) {
      const size_t group_end = std::min(share.end, group + kGroup);
      size_t n_keys = 0;
      for (size_t i = group; i < group_end; ++i) {
        slot_of[i - group] = kNoIndex;
        if (!in.valid[i] || !is_ascii(in.rows[i])) continue;
        keys[n_keys] = ascii_key(trie, in.rows[i], key_buffers[n_keys]);
        slot_of[i - group] = n_keys++;
      }
      trie.preferred_values_interleaved(keys, n_keys, values);
      for (size_t i = group; i < group_end; ++i) {
        bool valid = in.valid[i] != 0;
        if (valid) {
          const std::string_view word = in.rows[i];
          const size_t slot = slot_of[i - group];
          // A valid row without a slot is not ASCII.
          if (options.validate_utf8 && slot == kNoIndex && !check_utf8(word).ok) {
            share.bad_row = i;
            return;
          }
          const auto stem = slot != kNoIndex ? finish_ascii(trie, values[slot], keys[slot], scratch)
                                             : find_stem(trie, word, scratch, direct);
          if (stem) share.data.append(stem->text);
          else if (options.keep_input) share.data.append(word);
          else valid = false;
        }
        out.validity[i >> 3] |= uint8_t(valid) << (i & 7);
        share.null_count += !valid;
        out.offsets[i + 1] = int64_t(share.data.size());
      }
    }
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
  const size_t n = in.rows.size();
  out.validity.assign((n + 7) / 8, 0);
  out.offsets.assign(n + 1, 0);
  out.data.clear();
  out.null_count = 0;
  const size_t thread_count = std::clamp<size_t>(options.threads, 1, std::max<size_t>(n, 1));
  std::vector<Share> shares(thread_count);
  // Shares start on a multiple of 8 rows, so no two threads write one byte of the validity bits.
  for (size_t t = 0; t < thread_count; ++t) {
    shares[t].begin = std::min(n, (n * t / thread_count + 7) / 8 * 8);
    shares[t].end = t + 1 == thread_count ? n : std::min(n, (n * (t + 1) / thread_count + 7) / 8 * 8);
  }
  if (thread_count == 1) {
    stem_share(trie, in, options, out, shares[0]);
  } else {
    std::vector<std::thread> workers;
    workers.reserve(thread_count - 1);
    for (size_t t = 1; t < thread_count; ++t) {
      workers.emplace_back(stem_share, std::cref(trie), std::cref(in), std::cref(options), std::ref(out),
                           std::ref(shares[t]));
    }
    stem_share(trie, in, options, out, shares[0]);
    for (auto& w : workers) w.join();
  }
  size_t total = 0;
  for (const Share& s : shares) {
    if (s.failure) std::rethrow_exception(s.failure);
    if (s.bad_row != kNoIndex) return s.bad_row;
    total += s.data.size();
  }
  if (thread_count == 1) {
    out.data = std::move(shares[0].data);
  } else {
    out.data.resize(total);
    int64_t base = 0;
    for (const Share& s : shares) {
      std::memcpy(out.data.data() + base, s.data.data(), s.data.size());
      for (size_t i = s.begin; i < s.end; ++i) out.offsets[i + 1] += base;
      base += int64_t(s.data.size());
    }
  }
  for (const Share& s : shares) out.null_count += s.null_count;
  return kNoIndex;
}

}  // namespace velmora
