#include <gtest/gtest.h>

#include <ostream>

#include <fstream>
#include <sstream>

#include "train/freeze.h"
#include "train/rebuild.h"
#include "train/dictionary.h"
#include "image/gzip.h"
#include "image/reader.h"
#include "image/writer.h"
#include "image/modified_utf8.h"

namespace velmora {
namespace {

std::string hex(std::string_view bytes) {
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  for (unsigned char b : bytes) {
    if (!out.empty()) out += ' ';
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

TEST(ModifiedUtf8, EncodesUnitsSeparately) {
  struct Case {
    std::u16string text;
    const char* bytes;
  };
  for (const Case& c : {Case{std::u16string(1, u'\0'), "00 02 C0 80"}, Case{u"\u00E9", "00 02 C3 A9"},
                        Case{u"\u20AC", "00 03 E2 82 AC"}, Case{u"\U0001F600", "00 06 ED A0 BD ED B8 80"}}) {
    std::string out;
    ASSERT_TRUE(write_modified_utf8(out, c.text).ok());
    EXPECT_EQ(hex(out), c.bytes);
    size_t cursor = 0;
    auto back = read_modified_utf8(out, cursor);
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(*back, c.text);
  }
}

TEST(ModifiedUtf8, LimitIs65535Bytes) {
  std::string out = "x";
  EXPECT_TRUE(write_modified_utf8(out, std::u16string(65535, u'a')).ok());
  out = "x";
  auto s = write_modified_utf8(out, std::u16string(32768, u'\u00E9'));
  ASSERT_FALSE(s.ok());
  EXPECT_EQ(s.error().message, "string too long for Java modified UTF-8");
  EXPECT_EQ(out, "x");
}

TEST(ModifiedUtf8, ReaderRejectsMalformedAndReplacesLoneSurrogates) {
  size_t cursor = 0;
  auto bad = read_modified_utf8(std::string("\x00\x02\xC3\x28", 4), cursor);
  ASSERT_FALSE(bad.ok());
  EXPECT_EQ(bad.error().message, "malformed modified UTF-8");
  cursor = 0;
  EXPECT_EQ(*read_modified_utf8(std::string("\x00\x01\x00", 3), cursor), std::u16string(1, u'\0'));
  cursor = 0;
  EXPECT_EQ(*read_modified_utf8(std::string("\x00\x03\xED\xA0\xBD", 5), cursor), u"\uFFFD");
}

TEST(ImageWriter, SingleAcceptingRootIs337Bytes) {
  TrieGraph f;
  f.edge_offsets = {0, 0};
  f.accepting = {1};
  f.value_offsets = {0, 1};
  f.value_commands = {0};
  f.value_counts = {1};
  f.commands = {u"X"};
  auto stream = write_trie_stream(f, ModelModes{});
  ASSERT_TRUE(stream.ok());
  ASSERT_EQ(stream->size(), 337u);
  EXPECT_EQ(hex(stream->substr(0, 18)), "4C 58 54 52 00 00 00 07 00 00 00 01 00 00 00 00 01 27");
  EXPECT_EQ(hex(stream->substr(313)),
            "00 00 00 01 00 01 58 01 00 00 00 00 00 00 00 01 00 00 00 00 00 00 00 01");
  auto image = write_compiled_image(f, ModelModes{});
  ASSERT_TRUE(image.ok());
  EXPECT_EQ(hex(image->substr(0, 10)), "1F 8B 08 00 00 00 00 00 00 FF");
  EXPECT_EQ(gunzip_if_gzipped(*image).value(), *stream);
}

TEST(Gzip, CorruptOrTruncatedInputComesBackUnchanged) {
  auto image = gzip_compress("hello hello hello");
  ASSERT_TRUE(image.ok());
  const std::string truncated = image->substr(0, image->size() - 3);
  EXPECT_EQ(gunzip_if_gzipped(truncated).value(), truncated);
  EXPECT_EQ(gunzip_if_gzipped(*image + "trailing").value(), "hello hello hello");
  EXPECT_EQ(gunzip_if_gzipped("\x1F").value(), "\x1F");
}

// A stream with the standard header and metadata, then the given tail.
std::string stream_with(int32_t nodes, const std::string& tail) {
  std::string s = "LXTR";
  auto i32 = [&](uint32_t v) {
    for (int k = 3; k >= 0; --k) s.push_back(char((v >> (8 * k)) & 0xFF));
  };
  i32(7);
  i32(uint32_t(nodes));
  i32(0);
  s += std::string("\x00\x00", 2);  // empty metadata
  s += tail;
  s += std::string(64, '\0');       // room so counts fit the stream
  return s;
}

std::string be(uint32_t v) {
  std::string s;
  for (int k = 3; k >= 0; --k) s.push_back(char((v >> (8 * k)) & 0xFF));
  return s;
}
std::string label(uint16_t v) { return std::string{char(v >> 8), char(v & 0xFF)}; }

// Node record helpers.
std::string node(uint8_t flag, std::vector<std::pair<uint16_t, uint32_t>> edges,
                 std::vector<std::pair<uint32_t, int32_t>> values) {
  std::string s(1, char(flag));
  s += be(uint32_t(edges.size()));
  for (auto [l, c] : edges) s += label(l) + be(c);
  s += be(uint32_t(values.size()));
  for (auto [v, n] : values) s += be(v) + be(uint32_t(n));
  return s;
}

struct ReaderCase {
  std::string name;
  std::string stream;
  std::string message;
};

void PrintTo(const ReaderCase& c, std::ostream* os) { *os << c.name; }

class ReaderErrors : public ::testing::TestWithParam<ReaderCase> {};

TEST_P(ReaderErrors, ReportTheProblem) {
  auto r = read_compiled_image(GetParam().stream);
  ASSERT_FALSE(r.ok());
  EXPECT_EQ(r.error().message, GetParam().message);
}

const std::string kOneValue = be(1) + std::string("\x00\x01X", 3);

INSTANTIATE_TEST_SUITE_P(
    Crafted, ReaderErrors,
    ::testing::Values(
        ReaderCase{"magic", "LXTX0000", "bad trie stream magic"},
        ReaderCase{"short", "LXTR\x00\x00", "unexpected end of trie stream"},
        ReaderCase{"version8", std::string("LXTR\x00\x00\x00\x08", 8), "unsupported trie stream version 8 (expected 7)"},
        ReaderCase{"versionm1", std::string("LXTR\xFF\xFF\xFF\xFF", 8), "unsupported trie stream version -1 (expected 7)"},
        ReaderCase{"nodes0", stream_with(0, ""), "node count must be positive and fit within the stream"},
        ReaderCase{"nodesbig", stream_with(100000, ""), "node count must be positive and fit within the stream"},
        ReaderCase{"root", std::string("LXTR\x00\x00\x00\x07\x00\x00\x00\x01\x00\x00\x00\x01", 16) + std::string(8, '\0'),
                   "unsupported non-zero root node id"},
        ReaderCase{"valuecount", stream_with(1, be(0x7FFFFFFF)), "value-table count is negative or exceeds the stream bounds"},
        ReaderCase{"flag", stream_with(6, be(0) + node(0, {{1, 1}}, {}) + node(0, {{1, 2}}, {}) + node(0, {{1, 3}}, {}) +
                                           node(0, {{1, 4}}, {}) + node(0, {{1, 5}}, {}) + std::string(1, '\x02')),
                   "invalid accepting flag 2 at node 5"},
        ReaderCase{"edges", stream_with(1, be(0) + std::string(1, '\0') + be(0x10000000)), "invalid edge count 268435456 at node 0"},
        ReaderCase{"child", stream_with(2, be(0) + node(0, {{97, 2}}, {})), "child node id 2 is out of range at node 0"},
        ReaderCase{"labels", stream_with(2, be(0) + node(0, {{97, 1}, {97, 1}}, {})), "edge labels are not strictly ascending at node 0"},
        ReaderCase{"values", stream_with(1, be(0) + std::string(1, '\0') + be(0) + be(0x10000000)), "invalid value count 268435456 at node 0"},
        ReaderCase{"acceptempty", stream_with(1, be(0) + node(1, {}, {})), "accepting node 0 has no value"},
        ReaderCase{"valueid", stream_with(1, kOneValue + node(0, {}, {{1, 1}})), "value id 1 is out of range at node 0"},
        ReaderCase{"freq", stream_with(1, kOneValue + node(0, {}, {{0, 0}})), "value count 0 must be positive at node 0"},
        ReaderCase{"dup", stream_with(1, kOneValue + node(0, {}, {{0, 1}, {0, 2}})), "duplicate value id 0 at node 0"},
        ReaderCase{"cycle", stream_with(3, be(0) + node(0, {{97, 1}}, {}) + node(0, {{97, 2}}, {}) + node(0, {{97, 1}}, {})),
                   "cycle detected through node 1"},
        ReaderCase{"unreachable", stream_with(2, be(0) + node(0, {}, {}) + node(0, {}, {})), "compiled trie contains an unreachable node"},
        ReaderCase{"malformed", stream_with(1, be(1) + std::string("\x00\x02\xC3\x28", 4)), "malformed modified UTF-8"}),
    [](const auto& info) { return info.param.name; });

TEST(ImageReader, MetadataFallsBackToDefaults) {
  EXPECT_EQ(parse_model_metadata(""), ModelModes{});
  EXPECT_EQ(parse_model_metadata("traversalDirection=forward\n").direction, TraversalDirection::kBackward);
  EXPECT_EQ(parse_model_metadata("traversalDirection=FORWARD\r\n").direction, TraversalDirection::kForward);
  EXPECT_EQ(parse_model_metadata("caseProcessingMode=AS_IS\r").case_mode, CaseMode::kLowercaseWithLocaleRoot);
  EXPECT_EQ(parse_model_metadata("diacriticProcessingMode=REMOVE").diacritic_mode, DiacriticMode::kRemove);
}

TEST(ImageReader, SharedChildrenAndTrailingGarbageAreAccepted) {
  const std::string s = stream_with(3, be(0) + node(0, {{97, 2}, {98, 1}}, {}) + node(0, {{99, 2}}, {}) + node(0, {}, {}));
  auto r = read_compiled_image(s);
  ASSERT_TRUE(r.ok()) << r.error().message;
  EXPECT_EQ(r->graph.node_count(), 3u);
}

std::string read_data(const char* name) {
  std::ifstream in(std::string(VELMORA_DATA_DIR) + "/" + name, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// The English dictionary survives write -> read -> rebuild -> freeze unchanged.
TEST(ImageRoundTrip, EnglishDictionary) {
  const std::string raw = read_data("en_US.tsv.gz");
  if (raw.empty()) GTEST_SKIP() << "shared data not present";
  FrequencyTrie trie = build_frequency_trie(gunzip_if_gzipped(raw).value(), ModelOptions{}).value();
  TrieGraph frozen = freeze(trie);
  auto stream = write_trie_stream(frozen, ModelModes{});
  ASSERT_TRUE(stream.ok());
  EXPECT_EQ(stream->size(), 922328u);
  auto image = read_compiled_image(*stream);
  ASSERT_TRUE(image.ok()) << image.error().message;
  EXPECT_TRUE(image->graph == frozen);
  FrequencyTrie rebuilt = rebuild_from_compiled(image->graph).value();
  auto again = write_trie_stream(freeze(rebuilt), image->modes);
  ASSERT_TRUE(again.ok());
  EXPECT_TRUE(*again == *stream);
}

// Zeros inflate about a thousandfold: a ceiling below the inflated size is
// reported as an error instead of growing the buffer without end.
TEST(Gzip, InflationPastTheCeilingIsAnError) {
  auto packed = gzip_compress(std::string(size_t(1) << 22, '\0'));
  ASSERT_TRUE(packed.ok());
  auto refused = gunzip_if_gzipped(*packed, size_t(1) << 20);
  ASSERT_FALSE(refused.ok());
  EXPECT_EQ(refused.error().message, "gzip data inflates past the limit of 1048576 bytes");
  auto exact = gunzip_if_gzipped(*packed, size_t(1) << 22);
  ASSERT_TRUE(exact.ok());
  EXPECT_EQ(exact->size(), size_t(1) << 22);
}

}  // namespace
}  // namespace velmora
