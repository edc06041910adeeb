#include "model/model_check.h"

#include <gtest/gtest.h>

#include <string>

#include "image/gzip.h"
#include "model/model_loading.h"
#include "train/dictionary.h"

namespace velmora {
namespace {

using namespace std::string_literals;

const FileNaming kNaming{"'d.tsv'", "model"};

struct FaultCase {
  std::string text;
  size_t nul;
  size_t undecodable;
  size_t first;
};

class ScanText : public ::testing::TestWithParam<FaultCase> {};

// Each maximal ill-formed subsequence counts once, as it becomes one U+FFFD
// when the dictionary is read.
TEST_P(ScanText, CountsNulsAndIllFormedSequences) {
  const FaultCase& c = GetParam();
  const TextFaults faults = scan_text(c.text);
  EXPECT_EQ(faults.size, c.text.size());
  EXPECT_EQ(faults.nul_characters, c.nul);
  EXPECT_EQ(faults.undecodable, c.undecodable);
  if (c.undecodable > 0) {
    EXPECT_EQ(faults.first_undecodable, c.first);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ScanText,
    ::testing::Values(FaultCase{"cat\tcats\n", 0, 0, 0}, FaultCase{"a\0b\0"s, 2, 0, 0},
                      FaultCase{"caf\xE9\tcaf\xE9s", 0, 2, 3},
                      // A three-byte lead with one good continuation: one subsequence.
                      FaultCase{"x\xE2\x82y", 0, 1, 1},
                      // Two stray continuation bytes: two subsequences.
                      FaultCase{"\x80\x80", 0, 2, 0},
                      // A sequence cut short by the end of the text.
                      FaultCase{"ok\xF0\x9F\x98", 0, 1, 2}));

TEST(RefuseBinary, PastATenthOfBadBytesTheTextIsBinary) {
  // 1 bad byte in 10 is a tenth exactly: still text.
  EXPECT_TRUE(refuse_binary(scan_text("\xFF" "123456789"), kNaming).ok());
  auto refused = refuse_binary(scan_text("\0\xFF\xFE binary"s), kNaming);
  ASSERT_FALSE(refused.ok());
  EXPECT_EQ(refused.error().message, "model 'd.tsv' is binary, not a text dictionary (30% NUL or undecodable bytes)");
  EXPECT_TRUE(refuse_binary(scan_text(""), kNaming).ok());
}

TEST(RefuseBinary, ShareRoundsHalfToEven) {
  // 1 in 8 is 12.5%, printed as 12 (as Python's round prints it), not 13.
  auto refused = refuse_binary(scan_text("\xFF" "1234567"), kNaming);
  ASSERT_FALSE(refused.ok());
  EXPECT_NE(refused.error().message.find("(12% NUL"), std::string::npos) << refused.error().message;
}

TEST(TextWarnings, NameTheFileAndTheFirstBadByte) {
  const auto warnings = text_warnings(scan_text("a\tb\0\nc\xE9\td\n"s), kNaming);
  ASSERT_EQ(warnings.size(), 2u);
  EXPECT_EQ(warnings[0], "model 'd.tsv' holds NUL characters");
  EXPECT_EQ(warnings[1], "model 'd.tsv' has undecodable bytes (first at byte 6); they are read as U+FFFD");
  EXPECT_TRUE(text_warnings(scan_text("a\tb\n"), kNaming).empty());
}

TEST(NamedReadError, ADeviceIsNamedAsWhatItWasReadAs) {
  auto device = read_file("/dev/null");
  ASSERT_FALSE(device.ok());
  const Error named = named_read_error(device.take_error(), "/dev/null", {"'/dev/null'", "source"});
  EXPECT_EQ(named.message, "cannot read source '/dev/null': not a regular file (a character device)");
  auto missing = read_file("/no/such/model.vmc");
  ASSERT_FALSE(missing.ok());
  const Error kept = named_read_error(missing.error(), "/no/such/model.vmc", kNaming);
  EXPECT_EQ(kept.kind, ErrorKind::kIo);
  EXPECT_EQ(kept.message, missing.error().message);
}

struct CheckedCase {
  std::string bytes;
  std::string error;  // empty: the load succeeds
};

class CheckedLoad : public ::testing::TestWithParam<CheckedCase> {};

TEST_P(CheckedLoad, RefusesWhatCannotServeAsAModel) {
  const CheckedCase& c = GetParam();
  auto checked = load_model_bytes(c.bytes, ModelOptions{}, LookupMode::kFirst, &kNaming);
  if (c.error.empty()) {
    ASSERT_TRUE(checked.ok()) << checked.error().message;
  } else {
    ASSERT_FALSE(checked.ok());
    EXPECT_EQ(checked.error().message, c.error);
  }
  // Without a check, the same bytes load.
  EXPECT_TRUE(load_model_bytes(c.bytes, ModelOptions{}, LookupMode::kFirst).ok());
}

std::string empty_image() { return image_from_builder(FrequencyTrie{}, ModelModes{}).value(); }

INSTANTIATE_TEST_SUITE_P(
    Contents, CheckedLoad,
    ::testing::Values(CheckedCase{"cat\tcats\n", ""}, CheckedCase{gzip_compress("cat\tcats\n").value(), ""},
                      CheckedCase{"", "'d.tsv' holds no dictionary entries"},
                      CheckedCase{"cat\ndog\n# comment\n", "'d.tsv' holds no dictionary entries"},
                      CheckedCase{empty_image(), "'d.tsv' holds no dictionary entries"},
                      CheckedCase{"\0\xFF\xFE binary"s,
                                  "model 'd.tsv' is binary, not a text dictionary (30% NUL or undecodable bytes)"}));

TEST(CheckedSource, AnImageIsNoSource) {
  std::vector<std::string> warnings;
  const std::string image = image_from_builder(build_frequency_trie("cat\tcats\n", ModelOptions{}).value(),
                                               ModelModes{}).value();
  auto built = builder_from_source(image, ModelOptions{}, {"<stdin>", "source"}, warnings);
  ASSERT_FALSE(built.ok());
  EXPECT_EQ(built.error().message, "<stdin> is already a compiled image, not a source dictionary");
}

TEST(CheckedSource, WarningsComeBackWithTheBuilder) {
  std::vector<std::string> warnings;
  // Two bad bytes among enough good ones to stay text.
  auto built = builder_from_source("cat\tcats\nd\xE9\td\xE9s\ndog\tdogs\nwalk\twalks\n", ModelOptions{.backward = false},
                                   {"'s.tsv'", "source"}, warnings);
  ASSERT_TRUE(built.ok()) << built.error().message;
  EXPECT_FALSE(built->options.backward);
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_EQ(warnings[0], "source 's.tsv' has undecodable bytes (first at byte 10); they are read as U+FFFD");
}

}  // namespace
}  // namespace velmora
