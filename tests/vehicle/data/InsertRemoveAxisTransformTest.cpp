#include "vehicle/data/InsertRemoveAxisTransform.h"

#include <gtest/gtest.h>

namespace {

using Lists = std::vector<std::vector<double>>;

TEST(InsertRemoveAxisTransformTest, InsertsByInterpolationAndRemoves) {
  struct Case {
    unsigned position;
    int count;
    Lists in, out;
  } cases[] = {
      {1, 1, {{0, 10, 20}, {1, 2, 3}}, {{0, 5, 10, 20}, {1, 1.5, 2, 3}}},
      {1, 3, {{0, 8}}, {{0, 2, 4, 6, 8}}},
      {0, 2, {{10, 20}}, {{-10, 0, 10, 20}}},
      {2, 1, {{10, 20}}, {{10, 20, 30}}},
      {1, 2, {{7}}, {{7, 7, 7}}},
      {1, -2, {{1, 2, 3, 4}, {5, 6, 7, 8}}, {{1, 4}, {5, 8}}},
  };
  for (const Case& c : cases) {
    Lists lists = c.in;
    EXPECT_EQ(vehicle::InsertRemoveAxisTransform(c.position, c.count).Transform(lists), c.count)
        << c.position << " " << c.count;
    EXPECT_EQ(lists, c.out) << c.position << " " << c.count;
  }
}

TEST(InsertRemoveAxisTransformTest, RefusesWhatDoesNotFit) {
  struct Case {
    unsigned position;
    int count;
    Lists in;
  } cases[] = {
      {3, 1, {{1, 2}}},       // past the end
      {0, -2, {{1, 2}}},      // nothing would be left
      {2, -2, {{1, 2, 3}}},   // runs past the end
      {0, 1, {{1, 2}, {1}}},  // lists of different lengths
      {0, 1, {{}}},           // empty list
      {0, 0, {{1}}},          // no change
      {0, 70000, {{1}}},      // too long
  };
  for (const Case& c : cases) {
    Lists lists = c.in;
    EXPECT_EQ(vehicle::InsertRemoveAxisTransform(c.position, c.count).Transform(lists), 0)
        << c.position << " " << c.count;
    EXPECT_EQ(lists, c.in);
  }
}

}  // namespace
