#include <gtest/gtest.h>

#include <random>

#include "command/encode.h"
#include "command/compiled_patch.h"
#include "command/direct_utf8.h"
#include "util/utf.h"
#include "test_util.h"

namespace velmora {
namespace {

using testing::u16;
using testing::u8;

CompiledPatch compiled(std::u16string_view cmd, bool backward = true) {
  auto p = compile_patch(cmd, backward);
  EXPECT_TRUE(p.ok()) << u8(cmd);
  return p.ok() ? *p : CompiledPatch{};
}

std::string applied(std::u16string_view cmd, std::string_view word, bool backward = true) {
  std::u16string out;
  apply_patch(compiled(cmd, backward), u16(word), out);
  return u8(out);
}

class PreserveCommands : public ::testing::TestWithParam<std::u16string> {};
TEST_P(PreserveCommands, CompileToPreserve) {
  EXPECT_EQ(compiled(GetParam()).kind, PatchKind::kPreserve);
}
INSTANTIATE_TEST_SUITE_P(Edge, PreserveCommands,
                         ::testing::Values(u"Na", u"", u"-c", u"Nq", u"abc", u"D`", u"DaNa",
                                           std::u16string(u"D`Xa")));

TEST(CompilePatch, FailuresCarryTheirMessages) {
  auto noop = compile_patch(u"DaNb", true);
  ASSERT_FALSE(noop.ok());
  EXPECT_EQ(noop.error().message, "Invalid NOOP arg");
  auto unknown = compile_patch(u"DaXa", true);
  ASSERT_FALSE(unknown.ok());
  EXPECT_EQ(unknown.error().message, "Unknown opcode: X");
  auto single = compile_patch(u"Qa", false);
  ASSERT_FALSE(single.ok());
  EXPECT_EQ(single.error().message, "Unknown opcode: Q");
  auto surrogate = compile_patch(std::u16string(u"Da") + char16_t(0xD800) + u"a", true);
  ASSERT_FALSE(surrogate.ok());
  EXPECT_EQ(surrogate.error().message, "Unknown opcode: \xEF\xBF\xBD");
}

TEST(CompilePatch, SimpleKindsByDirection) {
  EXPECT_EQ(compiled(u"Dc", true).kind, PatchKind::kDeleteSuffix);
  EXPECT_EQ(compiled(u"Dc", true).delete_count, 3u);
  EXPECT_EQ(compiled(u"Dc", false).kind, PatchKind::kDeletePrefix);
  EXPECT_EQ(compiled(u"Ix", true).kind, PatchKind::kAppendChar);
  EXPECT_EQ(compiled(u"Ix", false).kind, PatchKind::kPrependChar);
  EXPECT_EQ(compiled(u"Rx", true).kind, PatchKind::kReplaceLastChar);
  EXPECT_EQ(compiled(u"Rx", false).kind, PatchKind::kReplaceFirstChar);
  const CompiledPatch mice = compiled(u"-aIsRuRo", true);
  EXPECT_EQ(mice.kind, PatchKind::kBackwardCompound);
  EXPECT_EQ(mice.length_delta, 1);
  EXPECT_EQ(mice.reach, 3u);
}

TEST(ApplyPatch, EdgeCases) {
  EXPECT_EQ(applied(u"Dc", "cats"), "c");
  EXPECT_EQ(applied(u"Dd", "cats"), "cats");
  EXPECT_EQ(applied(u"De", "cats"), "cats");
  EXPECT_EQ(applied(u"Ix", ""), "x");
  EXPECT_EQ(applied(u"Rx", ""), "");
  EXPECT_EQ(applied(u"-aIsRuRo", "ce"), "ce");           // reach beyond the word
  EXPECT_EQ(applied(u"DaDb", "abc"), "abc");             // would leave an empty stem
  EXPECT_EQ(applied(u"-aIsRuRo", "mice"), "mouse");
  EXPECT_EQ(applied(u"-aIoRuRs", "mice", false), "mouse");
}

TEST(ApplyPatch, HostileCommandsNeverWritePastTheOutput) {
  // Skips far beyond the word, inserts with no room: all give the word unchanged.
  for (const char16_t* cmd : {u"-zIaIaIaIa", u"IaIaIaIaDa", u"RaRaRaRaRa", u"D\uFFFFIa", u"-\uFFFFRa"}) {
    for (bool backward : {true, false}) {
      std::u16string out;
      apply_patch(compiled(cmd, backward), u"abc", out);
      EXPECT_LE(out.size(), 8u) << u8(cmd);
    }
  }
}

TEST(DirectSlice, CutsAtCharacterBoundaries) {
  const std::string naive = "na\xC3\xAFve";
  auto r = apply_direct_slice(compiled(u"Db"), naive, utf16_length(naive));
  ASSERT_TRUE(r.has_value());
  EXPECT_EQ(naive.substr(r->offset, r->length), "na\xC3\xAF");
  const std::string emoji = "ab\xF0\x9F\x98\x80";
  EXPECT_FALSE(apply_direct_slice(compiled(u"Da"), emoji, utf16_length(emoji)).has_value());
  std::u16string out;
  apply_patch(compiled(u"Da"), u16(emoji), out);
  EXPECT_EQ(u8(out), "ab\xEF\xBF\xBD");
}

TEST(DirectBuffer, SurrogateUnitDeclines) {
  std::string out;
  CompiledPatch p = compiled(u"Ra");
  p.unit = 0xD83D;
  EXPECT_FALSE(apply_direct_buffer(p, "abc", 3, out));
}

// The direct forms agree with the generic path whenever they do not decline.
TEST(DirectOutput, AgreesWithGenericPath) {
  std::mt19937 rng(7);
  const char* words[] = {"", "a", "cats", "na\xC3\xAFve", "\xE4\xB8\xAD\xE6\x96\x87", "x\xF0\x9F\x98\x80",
                         "\xF0\x9F\x98\x80y", "\xC5\x82\xC3\xB3\x64\xC5\xBA"};
  std::vector<std::u16string> commands = {u"Na", u"Da", u"Db", u"Dc", u"Dz", u"Ix", u"I\u00E9",
                                          u"I\u20AC", u"Rx", u"R\u0142", u"-aDa"};
  for (bool backward : {true, false}) {
    for (const auto& cmd : commands) {
      const CompiledPatch p = compiled(cmd, backward);
      for (const char* w : words) {
        const std::string word(w);
        std::u16string units;
        apply_patch(p, u16(word), units);
        const std::string expected = u8(units);
        const size_t len = utf16_length(word);
        if (auto r = apply_direct_slice(p, word, len)) {
          EXPECT_EQ(word.substr(r->offset, r->length), expected) << u8(cmd) << " " << word;
        }
        std::string buffer;
        if (apply_direct_buffer(p, word, len, buffer)) {
          EXPECT_EQ(buffer, expected) << u8(cmd) << " " << word;
        }
      }
    }
  }
}

}  // namespace
}  // namespace velmora
