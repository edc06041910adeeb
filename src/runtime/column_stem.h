// Stemming a whole column of words natively, on one or more threads, into
// Arrow-shaped output buffers (validity, 64-bit offsets, UTF-8 bytes). Touches
// no Python object, so callers run it with the interpreter lock released.
// Used by the Arrow path and the threaded list path of the Python engine.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/compiled_trie.h"

namespace velmora {

// The input rows: rows[i] is read only where valid[i] is non-zero.
struct WordColumn {
  std::vector<std::string_view> rows;
  std::vector<uint8_t> valid;
};

// One output row per input row: row i is data[offsets[i] .. offsets[i + 1])
// when valid(i), else null. The validity bits are packed as Arrow packs them
// (bit i & 7 of byte i >> 3), so the Arrow export shares them as they are.
struct StemColumn {
  std::vector<uint8_t> validity;  // (rows + 7) / 8 bytes
  std::vector<int64_t> offsets;   // rows + 1
  std::string data;
  size_t null_count = 0;

  size_t rows() const { return offsets.empty() ? 0 : offsets.size() - 1; }
  bool valid(size_t i) const { return (validity[i >> 3] >> (i & 7)) & 1; }
};

struct ColumnOptions {
  unsigned threads = 1;
  // A word without a stem comes out as itself instead of null.
  bool keep_input = false;
  // Check each non-ASCII word's UTF-8 first (input from outside Python).
  bool validate_utf8 = false;
};

// kNoIndex when every row was valid UTF-8, else the first row that was not
// (validated columns only); `out` is then unspecified.
// Throws std::bad_alloc like the rest of the walk.
size_t stem_column(const CompiledTrie& trie, const WordColumn& in, const ColumnOptions& options,
                   StemColumn& out);

// The default thread count for `rows` words: one for small inputs, where
// starting threads costs more than it saves, every core for large ones.
unsigned default_threads(size_t rows);

}  // namespace velmora
