#include <gtest/gtest.h>

#include <random>

#include "hand_trie.h"
#include "test_util.h"
#include "runtime/compiled_trie.h"
#include "util/utf.h"

namespace velmora {
namespace {

// Keys laid end to end as the column walk gathers them, with room to read past the last.
struct KeyRun {
  std::string bytes;
  std::vector<size_t> starts{0};

  explicit KeyRun(const std::vector<std::string>& keys) {
    for (const auto& k : keys) {
      bytes += k;
      starts.push_back(bytes.size());
    }
    bytes.append(16, '\0');
  }
};

// Every group of up to kWideKeys keys gives, on the wide lanes, exactly the
// values of the scalar lanes.
void expect_wide_equals_scalar(const CompiledTrie& trie, const std::vector<std::string>& keys) {
  for (size_t begin = 0; begin < keys.size() || begin == 0; begin += CompiledTrie::kWideKeys) {
    const size_t n = std::min(CompiledTrie::kWideKeys, keys.size() - begin);
    const KeyRun run({keys.begin() + ptrdiff_t(begin), keys.begin() + ptrdiff_t(begin + n)});
    std::vector<uint32_t> scalar(n + 1, 7), wide(n + 1, 7);
    trie.preferred_values_interleaved(
        n, [&](size_t i) { return std::string_view(run.bytes).substr(run.starts[i], run.starts[i + 1] - run.starts[i]); },
        scalar.data());
    ASSERT_TRUE(trie.preferred_values_wide(run.bytes.data(), run.starts.data(), n, wide.data()));
    size_t mismatches = 0;
    for (size_t i = 0; i < n; ++i) {
      if (wide[i] != scalar[i] && ++mismatches < 5) {
        ADD_FAILURE() << "key '" << keys[begin + i] << "': wide " << wide[i] << ", scalar " << scalar[i];
      }
    }
    EXPECT_EQ(mismatches, 0u);
    EXPECT_EQ(wide[n], 7u) << "wrote past the last key";
    if (keys.empty()) break;
  }
}

#define SKIP_WITHOUT_WIDE_WALK() \
  if (!CompiledTrie::wide_walk_available()) GTEST_SKIP() << "this processor has no AVX-512F"

// The English dictionary's forms, and keys the trie does not hold (other
// letters, digits, punctuation, short and empty keys), in both directions
// and both single-value lookup modes.
TEST(WideWalk, EqualsTheScalarLanesOnTheEnglishList) {
  SKIP_WITHOUT_WIDE_WALK();
  const std::string text = testing::english_dictionary_text();
  if (text.empty()) GTEST_SKIP() << "shared data not present";
  std::vector<std::string> keys = testing::dictionary_words(text, false);
  std::mt19937 rng(11);
  std::uniform_int_distribution<int> byte(1, 127), length(0, 14);
  for (int i = 0; i < 20000; ++i) {
    std::string k(size_t(length(rng)), ' ');
    for (char& c : k) c = char(byte(rng));
    keys.push_back(k);
  }
  keys.insert(keys.begin() + 100, {"", "s", "es", "ing", "ed"});
  std::shuffle(keys.begin(), keys.end(), rng);
  for (bool backward : {true, false}) {
    auto trie = testing::trie_from_dictionary(text, backward);
    ASSERT_TRUE(trie.ok());
    for (LookupMode mode : {LookupMode::kFirst, LookupMode::kLast}) {
      SCOPED_TRACE(std::string(backward ? "backward " : "forward ") + (mode == LookupMode::kFirst ? "first" : "last"));
      (*trie)->set_lookup_mode(mode);
      expect_wide_equals_scalar(**trie, keys);
    }
  }
}

// A hand-built trie whose root accepts (so no two-step table) and whose
// node after 'a' lists labels too far apart for a dense table, so walks
// through it take the sparse lookup.
std::unique_ptr<CompiledTrie> sparse_trie(LookupMode mode, bool backward) {
  testing::HandTrie t;
  // 0 -a-> 1, 0 -b-> 2; 1 -a-> 3, 1 -c-> 4, 1 -U+0300-> 5 (span over 512: sparse); 3 -d-> 5.
  t.edges = {{{u'a', 1}, {u'b', 2}}, {{u'a', 3}, {u'c', 4}, {u'\u0300', 5}}, {}, {{u'd', 5}}, {}, {}};
  t.values = {{0}, {}, {1}, {2}, {1}, {0}};
  t.accepting = {1, 0, 1, 1, 1, 1};
  t.commands = {u"Da", u"Db", u"Dc"};
  return t.build(mode, backward);
}

TEST(WideWalk, EqualsTheScalarLanesThroughSparseRecordsAndAnAcceptingRoot) {
  SKIP_WITHOUT_WIDE_WALK();
  std::vector<std::string> keys;
  const std::string alphabet = "abcdz";
  for (size_t len = 0; len <= 4; ++len) {
    size_t count = 1;
    for (size_t i = 0; i < len; ++i) count *= alphabet.size();
    for (size_t code = 0; code < count; ++code) {
      std::string k;
      for (size_t i = 0, c = code; i < len; ++i, c /= alphabet.size()) k += alphabet[c % alphabet.size()];
      keys.push_back(k);
    }
  }
  for (bool backward : {true, false}) {
    for (LookupMode mode : {LookupMode::kFirst, LookupMode::kLast}) {
      SCOPED_TRACE(std::string(backward ? "backward " : "forward ") + (mode == LookupMode::kFirst ? "first" : "last"));
      expect_wide_equals_scalar(*sparse_trie(mode, backward), keys);
    }
  }
}

TEST(WideWalk, TakesNoMoreThanAGroupOfKeys) {
  SKIP_WITHOUT_WIDE_WALK();
  auto trie = sparse_trie(LookupMode::kFirst, true);
  const KeyRun run(std::vector<std::string>(CompiledTrie::kWideKeys + 1, "ab"));
  std::vector<uint32_t> out(CompiledTrie::kWideKeys + 1, 7);
  EXPECT_FALSE(trie->preferred_values_wide(run.bytes.data(), run.starts.data(), out.size(), out.data()));
  EXPECT_EQ(out[0], 7u);
  expect_wide_equals_scalar(*trie, {});
}

}  // namespace
}  // namespace velmora
