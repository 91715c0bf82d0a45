#include "outside/TableSelection.h"

#include <gtest/gtest.h>

#include <set>

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

TEST(TableSelectionTest, SetsCollapseEqualSelectionsOnly) {
  std::set<TableSelection> selections = {TableSelection("t1", 2), TableSelection("t1", 2),
                                         TableSelection("t1", 3), TableSelection("t0", 2)};
  ASSERT_EQ(3u, selections.size());
  EXPECT_EQ("t0", selections.begin()->GetTableId());
  EXPECT_EQ(1u, selections.count(TableSelection("t1", 3)));
  EXPECT_EQ(0u, selections.count(TableSelection("t1", 4)));
}

}  // namespace
