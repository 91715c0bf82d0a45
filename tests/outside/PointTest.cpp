#include "outside/Point.h"

#include <gtest/gtest.h>

namespace {

TEST(PointTest, ColumnThenRow) {
  const tuner_editor::Point p(3, 7);
  EXPECT_EQ(3u, p.GetX());
  EXPECT_EQ(7u, p.GetY());
  EXPECT_EQ(tuner_editor::Point(3, 7), p);
  EXPECT_NE(tuner_editor::Point(7, 3), p);
}

}  // namespace
