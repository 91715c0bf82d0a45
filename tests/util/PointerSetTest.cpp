#include "util/PointerSet.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Far more elements than it was sized for, so the array grows several times
// and every element must survive each regrowth.
TEST(PointerSetTest, HoldsEachPointerOnceThroughGrowth) {
  std::vector<int> objects(1000);
  util::PointerSet set(4);
  for (const int& object : objects)
    EXPECT_TRUE(set.Insert(&object));
  for (const int& object : objects)
    EXPECT_FALSE(set.Insert(&object));
  EXPECT_FALSE(set.Insert(nullptr));
  EXPECT_EQ(set.size(), objects.size());
}

}  // namespace
