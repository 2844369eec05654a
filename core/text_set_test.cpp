#include "core/text_set.hpp"

#include <gtest/gtest.h>

#include <string>

namespace platsmarkeraren {
namespace {

// Enough texts to grow the table many times and fill several chunks, with
// one longer than a chunk and the empty text among them.
TEST(TextSet, HoldsEachTextOnceThroughItsGrowth) {
  TextSet set(7);
  const std::string long_text(3 << 20, 'x');
  EXPECT_TRUE(set.insert(""));
  EXPECT_TRUE(set.insert(long_text));
  for (int i = 0; i < 200000; ++i) ASSERT_TRUE(set.insert("2 PLAC Ort " + std::to_string(i)));
  for (int i = 0; i < 200000; i += 997) ASSERT_FALSE(set.insert("2 PLAC Ort " + std::to_string(i)));
  EXPECT_FALSE(set.insert(""));
  EXPECT_FALSE(set.insert(long_text));
  EXPECT_TRUE(set.insert(long_text + "y"));
}

}  // namespace
}  // namespace platsmarkeraren
