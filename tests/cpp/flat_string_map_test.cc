#include <gtest/gtest.h>

#include <string>

#include "util/flat_string_map.h"

namespace velmora {
namespace {

TEST(FlatStringMap, FindsEveryKeyAcrossGrowthAndHashCollisions) {
  FlatStringMap<int> map;
  EXPECT_EQ(map.find("absent", 1), nullptr);
  for (int i = 0; i < 5000; ++i) {
    const std::string key = "key" + std::to_string(i);
    // Every fourth key shares one hash: lookups must compare the bytes.
    const uint64_t hash = i % 4 == 0 ? 42 : std::hash<std::string>{}(key);
    map.insert(key, hash, i);
  }
  EXPECT_EQ(map.size(), 5000u);
  for (int i = 0; i < 5000; ++i) {
    const std::string key = "key" + std::to_string(i);
    const uint64_t hash = i % 4 == 0 ? 42 : std::hash<std::string>{}(key);
    const auto* entry = map.find(key, hash);
    ASSERT_NE(entry, nullptr) << key;
    EXPECT_EQ(entry->value, i);
  }
  EXPECT_EQ(map.find("key1", 42), nullptr);  // right bytes, wrong hash
  EXPECT_EQ(map.find("", 0), nullptr);
  map.insert("", 0, -1);
  ASSERT_NE(map.find("", 0), nullptr);
  EXPECT_EQ(map.find("", 0)->value, -1);
}

}  // namespace
}  // namespace velmora
