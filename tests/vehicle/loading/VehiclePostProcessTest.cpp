#include <gtest/gtest.h>

#include <string>

#include "vehicle/definition/Axis.h"
#include "vehicle/definition/CopyGroup.h"
#include "vehicle/definition/Table.h"
#include "vehicle/definition/XMLToggle.h"
#include "vehicle/loading/AxisSignatureStrategy.h"
#include "vehicle/loading/Vehicle.h"

namespace {

using vehicle::Vehicle;

std::string Fixture(const std::string& name) {
  return std::string(ECUCAL_TEST_DATA_DIR) + "/loading/" + name;
}

class PostProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    vehicle_.Load(Fixture("post/shared.xml"), error_, vexa_xml::XML_LOAD_DEFAULT);
    ASSERT_TRUE(vehicle_.IsLoaded()) << error_;
  }
  std::shared_ptr<vehicle::Table> TableById(const std::string& id) {
    return vehicle_.GetTables().findData(id);
  }
  Vehicle vehicle_;
  std::string error_;
};

TEST_F(PostProcessTest, EqualAxesAreSharedFlagsReconciledAndHc16OffsetsMovedOnce) {
  auto x1 = TableById("T1")->GetAxis(vehicle::AXIS_X);
  auto x2 = TableById("T2")->GetAxis(vehicle::AXIS_X);
  EXPECT_EQ(x1, x2);  // one axis object after shared-axis resolution
  EXPECT_FALSE(x1->IsReadOnly());
  EXPECT_TRUE(x1->IsCopyable());
  // Two x axes share a definition signature; the z axes differ.
  EXPECT_EQ(vehicle_.GetAxes().size(), 3u);
  EXPECT_EQ(vehicle_.GetSharedAxes().size(), 1u);

  // HC16 offsets move once and only above the boundary.
  auto z = TableById("T1")->GetAxis(vehicle::AXIS_Z);
  EXPECT_EQ(x1->GetNaturalOffsets().rom_offsets, std::vector<uint32_t>{0x28000});
  EXPECT_EQ(z->GetNaturalOffsets().rom_offsets[0], 0x27FFFu);
  auto toggle = vehicle_.GetXMLToggles().findData("TG");
  EXPECT_EQ(toggle->GetToggleStateDefinitionSegments()[0].rom_offset, 0x20010u);
  // Running the post-processing again must not move anything twice.
  SharedAxisSignatureStrategy strategy;
  vehicle_.PostProcessLoad(&strategy);
  EXPECT_EQ(x1->GetNaturalOffsets().rom_offsets[0], 0x28000u);
}

TEST_F(PostProcessTest, RealtimeFlagAndLegacyCopyGroups) {
  EXPECT_TRUE(vehicle_.HasRealtimeTables());
  const auto& groups = vehicle_.GetCopyGroups();
  const auto& category = groups.findData(vehicle::CopyGroup::LEGACY_COPY_GROUP_CATEGORY_ID);
  ASSERT_EQ(category->getChildren().size(), 1u);
  const auto& child = category->getChildren().findData("G1");
  EXPECT_FALSE(child->isReadOnly());
  EXPECT_EQ(child->GetCopyable("1").table_id, "T1");
  EXPECT_EQ(child->GetCopyable("2").table_id, "T2");
  EXPECT_TRUE(child->GetCopyable("2").slave_table_ids.empty());

  vehicle_.ClearLegacyCopyGroups();
  EXPECT_TRUE(vehicle_.GetCopyGroups().empty());
}

TEST_F(PostProcessTest, UniqueStrategySharesNothing) {
  Vehicle unique;
  std::string error;
  UniqueAxisSignatureStrategy strategy;
  unique.Load(Fixture("post/shared.xml"), error, vexa_xml::XML_LOAD_DEFAULT, &strategy);
  auto x1 = unique.GetTables().findData("T1")->GetAxis(vehicle::AXIS_X);
  auto x2 = unique.GetTables().findData("T2")->GetAxis(vehicle::AXIS_X);
  EXPECT_NE(x1, x2);
  EXPECT_NE(x1->GetDefSignature(), x2->GetDefSignature());
  EXPECT_TRUE(x1->IsReadOnly());  // nothing to reconcile with
  EXPECT_EQ(unique.GetAxes().size(), 4u);
}

}  // namespace
