// The interleaved walk of many ASCII keys on AVX-512 registers: sixteen walks
// to a vector, each step of all sixteen three gathers (their records'
// preferred value and meta, their next key bytes, then their child slots).
// Chosen at run time where the processor has AVX-512F; everywhere else, and
// for keys it does not take, the batch walks run the scalar lanes of
// compiled_trie.h, whose results these equal.
#include <algorithm>
#include <cstdint>

#include "runtime/compiled_trie.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define VELMORA_WIDE_WALK 1
#include <immintrin.h>
#else
#define VELMORA_WIDE_WALK 0
#endif

namespace velmora {

#if VELMORA_WIDE_WALK

namespace {

#define VELMORA_AVX512 __attribute__((target("avx512f,popcnt")))

// Where each key's walk starts: its record after the two-step table, the
// offset of its next unit in the key bytes, and the offset where it ends.
struct WideStarts {
  uint32_t record[CompiledTrie::kWideKeys];
  int32_t unit[CompiledTrie::kWideKeys];
  int32_t stop[CompiledTrie::kWideKeys];
};

// Sixteen walks: lane l walks key idx[l] while active has bit l.
struct WideLanes {
  __m512i r, unit, stop, idx, best;
  __mmask16 active;
};

// Gives the lanes in `free` the next keys from `next` on, up to n; lanes
// left without a key go inactive.
VELMORA_AVX512 inline void refill(WideLanes& v, __mmask16 free, const WideStarts& starts, size_t& next, size_t n,
                                  __m512i root_best) {
  const unsigned want = unsigned(_mm_popcnt_u32(free));
  unsigned fill = free;
  if (n - next < want) {  // the last keys: fill the lowest lanes only
    fill = 0;
    for (unsigned m = free, left = unsigned(n - next); left; --left, m &= m - 1) fill |= m & -m;
  }
  v.active = __mmask16((v.active & ~free) | fill);
  if (!fill) return;
  const __mmask16 f = __mmask16(fill);
  v.r = _mm512_mask_expandloadu_epi32(v.r, f, starts.record + next);
  v.unit = _mm512_mask_expandloadu_epi32(v.unit, f, starts.unit + next);
  v.stop = _mm512_mask_expandloadu_epi32(v.stop, f, starts.stop + next);
  const __m512i iota = _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
  v.idx = _mm512_mask_expand_epi32(v.idx, f, _mm512_add_epi32(iota, _mm512_set1_epi32(int(next))));
  v.best = _mm512_mask_mov_epi32(v.best, f, root_best);
  next += unsigned(_mm_popcnt_u32(fill));
}

}  // namespace

template <bool kFirst, bool kBackward>
VELMORA_AVX512 void CompiledTrie::walk_wide(const char* keys, const size_t* key_starts, size_t n,
                                           uint32_t* out) const {
  const auto* walk = reinterpret_cast<const int*>(walk_.data());
  const uint32_t* two_steps = first_two_steps_.empty() ? nullptr : first_two_steps_.data();
  WideStarts starts;
  for (size_t i = 0; i < n; ++i) {
    const size_t begin = key_starts[i], end = key_starts[i + 1];
    uint32_t r = 0;
    size_t unit = kBackward ? end : begin;
    if (two_steps && end - begin >= 2) {
      const auto u0 = uint32_t(uint8_t(keys[kBackward ? end - 1 : begin]));
      const auto u1 = uint32_t(uint8_t(keys[kBackward ? end - 2 : begin + 1]));
      const uint32_t jump = two_step_jump(two_steps, u0, u1);
      if (jump) {
        r = jump - 1;
        unit = kBackward ? unit - 2 : unit + 2;
      }
    }
    starts.record[i] = r;
    starts.unit[i] = int32_t(unit);
    starts.stop[i] = int32_t(kBackward ? begin : end);
  }

  const __m512i accepting_bit = _mm512_set1_epi32(int(kAcceptingBit)), dense_bit = _mm512_set1_epi32(int(kDenseBit));
  const __m512i base_mask = _mm512_set1_epi32(int(kBaseMask)), span_mask = _mm512_set1_epi32(int(kSpanMask));
  const __m512i byte_mask = _mm512_set1_epi32(0xFF), none = _mm512_set1_epi32(-1);
  const __m512i preferred = _mm512_set1_epi32(int(kPreferred));
  static_assert(kMeta == kPreferred + 1, "the pair gather reads the preferred value and meta as one");
  const __m512i header = _mm512_set1_epi32(int(kHeader)), one = _mm512_set1_epi32(1);
  const __m512i even_words = _mm512_setr_epi32(0, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 22, 24, 26, 28, 30);
  const __m512i odd_words = _mm512_setr_epi32(1, 3, 5, 7, 9, 11, 13, 15, 17, 19, 21, 23, 25, 27, 29, 31);
  const __m512i stride = _mm512_set1_epi32(kBackward ? -1 : 1);
  const __m512i root_best = _mm512_set1_epi32(record_accepting(0) ? 0 : -1);
  // The byte a lane reads next: key[unit - 1] walking backward, key[unit]
  // forward. The gather loads four bytes from there; StemBytes-style slack
  // behind the keys keeps the three extra ones readable.
  const char* unit_base = keys + (kBackward ? -1 : 0);

  // PERF NOTE: three vectors in turn, so that one's gathers wait while the
  // others' run. Measured in the column walk on the English list (one
  // thread, time-stamp ticks of the walk a key, before the loads of a step
  // were made independent): one vector 53, two 28, three 26, four 26; the
  // scalar lanes 48. Independent loads then took three vectors to 24.
  constexpr int kVectors = 3;
  WideLanes lanes[kVectors];
  size_t next = 0;
  for (WideLanes& v : lanes) {
    v.r = v.unit = v.stop = v.idx = _mm512_setzero_si512();
    v.best = root_best;
    v.active = 0;
    refill(v, 0xFFFF, starts, next, n, root_best);
  }
  uint32_t ended_results[kWideKeys + 16], ended_keys[kWideKeys + 16];
  size_t n_ended = 0;
  for (bool any = true; any;) {
    any = false;
    for (WideLanes& v : lanes) {
      if (!v.active) continue;
      any = true;
      // The loads of a step depend on the last step's record only, not on
      // one another, so that they overlap: each lane's preferred value and
      // meta, adjacent in its record, as one 64-bit gather (the value a walk
      // ending here gives comes with it), and its next unit, read unless the
      // key has ended.
      const __mmask16 at_stop = _mm512_mask_cmpeq_epi32_mask(v.active, v.unit, v.stop);
      const __m512i unit = _mm512_and_si512(
          _mm512_mask_i32gather_epi32(_mm512_setzero_si512(), __mmask16(v.active & ~at_stop), v.unit, unit_base, 1),
          byte_mask);
      const __m512i at = _mm512_add_epi32(v.r, preferred);
      const __m512i pairs_low =
          _mm512_mask_i32gather_epi64(none, __mmask8(v.active), _mm512_maskz_extracti64x4_epi64(0xFF, at, 0), walk, 4);
      const __m512i pairs_high =
          _mm512_mask_i32gather_epi64(none, __mmask8(v.active >> 8), _mm512_maskz_extracti64x4_epi64(0xFF, at, 1), walk, 4);
      const __m512i meta = _mm512_permutex2var_epi32(pairs_low, odd_words, pairs_high);
      const __m512i own = _mm512_permutex2var_epi32(pairs_low, even_words, pairs_high);
      const __mmask16 accepting = _mm512_mask_test_epi32_mask(v.active, meta, accepting_bit);
      if constexpr (!kFirst) v.best = _mm512_mask_mov_epi32(v.best, accepting, v.r);
      // Lookup mode first ends a walk on its first accepting record.
      const __mmask16 ended = kFirst ? __mmask16(accepting | at_stop) : at_stop;
      const __mmask16 stepping = v.active & ~ended;
      const __mmask16 sparse = _mm512_mask_testn_epi32_mask(stepping, meta, dense_bit);
      // The slot of the unit in a dense record: uint16_t(unit - base), inside the span.
      const __m512i slot = _mm512_and_si512(_mm512_sub_epi32(unit, _mm512_and_si512(meta, base_mask)), base_mask);
      const __m512i span = _mm512_and_si512(_mm512_maskz_srli_epi32(0xFFFF, meta, kSpanShift), span_mask);
      const __mmask16 in_span = _mm512_mask_cmplt_epu32_mask(__mmask16(stepping & ~sparse), slot, span);
      // An empty slot (0) and a unit outside the span both give kNoIndex.
      __m512i child = _mm512_sub_epi32(
          _mm512_mask_i32gather_epi32(_mm512_setzero_si512(), in_span,
                                      _mm512_add_epi32(_mm512_add_epi32(v.r, slot), header), walk, 4),
          one);
      if (sparse) {  // rare on ASCII keys: labels wide apart
        alignas(64) uint32_t records[16], units[16], children[16];
        _mm512_store_si512(records, v.r);
        _mm512_store_si512(units, unit);
        _mm512_store_si512(children, child);
        for (unsigned m = sparse; m; m &= m - 1) {
          const unsigned l = unsigned(__builtin_ctz(m));
          children[l] = child_record(records[l], units[l]);
        }
        child = _mm512_load_si512(children);
      }
      const __mmask16 missing = _mm512_mask_cmpeq_epi32_mask(stepping, child, none);
      const __mmask16 moved = stepping & ~missing;
      v.r = _mm512_mask_mov_epi32(v.r, moved, child);
      v.unit = _mm512_mask_add_epi32(v.unit, moved, v.unit, stride);
      const __mmask16 done = ended | missing;
      if (!done) continue;
      __m512i result;
      if constexpr (kFirst) {
        // The record a walk ended on gives its value; a missing child, none.
        result = _mm512_mask_mov_epi32(none, ended, own);
      } else {
        // The key's end record when it has a value, else the deepest
        // accepting record met.
        const __m512i end_value = _mm512_mask_mov_epi32(none, ended, own);
        const __mmask16 use_best =
            _mm512_mask_cmpeq_epi32_mask(done, end_value, none) & _mm512_mask_cmpneq_epi32_mask(done, v.best, none);
        result = _mm512_mask_i32gather_epi32(end_value, use_best, _mm512_add_epi32(v.best, preferred), walk, 4);
      }
      _mm512_mask_compressstoreu_epi32(ended_results + n_ended, done, result);
      _mm512_mask_compressstoreu_epi32(ended_keys + n_ended, done, v.idx);
      n_ended += unsigned(_mm_popcnt_u32(done));
      refill(v, done, starts, next, n, root_best);
    }
  }
  for (size_t i = 0; i < n_ended; ++i) out[ended_keys[i]] = ended_results[i];
}

#undef VELMORA_AVX512

bool CompiledTrie::wide_walk_available() {
  static const bool available = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("popcnt");
  }();
  return available;
}

bool CompiledTrie::preferred_values_wide(const char* keys, const size_t* starts, size_t n, uint32_t* out) const {
  // The gathers index the records with signed 32-bit lanes.
  if (!wide_walk_available() || n > kWideKeys || starts[n] > kWideMaxBytes || walk_.size() > size_t(INT32_MAX)) {
    return false;
  }
  const bool backward = direction_ == TraversalDirection::kBackward;
  if (lookup_mode_ == LookupMode::kFirst) {
    backward ? walk_wide<true, true>(keys, starts, n, out) : walk_wide<true, false>(keys, starts, n, out);
  } else {
    backward ? walk_wide<false, true>(keys, starts, n, out) : walk_wide<false, false>(keys, starts, n, out);
  }
  return true;
}

#else

bool CompiledTrie::wide_walk_available() { return false; }

bool CompiledTrie::preferred_values_wide(const char*, const size_t*, size_t, uint32_t*) const { return false; }

#endif

}  // namespace velmora
