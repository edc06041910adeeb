// A column of words through the batch walk (interleaved lanes, ASCII fast
// paths, chunks, threads): every row must come out exactly as the plain
// definition (normalize, walk, apply on UTF-16) gives it, nulls and keep_input
// included, for 1 to 3 threads; a column with invalid UTF-8 must be refused at
// its first invalid row. The Arrow chunks are read through the chunk reader,
// which must refuse a released one; and with byte 1's bit 0 a thread rewrites
// offsets, views and validity during the walk, which may change stems but
// must not read outside the buffers.
//
// Input: byte 0 picks the modes and the layout (64- or 32-bit offsets or
// string views; the first chunk as texts or not); byte 1 the hostile
// variants (bit 0: changes during the walk, bit 1: the second chunk
// released); the rest is the column, one row per line, with a row starting
// "\x01" null and the column cut into two chunks at its middle row. The bytes
// sit in an allocation of their exact size, so that a read past the last
// row's bytes is caught.
#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "model/model_loading.h"
#include "runtime/arrow_chunk.h"
#include "runtime/column_stem.h"
#include "runtime/normalize.h"
#include "runtime/stem_walk.h"
#include "util/utf.h"

namespace {

using namespace velmora;

// Stems with every patch kind: cuts, appends, replacements, compounds with
// ASCII and non-ASCII inserts, in both directions of the walk.
constexpr std::string_view kDictionary =
    "walk\twalks\twalked\twalking\tWALKS\n"
    "run\truns\tran\trunning\n"
    "go\twent\tgone\tgoes\n"
    "mouse\tmice\n"
    "be\tis\twas\twere\tbeen\n"
    "caf\xC3\xA9\tcaf\xC3\xA9s\tcafes\n"
    "stra\xC3\x9F" "e\tstra\xC3\x9F" "en\tstrasse\n"
    "\xCF\x87\xCF\x8E\xCF\x81\xCE\xB1\t\xCF\x87\xCF\x8E\xCF\x81\xCE\xB5\xCF\x82\n"
    "dziecko\tdzieci\tdzieciom\n"
    "a\tan\n";

std::shared_ptr<CompiledTrie> model(uint8_t pick) {
  static std::shared_ptr<CompiledTrie> cache[16];
  auto& slot = cache[pick & 15];
  if (!slot) {
    ModelOptions options;
    options.backward = pick & 1;
    options.lowercase = pick & 2;
    slot = trie_from_model_bytes(kDictionary, options, pick & 4 ? LookupMode::kLast : LookupMode::kFirst).value();
  }
  return slot;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2 || size > 4096) return 0;
  const uint8_t pick = data[0];
  const bool mutate = data[1] & 1, release_second = data[1] & 2;
  const CompiledTrie& trie = *model(pick);
  const bool keep_input = pick & 8;
  const std::string_view text(reinterpret_cast<const char*>(data + 2), size - 2);

