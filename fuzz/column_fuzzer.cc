// A column of words through the batch walk (interleaved lanes, ASCII fast
// paths, chunks, threads): every row must come out exactly as the plain
// definition (normalize, walk, apply on UTF-16) gives it, nulls and keep_input included, for 1 to 3 threads; a column
// with invalid UTF-8 must be refused at its first invalid row.
//
// Input: byte 0 picks the modes and the layout (64- or 32-bit offsets or
// string views; the first chunk as texts or not); the rest is the column, one row per line,
// with a row starting "\x01" null and the column cut into two chunks at its
// middle row. The bytes sit in an allocation of their exact size, so that a
// read past the last row's bytes is caught.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "model/model_loading.h"
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
    options.lookup = pick & 4 ? LookupMode::kLast : LookupMode::kFirst;
    slot = trie_from_model_bytes(kDictionary, options).value();
  }
  return slot;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0 || size > 4096) return 0;
  const uint8_t pick = data[0];
  const CompiledTrie& trie = *model(pick);
  const bool keep_input = pick & 8;
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

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
  WordColumn column;
  const size_t cut = n / 2;
  for (auto [begin, end] : {std::pair<size_t, size_t>{0, cut}, {cut, n}}) {
    WordChunk chunk;
    chunk.rows = end - begin;
    chunk.validity = validity.data();
    if (texts_first && begin == 0) {
      chunk.layout = WordChunk::Layout::kTexts;
      chunk.texts = texts.data();
    } else if (string_views) {
      chunk.layout = WordChunk::Layout::kViews;
      chunk.offset = int64_t(begin);
      chunk.views = views.data();
      chunk.view_data = view_buffers;
      chunk.view_sizes = view_buffer_sizes;
    } else {
      chunk.layout = offsets32 ? WordChunk::Layout::kOffsets32 : WordChunk::Layout::kOffsets64;
      chunk.offset = int64_t(begin);
      chunk.offsets = offsets32 ? static_cast<const void*>(offsets32_values.data()) : offsets.data();
      chunk.data = exact_bytes.get();
    }
    column.chunks.push_back(chunk);
  }
  for (unsigned threads = 1; threads <= 3; ++threads) {
    ColumnOptions options;
    options.threads = threads;
    options.keep_input = keep_input;
    options.validate_utf8 = true;
    StemColumn out;
    const size_t bad = stem_column(trie, column, options, out);
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
