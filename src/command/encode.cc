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

std::u16string encode_patch(std::u16string_view w, std::u16string_view s, bool backward) {
  const size_t n = w.size();
  const size_t m = s.size();
  if (w == s) return std::u16string(kIdentityCommand);

  const size_t cols = m + 1;
  std::vector<int32_t> cost((n + 1) * cols);
  std::vector<uint8_t> ops((n + 1) * cols);
  auto at = [cols](size_t i, size_t j) { return i * cols + j; };

  CommandWriter writer;
  if (backward) {
    cost[at(0, 0)] = 0;
    for (size_t j = 1; j <= m; ++j) cost[at(0, j)] = int32_t(j), ops[at(0, j)] = kInsert;
    for (size_t i = 1; i <= n; ++i) cost[at(i, 0)] = int32_t(i), ops[at(i, 0)] = kDelete;
    for (size_t i = 1; i <= n; ++i) {
      for (size_t j = 1; j <= m; ++j) {
        Choice c = choose(cost[at(i - 1, j)] + 1, cost[at(i, j - 1)] + 1, cost[at(i - 1, j - 1)],
                          w[i - 1] == s[j - 1]);
        cost[at(i, j)] = c.cost;
        ops[at(i, j)] = c.op;
      }
    }
    size_t i = n, j = m;
    while (i > 0 || j > 0) {
      switch (ops[at(i, j)]) {
        case kDelete: writer.remove(); --i; break;
        case kInsert: writer.emit(u'I', s[j - 1]); --j; break;
        case kReplace: writer.emit(u'R', s[j - 1]); --i, --j; break;
        default: writer.keep(); --i, --j; break;
      }
    }
  } else {
    cost[at(n, m)] = 0;
    for (size_t i = 0; i < n; ++i) cost[at(i, m)] = int32_t(n - i), ops[at(i, m)] = kDelete;
    for (size_t j = 0; j < m; ++j) cost[at(n, j)] = int32_t(m - j), ops[at(n, j)] = kInsert;
    for (size_t i = n; i-- > 0;) {
      for (size_t j = m; j-- > 0;) {
        Choice c = choose(cost[at(i + 1, j)] + 1, cost[at(i, j + 1)] + 1, cost[at(i + 1, j + 1)],
                          w[i] == s[j]);
        cost[at(i, j)] = c.cost;
        ops[at(i, j)] = c.op;
      }
    }
    size_t i = 0, j = 0;
    while (i < n || j < m) {
      switch (ops[at(i, j)]) {
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
