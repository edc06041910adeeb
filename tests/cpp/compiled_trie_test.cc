#include <gtest/gtest.h>

#include "train/freeze.h"
#include "hand_trie.h"
#include "test_util.h"
#include "runtime/compiled_trie.h"
#include "runtime/stem_walk.h"

namespace velmora {
namespace {

using testing::HandTrie;
using testing::u16;

// Backward trie for "s" <- "t" <- "a" (cats read from the end): root -s-> 1 -t-> 2 -a-> 3.
// Node 1 is accepting with "Da"; node 3 carries "Db".
HandTrie chain() {
  HandTrie t;
  t.edges = {{{u's', 1}}, {{u't', 2}}, {{u'a', 3}}, {}};
  t.values = {{}, {0}, {}, {1}};
  t.accepting = {0, 1, 0, 0};
  t.commands = {u"Da", u"Db"};
  return t;
}

TEST(DenseTables, SpanOf512GetsATableAnd513DoesNot) {
  std::vector<uint32_t> offsets = {0, 2, 4, 5, 5, 5, 5};
  std::vector<uint16_t> labels = {97, 608, 97, 609, 97};
  std::vector<uint32_t> children = {3, 4, 3, 5, 5};
  TrieGraph g;
  g.edge_offsets = offsets;
  g.edge_labels = labels;
  g.edge_children = children;
  DenseTables t = build_dense_tables(g);
  EXPECT_EQ(t.offsets[1] - t.offsets[0], 512u);
  EXPECT_EQ(t.slots[0], 4u);
  EXPECT_EQ(t.slots[511], 5u);
  EXPECT_EQ(t.base[0], 97);
  EXPECT_EQ(t.offsets[2], t.offsets[1]);  // span 513: binary search
  EXPECT_EQ(t.offsets[3], t.offsets[2]);  // single edge
}

TEST(CompiledTrie, ChildLookupWrapsBelowDenseBase) {
  HandTrie t;
  t.edges = {{{u'b', 1}, {u'd', 2}}, {}, {}};
  t.values = {{}, {0}, {0}};
  t.accepting = {0, 0, 0};
  t.commands = {u"Na"};
  auto trie = t.build(LookupMode::kFirst);
  EXPECT_EQ(trie->find_first(u"a"), kNoIndex);
  EXPECT_EQ(trie->find_first(u"c"), kNoIndex);
  EXPECT_EQ(trie->find_first(u"d"), 2u);
}

TEST(CompiledTrie, FirstStopsAtTheFirstAcceptingNode) {
  auto trie = chain().build(LookupMode::kFirst);
  EXPECT_EQ(trie->find_first(u"cats"), 1u);
  EXPECT_EQ(trie->find_first(u"xyz"), kNoIndex);
  EXPECT_EQ(trie->find_first(u""), 0u);
}

TEST(CompiledTrie, LastPrefersTheKeyEndThenTheDeepestAcceptingNode) {
  auto trie = chain().build(LookupMode::kLast);
  EXPECT_EQ(trie->find_last(u"ats"), 3u);   // key ends at a node with a value
  EXPECT_EQ(trie->find_last(u"ts"), 1u);    // node 2 has no value: fall back
  EXPECT_EQ(trie->find_last(u"bts"), 1u);   // missing child: deepest accepting
  EXPECT_EQ(trie->find_last(u"q"), kNoIndex);
  EXPECT_EQ(trie->find_last(u""), kNoIndex);  // root has no value
}

TEST(CompiledTrie, AcceptingRootAnswersEveryWordInModeFirst) {
  HandTrie t;
  t.edges = {{{u'a', 1}}, {}};
  t.values = {{0}, {1}};
  t.accepting = {1, 0};
  t.commands = {u"Na", u"Da"};
  auto trie = t.build(LookupMode::kFirst);
  EXPECT_EQ(trie->find_first(u"zzz"), 0u);
  EXPECT_EQ(trie->find_first(u"a"), 0u);
}

TEST(CompiledTrie, StemAllDuplicatesOnlyOutsideModeAll) {
  HandTrie t = chain();
  t.values[3] = {1, 2};
  t.commands.push_back(u"Db");  // a second value giving the same stem as "Db"
  t.commands[2] = u"Db";
  auto last = t.build(LookupMode::kLast);
  EXPECT_EQ(last->stem_all("ats"), (std::vector<std::string>{"a", "a"}));
  auto all = t.build(LookupMode::kAll);
  EXPECT_EQ(all->stem_all("ats"), (std::vector<std::string>{"a", "at"}));
  auto first = t.build(LookupMode::kFirst);
  EXPECT_EQ(first->stem_all("ats"), (std::vector<std::string>{"at"}));
  EXPECT_TRUE(first->stem_all("dog").empty());
}

TEST(CompiledTrie, StemAllListsTheKeyEndNodeOnceWhenItIsAlsoAccepting) {
  HandTrie t = chain();
  t.accepting[3] = 1;
  auto all = t.build(LookupMode::kAll);
  EXPECT_EQ(all->stem_all("cats"), (std::vector<std::string>{"ca", "cat"}));
}

TEST(LookupMode, ParsesExactlyThreeWords) {
  EXPECT_EQ(*parse_lookup_mode("first"), LookupMode::kFirst);
  EXPECT_EQ(*parse_lookup_mode("last"), LookupMode::kLast);
  EXPECT_EQ(*parse_lookup_mode("all"), LookupMode::kAll);
  for (const char* bad : {"First", " first", "ALL", ""}) EXPECT_FALSE(parse_lookup_mode(bad).ok()) << bad;
}

TEST(LookupMode, MessageEscapesTheGivenText) {
  auto r = parse_lookup_mode(std::string_view("a\"\\\t\r\n\0\x7f\xC2\xA0z", 11));
  ASSERT_FALSE(r.ok());
  EXPECT_EQ(r.error().message,
            "invalid lookup mode \"a\\\"\\\\\\t\\r\\n\\u{0}\\u{7f}\\u{a0}z\"; expected 'first', 'last', or 'all'");
}

TEST(StemWord, DirectAndGenericPathsAgree) {
  HandTrie t = chain();
  auto trie = t.build(LookupMode::kFirst);
  trie->set_case_mode(CaseMode::kAsIs);
  StemScratch s;
  auto direct = find_stem(*trie, "cats", s, true);
  ASSERT_TRUE(direct.has_value());
  EXPECT_EQ(direct->path, StemPath::kDirectSlice);
  const std::string direct_text(direct->text);
  auto generic = find_stem(*trie, "cats", s, false);
  EXPECT_EQ(std::string(generic->text), direct_text);
  EXPECT_EQ(direct_text, "cat");
}

}  // namespace
}  // namespace velmora
