#include "outside/TableSelection.h"

#include <gtest/gtest.h>

namespace {

using tuner_editor::TableSelection;

TEST(TableSelectionTest, OrdersByIdThenDepth) {
  const TableSelection a("fuel", 0);
  const TableSelection b("fuel", 1);
  const TableSelection c("ign", 0);
  EXPECT_TRUE(a < b);
  EXPECT_FALSE(b < a);
  EXPECT_TRUE(b < c);
  EXPECT_FALSE(a < a);
  EXPECT_TRUE(TableSelection("fuel", TableSelection::DEPTH_AXIS_ONLY) < c);
}

}  // namespace
