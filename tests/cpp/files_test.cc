#include "model/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "util/cancellation.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

class FilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "velmora-files-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string at(const std::string& name) const { return (dir_ / name).string(); }
  std::vector<std::string> names() const {
    std::vector<std::string> out;
    for (const auto& entry : fs::directory_iterator(dir_)) out.push_back(entry.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
  }
  static std::string content(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  static void put(const std::string& path, const std::string& data) {
    std::ofstream(path, std::ios::binary) << data;
  }

  fs::path dir_;
};

TEST_F(FilesTest, PendingFileDroppedLeavesTargetAndNoTemporary) {
  put(at("m.vmc"), "old");
  {
    auto pending = prepare_file(at("m.vmc"), "new");
    ASSERT_TRUE(pending.ok());
    EXPECT_EQ(names().size(), 2u);  // the new file waits beside the target
  }
  EXPECT_EQ(content(at("m.vmc")), "old");
  EXPECT_EQ(names(), std::vector<std::string>{"m.vmc"});
}

TEST_F(FilesTest, CommitReplacesAndKeepsMode) {
  put(at("m.vmc"), "old");
  ::chmod(at("m.vmc").c_str(), 0640);
  ASSERT_TRUE(write_file(at("m.vmc"), "new").ok());
  EXPECT_EQ(content(at("m.vmc")), "new");
  struct stat st {};
  ::stat(at("m.vmc").c_str(), &st);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(names(), std::vector<std::string>{"m.vmc"});
}

TEST_F(FilesTest, CancelledWriteRemovesTheNewFile) {
  put(at("m.vmc"), "old");
  std::atomic<bool> stop{true};
  CancellationScope scope(&stop);
  auto pending = prepare_file(at("m.vmc"), std::string(3 << 20, 'x'));
  ASSERT_FALSE(pending.ok());
  EXPECT_EQ(pending.error().kind, ErrorKind::kCancelled);
  EXPECT_EQ(names(), std::vector<std::string>{"m.vmc"});
}

TEST_F(FilesTest, LongestLegalNameIsWritten) {
  const std::string name = std::string(251, 'm') + ".vmc";  // 255 bytes
  ASSERT_TRUE(write_file(at(name), "data").ok());
  EXPECT_EQ(content(at(name)), "data");
}

TEST_F(FilesTest, ErrorsNameThePathAsGiven) {
  for (const std::string& path : {at("missing/m.vmc"), at("folder/")}) {
    auto written = write_file(path, "x");
    ASSERT_FALSE(written.ok());
    EXPECT_EQ(written.error().kind, ErrorKind::kIo);
    EXPECT_EQ(written.error().message, path);
  }
  EXPECT_EQ(write_file(at("folder/"), "x").error().os_errno, EISDIR);
  EXPECT_EQ(write_file(at("missing/m.vmc"), "x").error().os_errno, ENOENT);
}

TEST_F(FilesTest, LinksAreWrittenThroughOrReplaced) {
  put(at("victim"), "precious");
  fs::create_symlink(at("victim"), at("through"));
  fs::create_symlink(at("victim"), at("replaced"));
  ASSERT_TRUE(write_file(at("through"), "new").ok());
  EXPECT_TRUE(fs::is_symlink(at("through")));
  EXPECT_EQ(content(at("victim")), "new");
  put(at("victim"), "precious");
  ASSERT_TRUE(write_file(at("replaced"), "own", LinkPolicy::kReplaceLink).ok());
  EXPECT_FALSE(fs::is_symlink(at("replaced")));
  EXPECT_EQ(content(at("replaced")), "own");
  EXPECT_EQ(content(at("victim")), "precious");
}

TEST_F(FilesTest, LinkToNothingCreatesItsEnd) {
  fs::create_symlink("end.vmc", at("link.vmc"));
  ASSERT_TRUE(write_file(at("link.vmc"), "data").ok());
  EXPECT_TRUE(fs::is_symlink(at("link.vmc")));
  EXPECT_EQ(content(at("end.vmc")), "data");
}

TEST_F(FilesTest, PipeWithoutReaderFailsAtOnce) {
  ASSERT_EQ(::mkfifo(at("fifo").c_str(), 0600), 0);
  auto written = write_file(at("fifo"), "x");
  ASSERT_FALSE(written.ok());
  EXPECT_EQ(written.error().os_errno, ENXIO);
}

TEST_F(FilesTest, ReadRefusesWhatIsNotARegularFile) {
  ASSERT_EQ(::mkfifo(at("fifo").c_str(), 0600), 0);
  for (const std::string& path : {std::string("/dev/zero"), at("fifo")}) {
    auto data = read_file(path);
    ASSERT_FALSE(data.ok());
    EXPECT_EQ(data.error().kind, ErrorKind::kInvalidData);
    EXPECT_NE(data.error().message.find("not a regular file"), std::string::npos);
  }
  EXPECT_EQ(read_file(dir_.string()).error().os_errno, EISDIR);
  EXPECT_EQ(read_file(at("missing")).error().message, at("missing"));
}

TEST_F(FilesTest, SameFileSeesThroughSpellings) {
  put(at("src.tsv"), "a\tb\n");
  fs::create_directory(at("sub"));
  fs::create_symlink(at("src.tsv"), at("link.tsv"));
  fs::create_hard_link(at("src.tsv"), at("hard.tsv"));
  for (const char* other : {"src.tsv", "sub/../src.tsv", "link.tsv", "hard.tsv"}) {
    EXPECT_TRUE(same_file(at("src.tsv"), at(other))) << other;
  }
  put(at("copy.tsv"), "a\tb\n");
  EXPECT_FALSE(same_file(at("src.tsv"), at("copy.tsv")));
  EXPECT_FALSE(same_file(at("src.tsv"), at("missing.tsv")));
}

}  // namespace
}  // namespace velmora
