#include "vehicle/copy/TableCopyProcedures.h"

#include <gtest/gtest.h>

#include "../data/TablesFixture.h"

namespace {

using tables_fixture::TablesTest;
using vehicle::AXIS_X;
using vehicle::AXIS_Z;
using vehicle::TableCopyProcedures;

class TableCopyProceduresTest : public TablesTest {
 protected:
  void SetUp() override {
    TablesTest::SetUp();
    // The feature remover takes "Hidden Feature" out: "Orphan Slave" has no
    // master in the tables in use.
    vehicle::Vehicle::Tables removed;
    repository_ = vehicle::TableDataRepository();
    ASSERT_TRUE(repository_.BuildTables(axes_, tables_, removed,
                                        vehicle_->GetDeleteFeatureRemover(), false, false));
    procedures_ = TableCopyProcedures::BuildTableCopyProcedures(repository_);
  }
  TableCopyProcedures procedures_;
};

TEST_F(TableCopyProceduresTest, OneAssociationPerSlaveAxisWithTheTransformOnTheBody) {
  size_t transformed = 0;
  for (const auto& association : procedures_.GetAssociations()) {
    if (!association.transform.empty()) {
      ++transformed;
      EXPECT_EQ(association.axis, AXIS_Z);
    }
  }
  // Map Slave, Map Scaled and Map Mirror have three axes, Orphan Slave one.
  EXPECT_EQ(procedures_.GetAssociations().size(), 10u);
  EXPECT_EQ(transformed, 2u);
  EXPECT_EQ(procedures_.GetParserCount(), 3u);  // "", "x*2", "x+1"
  procedures_.BuildAndInsertAssociation("Map B", AXIS_Z, "Map Slave", "x*2");
  EXPECT_EQ(procedures_.GetParserCount(), 3u);
  EXPECT_EQ(procedures_.GetAssociations().front().source_table_id, "Map B");
  ASSERT_NE(procedures_.GetParser(""), nullptr);
  EXPECT_EQ(procedures_.GetParser("")->GetExpression(), "x");

  TableCopyProcedures copy(procedures_);
  EXPECT_EQ(copy.GetAssociations().size(), 11u);
  EXPECT_NE(copy.GetParser("x*2"), procedures_.GetParser("x*2"));
  EXPECT_EQ(copy.GetParser("x*2")->GetExpression(), "x*2");
}

TEST_F(TableCopyProceduresTest, SlavesFollowTheirMasterAndSharedBytesAreNotTransformed) {
  // Map Mirror reads Map A's own bytes through "x+1"; Orphan Slave's master
  // was removed. Neither is applied, so the image starts consistent.
  EXPECT_TRUE(procedures_.AreCopyableTablesEqual(repository_));
  ASSERT_TRUE(Table("Map A")->PutDouble(AXIS_Z, 1, 1, 40.0));
  EXPECT_FALSE(procedures_.AreCopyableTablesEqual(repository_));
  for (int save = 0; save < 2; ++save) {
    procedures_.ExecuteCopyOperations(repository_);
    EXPECT_EQ(Table("Map A")->GetDouble(AXIS_Z, 1, 1), 40.0);
    EXPECT_EQ(Table("Map Slave")->GetDouble(AXIS_Z, 1, 1), 40.0);
    EXPECT_EQ(Table("Map Scaled")->GetDouble(AXIS_Z, 1, 1), 80.0);
    EXPECT_EQ(Table("Map Scaled")->GetDouble(AXIS_Z, 0, 0), 2.0);
  }
  EXPECT_TRUE(procedures_.AreCopyableTablesEqual(repository_));
  EXPECT_EQ(Table("Orphan Slave")->GetDouble(AXIS_Z, 0, 0), 1.0);

  // Renames are followed.
  ASSERT_TRUE(repository_.ChangeTableId("Map A", "Map One"));
  procedures_.ChangeTableId("Map A", "Map One");
  Table("Map One")->PutDouble(AXIS_Z, 0, 0, 9.0);
  procedures_.ExecuteCopyOperations(repository_);
  EXPECT_EQ(Table("Map Slave")->GetDouble(AXIS_Z, 0, 0), 9.0);
}

TEST_F(TableCopyProceduresTest, ATransformThatCannotBeEvaluatedWritesNothing) {
  for (const char* transform : {"x/0", "x+", "unknown(x)"}) {
    SCOPED_TRACE(transform);
    TableCopyProcedures procedures;
    procedures.BuildAndInsertAssociation("Map A", AXIS_Z, "Map B", transform);
    procedures.BuildAndInsertAssociation("Missing", AXIS_X, "Map B", "");
    EXPECT_FALSE(procedures.AreCopyableTablesEqual(repository_));
    procedures.ExecuteCopyOperations(repository_);
    EXPECT_EQ(Table("Map B")->GetDouble(AXIS_Z, 0, 0), 101.0);
    EXPECT_FALSE(Table("Map B")->IsDirty());
  }
  TableCopyProcedures empty;
  EXPECT_TRUE(empty.AreCopyableTablesEqual(repository_));
}

}  // namespace
