#include <gtest/gtest.h>

#include "train/freeze.h"
#include "runtime/compiled_trie.h"
#include "train/frequency_trie.h"
#include "train/reduce.h"
#include "test_util.h"

namespace velmora {
namespace {

using testing::u16;

struct Values {
  FrequencyTrie& trie;
  uint32_t node;
  // "A:3,B:1" style listing in insertion order.
  std::string list() const {
    std::string out;
    for (const auto& v : trie.values(node)) {
      if (!out.empty()) out += ",";
      out += testing::u8(trie.commands().text(v.command)) + ":" + std::to_string(v.count);
    }
    return out;
  }
};

void put(FrequencyTrie& t, uint32_t node, std::u16string_view cmd, int32_t count) {
  t.add_count(node, t.commands().intern(cmd), count);
}

TEST(FrequencyTrie, AddingARuleStoresCommandAndIdentity) {
  FrequencyTrie t;
  ASSERT_TRUE(t.insert_rule(u"cats", u"cat", InsertMode::kDominant, 1, ModelOptions{}).ok());
  const uint32_t cats = t.node_at(u"cats", true);
  ASSERT_NE(cats, kNoIndex);
  EXPECT_EQ((Values{t, cats}.list()), "Da:1");
  EXPECT_EQ((Values{t, t.node_at(u"cat", true)}.list()), "Na:1");
  // Backward keys run s, t, a, c from the root.
  EXPECT_EQ(t.node(t.node(FrequencyTrie::root()).first_child).label, u's');
}

TEST(FrequencyTrie, DominantOverwritesWithOnePlusTheLargestOther) {
  // Backward: xyz -> xy is "Da", xyz -> x is "Db", xyz -> xyzq is "Iq".
  auto start = [](FrequencyTrie& t) {
    const uint32_t n = t.node_at_or_create(u"xyz", true);
    put(t, n, u"Da", 5);
    put(t, n, u"Db", 3);
    return n;
  };
  struct Step {
    const char16_t* stem;
    const char* expected;
  };
  for (Step step : {Step{u"x", "Da:5,Db:6"}, Step{u"xy", "Da:4,Db:3"}, Step{u"xyzq", "Da:5,Db:3,Iq:6"}}) {
    FrequencyTrie t;
    const uint32_t n = start(t);
    ASSERT_TRUE(t.insert_rule(u"xyz", step.stem, InsertMode::kDominant, 1, ModelOptions{.store_original = false}).ok());
    EXPECT_EQ((Values{t, n}.list()), step.expected);
  }
  FrequencyTrie single;
  const uint32_t m = single.node_at_or_create(u"w", true);
  put(single, m, u"Da", 9);
  ASSERT_TRUE(single.insert_rule(u"w", u"", InsertMode::kDominant, 1, ModelOptions{.store_original = false}).ok());
  EXPECT_EQ((Values{single, m}.list()), "Da:1");
}

TEST(FrequencyTrie, DominantRefusedWhenAnotherRuleHasTheMaximum) {
  FrequencyTrie t;
  const uint32_t n = t.node_at_or_create(u"cats", true);
  put(t, n, u"Db", kMaxCount);
  auto s = t.insert_rule(u"cats", u"cat", InsertMode::kDominant, 1, ModelOptions{});
  ASSERT_FALSE(s.ok());
  EXPECT_EQ(s.error().message,
            "cannot make the rule dominant because another rule already has the maximum frequency");
  EXPECT_EQ(t.node_at(u"cat", true), kNoIndex);  // the stem's identity rule was not stored
}

TEST(FrequencyTrie, AddCountRefusedBeyondTheLimit) {
  FrequencyTrie t;
  ASSERT_TRUE(t.insert_rule(u"cats", u"cat", InsertMode::kAddCount, kMaxCount, ModelOptions{.store_original = false}).ok());
  auto s = t.insert_rule(u"cats", u"cat", InsertMode::kAddCount, 1, ModelOptions{.store_original = false});
  ASSERT_FALSE(s.ok());
  EXPECT_EQ(s.error().message, "frequency count exceeds the signed 32-bit format limit");
}

TEST(FrequencyTrie, OnlyIfAbsentAndReplace) {
  FrequencyTrie t;
  ASSERT_TRUE(t.insert_rule(u"mice", u"mouse", InsertMode::kOnlyIfAbsent, 5, ModelOptions{}).ok());
  const uint32_t mice = t.node_at(u"mice", true);
  EXPECT_EQ((Values{t, mice}.list()), "-aIsRuRo:1");
  ASSERT_TRUE(t.insert_rule(u"mice", u"mice", InsertMode::kOnlyIfAbsent, 1, ModelOptions{.store_original = false}).ok());
  put(t, mice, u"Da", 4);
  ASSERT_TRUE(t.insert_rule(u"mice", u"mouse", InsertMode::kReplace, 1, ModelOptions{}).ok());
  EXPECT_EQ((Values{t, mice}.list()), "-aIsRuRo:1");
  EXPECT_EQ((Values{t, t.node_at(u"mouse", true)}.list()), "Na:1");
}

TEST(FrequencyTrie, RankingOrder) {
  FrequencyTrie t;
  std::vector<ValueCount> v = {{t.commands().intern(u"BB"), 2}, {t.commands().intern(u"C"), 2},
                               {t.commands().intern(u"A"), 2}};
  rank_values(t.commands(), v);
  EXPECT_EQ(t.commands().text(v[0].command), u"A");
  EXPECT_EQ(t.commands().text(v[1].command), u"C");
  EXPECT_EQ(t.commands().text(v[2].command), u"BB");
}

TEST(FrequencyTrie, RemovalKeepsChildrenAndOrder) {
  FrequencyTrie t;
  const uint32_t n = t.node_at_or_create(u"ab", false);
  t.node_at_or_create(u"abc", false);
  put(t, n, u"Da", 1);
  put(t, n, u"Db", 2);
  put(t, n, u"Ix", 3);
  t.remove_rule(u"ab", u"a", false);  // the command of ab -> a forward is "-aDa", not stored
  EXPECT_EQ((Values{t, n}.list()), "Da:1,Db:2,Ix:3");
  t.remove_rule(u"ab", u"", false);  // "Db"
  EXPECT_EQ((Values{t, n}.list()), "Da:1,Ix:3");
  t.remove_all_rules(u"ab", false);
  EXPECT_FALSE(t.has_values(n));
  EXPECT_NE(t.node_at(u"abc", false), kNoIndex);
}

std::vector<ValueCount> ranked(FrequencyTrie& t, std::initializer_list<std::pair<const char16_t*, int>> vs) {
  std::vector<ValueCount> v;
  for (auto [c, n] : vs) v.push_back({t.commands().intern(c), n});
  rank_values(t.commands(), v);
  return v;
}

TEST(Reduce, DominanceExamples) {
  FrequencyTrie t;
  EXPECT_TRUE(is_dominant(ranked(t, {{u"A", 3}, {u"B", 1}})));
  EXPECT_FALSE(is_dominant(ranked(t, {{u"A", 5}, {u"B", 2}})));
  EXPECT_TRUE(is_dominant(ranked(t, {{u"A", 7}, {u"B", 2}})));
  EXPECT_TRUE(is_dominant(ranked(t, {{u"A", 1}})));
  EXPECT_FALSE(is_dominant({}));
}

TEST(Reduce, UniformLeavesContractIntoAnAcceptingLeaf) {
  FrequencyTrie t;
  const uint32_t p = t.node_at_or_create(u"p", false);
  put(t, t.node_at_or_create(u"pa", false), u"X", 2);
  put(t, t.node_at_or_create(u"pb", false), u"X", 7);
  put(t, p, u"X", 4);
  CanonicalGraph g = reduce(t);
  // p contracts to {X: 1}; the root, whose only child is that leaf, contracts
  // too and then has p's signature, so both are one node with the counts summed.
  const CanonicalNode& root = g.nodes[g.root];
  EXPECT_TRUE(root.accepting);
  EXPECT_TRUE(root.children.empty());
  ASSERT_EQ(root.values.size(), 1u);
  EXPECT_EQ(root.values[0].count, 2);
  EXPECT_EQ(g.nodes.size(), 2u);  // the merged leaves and the merged contraction
}

TEST(Reduce, MixedLeavesBlockContraction) {
  FrequencyTrie t;
  put(t, t.node_at_or_create(u"pa", false), u"X", 2);
  put(t, t.node_at_or_create(u"pb", false), u"Y", 1);
  put(t, t.node_at_or_create(u"p", false), u"X", 4);
  CanonicalGraph g = reduce(t);
  const CanonicalNode& root = g.nodes[g.root];
  ASSERT_EQ(root.children.size(), 1u);
  const CanonicalNode& p = g.nodes[root.children[0].node];
  EXPECT_FALSE(p.accepting);
  EXPECT_EQ(p.children.size(), 2u);
}

TEST(Reduce, EqualDominantLeavesMergeAndSumCounts) {
  FrequencyTrie t;
  const uint32_t a = t.node_at_or_create(u"xa", false);
  const uint32_t b = t.node_at_or_create(u"yb", false);
  put(t, a, u"A", 3);
  put(t, a, u"B", 1);
  put(t, b, u"A", 9);
  t.node_at_or_create(u"yc", false);  // keeps y from contracting
  put(t, t.node_at_or_create(u"yc", false), u"B", 1);
  CanonicalGraph g = reduce(t);
  TrieGraph f = freeze(t);
  // xa and yb share one node holding {A: 12, B: 1}.
  bool found = false;
  for (size_t n = 0; n < f.node_count(); ++n) {
    if (f.value_offsets[n + 1] - f.value_offsets[n] == 2) {
      EXPECT_EQ(f.commands[f.value_commands[f.value_offsets[n]]], u"A");
      EXPECT_EQ(f.value_counts[f.value_offsets[n]], 12);
      EXPECT_EQ(f.value_counts[f.value_offsets[n] + 1], 1);
      found = true;
    }
  }
  EXPECT_TRUE(found);
  (void)g;
}

// Non-dominant nodes merge when their commands rank in the same order, whatever the counts.
TEST(Reduce, NonDominantLeavesMergeByCommandOrder) {
  FrequencyTrie t;
  auto leaf = [&](const char16_t* key, int a, int b) {
    const uint32_t n = t.node_at_or_create(key, false);
    put(t, n, u"A", a);
    put(t, n, u"B", b);
  };
  leaf(u"xa", 5, 2);
  leaf(u"yb", 50, 20);
  leaf(u"zc", 2, 5);  // B ranks first here: another signature
  for (const char16_t* k : {u"x", u"y", u"z"}) put(t, t.node_at_or_create(std::u16string(k) + u"q", false), u"C", 1);
  CanonicalGraph g = reduce(t);
  const CanonicalNode& root = g.nodes[g.root];
  ASSERT_EQ(root.children.size(), 3u);
  auto child_with = [&](uint32_t parent, char16_t label) {
    for (const auto& c : g.nodes[parent].children) {
      if (c.label == label) return c.node;
    }
    return kNoIndex;
  };
  const uint32_t xa = child_with(root.children[0].node, u'a');
  const uint32_t yb = child_with(root.children[1].node, u'b');
  const uint32_t zc = child_with(root.children[2].node, u'c');
  EXPECT_EQ(xa, yb);
  EXPECT_NE(xa, zc);
  int sum_a = 0;
  for (const auto& v : g.nodes[xa].values) {
    if (t.commands().text(v.command) == u"A") sum_a = v.count;
  }
  EXPECT_EQ(sum_a, 55);
}

TEST(Freeze, EmptyBuilderIsOneNode) {
  FrequencyTrie t;
  TrieGraph f = freeze(t);
  EXPECT_EQ(f.edge_offsets, (std::vector<uint32_t>{0, 0}));
  EXPECT_EQ(f.accepting, (std::vector<uint8_t>{0}));
  EXPECT_EQ(f.value_offsets, (std::vector<uint32_t>{0, 0}));
}

TEST(Freeze, ValuesInRankingOrderAndTwiceIdentical) {
  FrequencyTrie t;
  const uint32_t n = t.node_at_or_create(u"ab", true);
  put(t, n, u"A", 1);
  put(t, n, u"B", 5);
  put(t, t.node_at_or_create(u"cd", true), u"Dz", 1);
  TrieGraph f1 = freeze(t);
  TrieGraph f2 = freeze(t);
  EXPECT_EQ(f1.edge_labels, f2.edge_labels);
  EXPECT_EQ(f1.edge_children, f2.edge_children);
  EXPECT_EQ(f1.value_commands, f2.value_commands);
  EXPECT_EQ(f1.value_counts, f2.value_counts);
  bool seen = false;
  for (size_t v = 0; v + 1 < f1.value_commands.size(); ++v) {
    if (f1.commands[f1.value_commands[v]] == u"B") {
      EXPECT_EQ(f1.commands[f1.value_commands[v + 1]], u"A");
      EXPECT_EQ(f1.value_counts[v], 5);
      seen = true;
    }
  }
  EXPECT_TRUE(seen);
}

TEST(Freeze, SharedSubtreesGetOneNumberAndPatchesDeduplicate) {
  FrequencyTrie t;
  // Two words whose last letters lead to equal, non-contractible subtrees.
  for (const char16_t* w : {u"xab", u"yab"}) {
    put(t, t.node_at_or_create(w, false), u"Db", 1);
    put(t, t.node_at_or_create(std::u16string(w) + u"q", false), u"Ia", 1);
  }
  TrieGraph f = freeze(t);
  size_t incoming_max = 0;
  std::vector<size_t> incoming(f.node_count());
  for (uint32_t c : f.edge_children) incoming_max = std::max(incoming_max, ++incoming[c]);
  EXPECT_GE(incoming_max, 2u);
  auto trie = compile_trie(f, ModelModes{TraversalDirection::kForward});
  ASSERT_TRUE(trie.ok());
  EXPECT_EQ((*trie)->patches().size(), 2u);
}

}  // namespace
}  // namespace velmora
