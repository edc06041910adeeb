#include "command/encode.h"

#include <cstdint>
#include <vector>

#include "util/utf.h"

namespace velmora {
namespace {

enum Op : uint8_t { kDelete, kInsert, kReplace, kKeep };

// A command is text: a unit that would be a lone surrogate is written as U+FFFD.
char16_t text_safe(uint32_t unit) {
  unit &= 0xFFFF;
  return is_surrogate(unit) ? kReplacementCharacter : static_cast<char16_t>(unit);
}

class CommandWriter {
 public:
  void keep() {
    flush_delete();
    ++keep_run_;
  }
  void remove() {
    flush_keep();
    ++delete_run_;
  }
  void emit(char16_t opcode, char16_t unit) {
    flush_delete();
    flush_keep();
    out_.push_back(opcode);
    out_.push_back(text_safe(unit));
  }
  std::u16string finish() {
    flush_delete();  // a trailing keep run is dropped: untouched units stay as they are
    return std::move(out_);
  }

 private:
  void write_run(char16_t opcode, uint32_t n) {
    while (n > kMaxRunPerPair) {
      out_.push_back(opcode);
      out_.push_back(count_unit(kMaxRunPerPair));
      n -= kMaxRunPerPair;
    }
    out_.push_back(opcode);
    out_.push_back(count_unit(n));
  }
  void flush_keep() {
    if (keep_run_) write_run(u'-', keep_run_);
    keep_run_ = 0;
  }
  void flush_delete() {
    if (delete_run_) write_run(u'D', delete_run_);
    delete_run_ = 0;
  }

  std::u16string out_;
  uint32_t keep_run_ = 0;
  uint32_t delete_run_ = 0;
};

struct Choice {
  int32_t cost;
  Op op;
};

// Keeping a unit that differs is priced out rather than branched around:
// replacing it from the same cell costs 1, so any price above 1 means a
// mismatched keep is never chosen, and the recurrence stays branch-free.
constexpr int32_t kMismatchedKeepCost = 100;

// Picks among the four neighbours with the preference delete, keep, insert, replace.
Choice choose(int32_t del, int32_t ins, int32_t diag, bool equal) {
  const int32_t rep = diag + 1;
  const int32_t keep = diag + (equal ? 0 : kMismatchedKeepCost);
  const int32_t e = del < keep ? del : keep;
  const int32_t ie = ins < e ? ins : e;
  if (rep < ie) return {rep, kReplace};
  if (ins < e) return {ins, kInsert};
  if (keep < del) return {keep, kKeep};
  return {del, kDelete};
}

}  // namespace

namespace {

// The choice of every cell, two bits each; costs are kept for two rows only,
// so memory is a quarter byte per cell plus two rows.
class OpTable {
 public:
  OpTable(size_t rows, size_t cols) : cols_(cols), bits_((rows * cols + 3) / 4) {}
  void set(size_t i, size_t j, Op op) {
    const size_t k = i * cols_ + j;
    bits_[k >> 2] = uint8_t(bits_[k >> 2] | (uint8_t(op) << ((k & 3) * 2)));
  }
  Op get(size_t i, size_t j) const {
    const size_t k = i * cols_ + j;
    return Op((bits_[k >> 2] >> ((k & 3) * 2)) & 3);
  }

 private:
  size_t cols_;
  std::vector<uint8_t> bits_;
};

}  // namespace

bool encodable(size_t word_units, size_t stem_units) {
  return (word_units + 1) <= kMaxEncodeCells / (stem_units + 1);
}

std::u16string encode_patch(std::u16string_view w, std::u16string_view s, bool backward) {
  const size_t n = w.size();
  const size_t m = s.size();
  if (w == s) return std::u16string(kIdentityCommand);

  const size_t cols = m + 1;
  OpTable ops(n + 1, cols);
  std::vector<int32_t> previous(cols), current(cols);

  CommandWriter writer;
  if (backward) {
    // Row i holds cost(i, j); row 0 first.
    for (size_t j = 0; j <= m; ++j) previous[j] = int32_t(j);
    for (size_t j = 1; j <= m; ++j) ops.set(0, j, kInsert);
    for (size_t i = 1; i <= n; ++i) {
      current[0] = int32_t(i);
      ops.set(i, 0, kDelete);
      for (size_t j = 1; j <= m; ++j) {
        Choice c = choose(previous[j] + 1, current[j - 1] + 1, previous[j - 1], w[i - 1] == s[j - 1]);
        current[j] = c.cost;
        ops.set(i, j, c.op);
      }
      previous.swap(current);
    }
    size_t i = n, j = m;
    while (i > 0 || j > 0) {
      switch (ops.get(i, j)) {
        case kDelete: writer.remove(); --i; break;
        case kInsert: writer.emit(u'I', s[j - 1]); --j; break;
        case kReplace: writer.emit(u'R', s[j - 1]); --i, --j; break;
        default: writer.keep(); --i, --j; break;
      }
    }
  } else {
    // Row i holds cost(i, j); row n first, walking up.
    for (size_t j = 0; j <= m; ++j) previous[j] = int32_t(m - j);
    for (size_t j = 0; j < m; ++j) ops.set(n, j, kInsert);
    for (size_t i = n; i-- > 0;) {
      current[m] = int32_t(n - i);
      ops.set(i, m, kDelete);
      for (size_t j = m; j-- > 0;) {
        Choice c = choose(previous[j] + 1, current[j + 1] + 1, previous[j + 1], w[i] == s[j]);
        current[j] = c.cost;
        ops.set(i, j, c.op);
      }
      previous.swap(current);
    }
    size_t i = 0, j = 0;
    while (i < n || j < m) {
      switch (ops.get(i, j)) {
        case kDelete: writer.remove(); ++i; break;
        case kInsert: writer.emit(u'I', s[j]); ++j; break;
        case kReplace: writer.emit(u'R', s[j]); ++i, ++j; break;
        default: writer.keep(); ++i, ++j; break;
      }
    }
  }
  return writer.finish();
}

}  // namespace velmora