  // The column as Arrow lays it out: bytes, int64 offsets, validity bits.
  std::string bytes;
  std::vector<int64_t> offsets{0};
  std::vector<uint8_t> validity;
  std::vector<std::string_view> rows;
  for (size_t pos = 0; pos <= text.size();) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view row = text.substr(pos, end - pos);
    const bool null = !row.empty() && row[0] == '\x01';
    const size_t i = rows.size();
    if (i % 8 == 0) validity.push_back(0);
    if (!null) validity.back() |= uint8_t(1u << (i % 8));
    bytes.append(null ? std::string_view() : row);
    offsets.push_back(int64_t(bytes.size()));
    rows.push_back(null ? std::string_view() : row);
    pos = end + 1;
  }
  const size_t n = rows.size();
  auto null_row = [&](size_t i) { return !((validity[i / 8] >> (i % 8)) & 1); };

  // What each row must give: the single-word walk, or null; the first invalid row.
  std::vector<std::string> expected(n);
  std::vector<bool> expected_valid(n);
  size_t first_invalid = kNoIndex;
  std::u16string key, stem;
  for (size_t i = 0; i < n; ++i) {
    if (null_row(i)) continue;
    if (!check_utf8(rows[i]).ok) {
      if (first_invalid == kNoIndex) first_invalid = i;
      continue;
    }
    // The plain definition: normalize, walk one unit at a time, apply on UTF-16.
    normalize_word(trie.case_mode(), trie.diacritic_mode(), rows[i], key);
    const CompiledPatch* patch = preferred_patch(trie, key);
    expected_valid[i] = patch || keep_input;
    if (patch) {
      apply_patch(*patch, key, stem);
      expected[i] = to_utf8(stem);
    } else if (keep_input) {
      expected[i] = std::string(rows[i]);
    }
  }

  const bool offsets32 = pick & 16, texts_first = pick & 32, string_views = pick & 64;
  const std::vector<int32_t> offsets32_values(offsets.begin(), offsets.end());
  const std::unique_ptr<char[]> exact_bytes(new char[bytes.size()]);
  std::copy(bytes.begin(), bytes.end(), exact_bytes.get());
  std::vector<std::string_view> texts(n);
  // Arrow string views: the length, then the bytes inline up to 12, else a
  // prefix, buffer 0 and the offset in it. A null row's view is left as garbage.
  std::vector<uint8_t> views(16 * n, 0xAB);
  const void* view_buffers[1] = {exact_bytes.get()};
  const int64_t view_buffer_sizes[1] = {int64_t(bytes.size())};
  for (size_t i = 0; i < n; ++i) {
    texts[i] = std::string_view(exact_bytes.get() + offsets[i], size_t(offsets[i + 1] - offsets[i]));
    if (null_row(i)) continue;
    uint8_t* view = views.data() + 16 * i;
    const auto length = int32_t(texts[i].size());
    std::memcpy(view, &length, 4);
    std::memset(view + 4, 0, 12);
    if (length <= 12) {
      std::copy(texts[i].begin(), texts[i].end(), view + 4);
    } else {
      const int32_t index = 0, at = int32_t(offsets[i]);
      std::copy(texts[i].begin(), texts[i].begin() + 4, view + 4);
      std::memcpy(view + 8, &index, 4);
      std::memcpy(view + 12, &at, 4);
    }
  }
  // The chunks as a producer exports them, read through the chunk reader.
  std::vector<int64_t> offsets64 = offsets;
  std::vector<int32_t> offsets32_mutable = offsets32_values;
  int64_t view_size = view_buffer_sizes[0];
  const void* arrow_buffers[2][4];
  std::vector<ArrowChunk> arrow_chunks;
  WordColumn column;
  const size_t cut = n / 2;
  for (auto [begin, end] : {std::pair<size_t, size_t>{0, cut}, {cut, n}}) {
    if (texts_first && begin == 0) {
      WordChunk chunk;
      chunk.rows = end - begin;
      chunk.validity = validity.data();
      chunk.layout = WordChunk::Layout::kTexts;
      chunk.texts = texts.data();
      column.chunks.push_back(chunk);
      continue;
    }
    const void** buffers = arrow_buffers[begin == 0 ? 0 : 1];
    ArrowArray array{};
    array.length = int64_t(end - begin);
    array.offset = int64_t(begin);
    array.null_count = -1;
    array.buffers = buffers;
    array.release = [](ArrowArray* a) { a->release = nullptr; };
    if (release_second && begin != 0) array.release = nullptr;
    buffers[0] = validity.data();
    if (string_views) {
      array.n_buffers = 4;
      buffers[1] = views.data();
      buffers[2] = view_buffers[0];
      buffers[3] = &view_size;
    } else {
      array.n_buffers = 3;
      buffers[1] = offsets32 ? static_cast<const void*>(offsets32_mutable.data()) : offsets64.data();
      buffers[2] = exact_bytes.get();
    }
    const ArrowStringType type = string_views ? ArrowStringType::kStringView
                                 : offsets32  ? ArrowStringType::kString
                                              : ArrowStringType::kLargeString;
    Expected<ArrowChunk> chunk = read_arrow_chunk(type, array);
    if (!array.release) {
      if (chunk) std::abort();  // a released array must be refused
      return 0;
    }
    if (!chunk) std::abort();  // the rows were written as Arrow lays them out
    arrow_chunks.push_back(std::move(*chunk));
  }
  for (const ArrowChunk& chunk : arrow_chunks) column.chunks.push_back(chunk.rows());

  auto stem_all_rows = [&](unsigned threads, StemColumn& out) {
    ColumnOptions options;
    options.threads = threads;
    options.keep_input = keep_input;
    options.validate_utf8 = true;
    return stem_column(trie, column, options, out);
  };

  if (mutate) {
    // Another thread of the producer rewrites the buffers while the walk reads
    // them: offsets far out and backwards, views to nowhere, null rows valid.
    std::atomic<bool> stop{false};
    std::thread writer([&] {
      for (uint32_t round = 0; !stop.load(std::memory_order_relaxed); ++round) {
        const size_t i = n ? round % (n + 1) : 0;
        if (offsets32) {
          offsets32_mutable[i] = round & 1 ? INT32_MAX - 64 : -3;
        } else {
          offsets64[i] = round & 1 ? (int64_t(1) << 47) : -3;
        }
        if (n) {
          const int32_t far = INT32_MAX - int32_t(round & 0xFF), length = 1000 + int32_t(round & 7);
          uint8_t* view = views.data() + 16 * (round % n);
          std::memcpy(view + (round & 2 ? 0 : 12), round & 2 ? &length : &far, 4);
          validity[(round % n) / 8] ^= uint8_t(1u << (round % 8));
        }
        view_size = round & 4 ? INT64_MAX : int64_t(round);
      }
    });
    for (unsigned threads = 1; threads <= 2; ++threads) {
      StemColumn out;
      if (stem_all_rows(threads, out) == kNoIndex && out.rows() != n) std::abort();
    }
    stop = true;
    writer.join();
    return 0;
  }

  for (unsigned threads = 1; threads <= 3; ++threads) {
    StemColumn out;
    const size_t bad = stem_all_rows(threads, out);
    if (bad != first_invalid) std::abort();
    if (bad != kNoIndex) continue;
    size_t nulls = 0;
    for (size_t i = 0; i < n; ++i) {
      if (out.valid(i) != bool(expected_valid[i])) std::abort();
      nulls += !out.valid(i);
      const std::string_view got(out.data.data() + out.offsets[i], size_t(out.offsets[i + 1] - out.offsets[i]));
      if (out.valid(i) && got != expected[i]) std::abort();
    }
    if (nulls != out.null_count) std::abort();
  }
  return 0;
}
