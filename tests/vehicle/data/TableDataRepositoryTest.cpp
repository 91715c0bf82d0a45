#include "vehicle/data/TableDataRepository.h"

#include <gtest/gtest.h>

#include "TablesFixture.h"

namespace {

using tables_fixture::TablesTest;
using vehicle::AXIS_X;
using vehicle::AXIS_Y;
using vehicle::AXIS_Z;

class TableDataRepositoryTest : public TablesTest {
 protected:
  // Builds into a fresh repository the way a vehicle build does.
  bool Build(vehicle::TableDataRepository& tables, const vehicle::DeleteFeatureRemover& remover,
             bool build_removed, bool keep) {
    return tables.BuildTables(axes_, tables_, removed_, remover, build_removed, keep);
  }
  vehicle::Vehicle::Tables removed_;
};

TEST_F(TableDataRepositoryTest, RemovedTablesAreSetAsideAndPutBackBeforeARebuild) {
  const auto& remover = vehicle_->GetDeleteFeatureRemover();
  const size_t all = tables_.size();
  vehicle::TableDataRepository tables;
  ASSERT_TRUE(Build(tables, remover, false, false));
  EXPECT_EQ(tables.GetTable("Hidden Feature"), nullptr);
  EXPECT_TRUE(removed_.dataExists("Hidden Feature"));
  EXPECT_FALSE(tables_.dataExists("Hidden Feature"));
  EXPECT_EQ(tables.GetTables().size(), all - 1);

  // Rebuilding, with or without keeping the store, neither throws nor loses
  // the definition set aside.
  auto kept = tables.GetTable("Map A");
  ASSERT_TRUE(Build(tables, remover, true, true));
  EXPECT_NE(tables.GetTable("Map A"), kept);
  EXPECT_NE(tables.GetTable("Hidden Feature"), nullptr);
  EXPECT_EQ(removed_.size(), 1u);
  EXPECT_EQ(tables_.size() + removed_.size(), all);

  // A remover that removes nothing gets the definition back.
  vehicle::TableRestrictor no_tables;
  vehicle::ToggleRestrictor no_toggles;
  ASSERT_TRUE(Build(tables, vehicle::DeleteFeatureRemover(no_tables, no_toggles), false, false));
  EXPECT_TRUE(removed_.empty());
  EXPECT_EQ(tables_.size(), all);
  EXPECT_NE(tables.GetTable("Hidden Feature"), nullptr);
}

TEST_F(TableDataRepositoryTest, ATableMissingAnAxisIsNotStored) {
  vehicle::AxisDataRepository partial;
  ASSERT_TRUE(partial.BuildAxis(AxisOf("Map A", AXIS_X), rom_));
  ASSERT_TRUE(partial.BuildAxis(AxisOf("Map A", AXIS_Z), rom_));
  vehicle::TableDataRepository tables;
  EXPECT_EQ(tables.GetAxes(partial, Definition("Map A")).size(), 1u);  // stops at y
  EXPECT_FALSE(tables.BuildTable(partial, Definition("Map A")));
  EXPECT_EQ(tables.GetTable("Map A"), nullptr);
  EXPECT_FALSE(tables.BuildTable(partial, nullptr));
}

TEST_F(TableDataRepositoryTest, RenamesFollowIntoSlavesAndNeverHalfHappen) {
  ASSERT_TRUE(repository_.ChangeTableId("Map A", "Map One"));
  EXPECT_EQ(Table("Map A"), nullptr);
  ASSERT_NE(Table("Map One"), nullptr);
  EXPECT_EQ(Table("Map One")->GetTableId(), "Map One");
  EXPECT_EQ(Table("Map Slave")->GetMasterTableId(), "Map One");
  EXPECT_TRUE(Table("Map Scaled")->IsSlave());

  struct Case {
    const char* from;
    const char* to;
  } refused[] = {{"Map One", "Map B"}, {"Map A", "Anything"}, {"Map One", ""}};
  for (const Case& c : refused) {
    SCOPED_TRACE(std::string(c.from) + " -> " + c.to);
    EXPECT_FALSE(repository_.ChangeTableId(c.from, c.to));
    EXPECT_EQ(Table("Map B")->GetTableId(), "Map B");
    EXPECT_EQ(Table("Map One")->GetTableId(), "Map One");
    EXPECT_EQ(Table("Map Slave")->GetMasterTableId(), "Map One");
  }
  EXPECT_TRUE(repository_.ChangeTableId("Map One", "Map One"));
}

}  // namespace
