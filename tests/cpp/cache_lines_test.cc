// The streaming copy against memcpy, at every alignment of its destination.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "util/cache_lines.h"

namespace velmora {
namespace {

// Every destination alignment within a line and lengths around the line
// size: the bytes copied equal the source, the bytes around them stay.
TEST(StreamCopy, EqualsMemcpyAtEveryAlignment) {
  std::string source(1100, '\0');
  for (size_t i = 0; i < source.size(); ++i) source[i] = char('a' + (i * 7) % 26);
  alignas(64) char target[1300];
  for (size_t shift = 0; shift < kCacheLineBytes; ++shift) {
    for (size_t n : {0, 1, 15, 16, 17, 63, 64, 65, 127, 128, 129, 200, 1000}) {
      std::memset(target, '#', sizeof target);
      stream_copy(target + shift, source.data() + 3, n);
      stream_fence();
      ASSERT_EQ(std::string(target + shift, n), source.substr(3, n)) << shift << " " << n;
      ASSERT_EQ(std::string(target, shift), std::string(shift, '#'));
      ASSERT_EQ(std::string(target + shift + n, sizeof target - shift - n), std::string(sizeof target - shift - n, '#'));
    }
  }
}

}  // namespace
}  // namespace velmora
