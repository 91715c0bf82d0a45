#include "vehicle/data/ResampleAxisTransform.h"

#include <gtest/gtest.h>

namespace {

using Lists = std::vector<std::vector<double>>;

TEST(ResampleAxisTransformTest, KeepsTheEndsAndInterpolatesBetween) {
  Lists lists = {{0, 10, 20}, {5, 5, 7}};
  EXPECT_EQ(vehicle::ResampleAxisTransform(5).Transform(lists), 2);
  EXPECT_EQ(lists, Lists({{0, 5, 10, 15, 20}, {5, 5, 5, 6, 7}}));
  EXPECT_EQ(vehicle::ResampleAxisTransform(3).Transform(lists), -2);
  EXPECT_EQ(lists, Lists({{0, 10, 20}, {5, 5, 7}}));
}

TEST(ResampleAxisTransformTest, RefusesWhatCannotBeResampled) {
  for (const Lists& in : {Lists{{1}}, Lists{{1, 2}, {1, 2, 3}}, Lists{}, Lists{{1, 2, 3}}}) {
    Lists lists = in;
    EXPECT_EQ(vehicle::ResampleAxisTransform(3).Transform(lists), 0);
    EXPECT_EQ(lists, in);
  }
  Lists lists = {{1, 2}};
  EXPECT_EQ(vehicle::ResampleAxisTransform(1).Transform(lists), 0);
}

}  // namespace
