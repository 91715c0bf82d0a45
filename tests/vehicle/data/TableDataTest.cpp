#include "vehicle/data/TableData.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <cmath>

#include "TablesFixture.h"
#include "vehicle/data/InsertRemoveAxisTransform.h"
#include "vehicle/loading/AxisSignatureStrategy.h"

namespace {

using tables_fixture::TablesTest;
using vehicle::AXIS_W;
using vehicle::AXIS_X;
using vehicle::AXIS_Y;
using vehicle::AXIS_Z;
using vehicle::TableData;
using Roles = std::vector<vehicle::axis_types_t>;

class TableDataTest : public TablesTest {
 protected:
  // The same definition built on a second image, as a second ROM.
  void BuildOther(const std::vector<unsigned char>& rom) {
    ASSERT_TRUE(other_axes_.BuildAxes(vehicle_->GetAxes(), rom));
    ASSERT_TRUE(other_.BuildUnrestrictedTables(other_axes_, tables_));
  }
  vehicle::AxisDataRepository other_axes_;
  vehicle::TableDataRepository other_;
};

TEST_F(TableDataTest, RolesInOrderDefaultsForAbsentRolesAndDepthsOfFourDimensionalCells) {
  auto boost = Table("Boost");
  ASSERT_TRUE(boost->IsBuilt());
  Roles roles;
  for (const auto& entry : boost->GetAxisHash())
    roles.push_back(entry.first);
  EXPECT_EQ(roles, (Roles{AXIS_X, AXIS_Y, AXIS_Z, AXIS_W}));

  auto map = Table("Map A");
  EXPECT_TRUE(std::isnan(map->GetDouble(AXIS_W, 0, 0, 0)));
  EXPECT_TRUE(std::isnan(map->GetDouble(AXIS_W, 0, 0)));
  EXPECT_TRUE(map->GetRow(AXIS_W, 0, 0).empty());
  EXPECT_EQ(map->GetDataType(AXIS_W), nullptr);
  EXPECT_FALSE(map->PutDouble(AXIS_W, 0, 0, 1.0));
  EXPECT_FALSE(map->IsAxisDirty(AXIS_W));
  EXPECT_EQ(map->GetRow(AXIS_Z, 1), (std::vector<double>{5, 6, 7, 8}));

  // A table whose definition has more axes than the map is not built.
  TableData partial(Definition("Map A"));
  EXPECT_FALSE(partial.BuildTable({{AXIS_Z, DataOf("Map A", AXIS_Z)}}));
  EXPECT_FALSE(partial.IsBuilt());

  // Four-dimensional cells need a depth.
  EXPECT_TRUE(std::isnan(boost->GetDouble(AXIS_Z, 0, 0)));
  EXPECT_TRUE(boost->GetRow(AXIS_Z, 0).empty());
  EXPECT_FALSE(boost->PutDouble(AXIS_Z, 0, 0, 9.0));
  EXPECT_EQ(boost->GetDouble(AXIS_Z, 1, 0, 0), 56.0);
  EXPECT_TRUE(boost->PutDouble(AXIS_Z, 1, 0, 0, 9.0));
  EXPECT_EQ(boost->GetDouble(AXIS_Z, 1, 0, 0), 9.0);
  EXPECT_TRUE(boost->IsDirty());
  EXPECT_EQ(boost->GetAxisDirtyDepthIndexes(AXIS_Z), (std::vector<unsigned int>{1}));
}

TEST_F(TableDataTest, ComparesWithAnotherRom) {
  BuildOther(rom_);
  auto mine = Table("Map A");
  EXPECT_FALSE(mine->IsDifferent(nullptr));
  EXPECT_TRUE(mine->AxisEquals(*Table("Raw RPM Bytes"), AXIS_X));  // it has no x axis
  EXPECT_FALSE(mine->IsAxisDifferent(nullptr, AXIS_Z));

  other_.GetTable("Boost")->PutDouble(AXIS_Z, 1, 2, 1, 0.0);
  EXPECT_EQ(Table("Boost")->GetAxisDifferentDepthIndexes(other_.GetTable("Boost"), AXIS_Z),
            (std::vector<unsigned int>{1}));
  EXPECT_TRUE(Table("Boost")->GetAxisDifferentDepthIndexes(nullptr, AXIS_Z).empty());
  EXPECT_TRUE(Table("Map A")->HasSharedAxis(Table("Map B")));
  EXPECT_FALSE(Table("Map A")->HasSharedAxis(Table("Boost")));
  EXPECT_FALSE(Table("Map A")->HasSharedAxis(nullptr));
}

TEST_F(TableDataTest, FourDimensionalCopyTakesTheDepthAxisOrOneSlice) {
  auto rom = rom_;
  rom[0x100] = 7;    // depth axis
  rom[0x105] = 111;  // x
  rom[0x10C] = 15;   // y
  rom[0x110] = 1;    // slice 0
  rom[0x116] = 2;    // slice 1
  BuildOther(rom);
  auto boost = Table("Boost");
  auto source = other_.GetTable("Boost");

  ASSERT_TRUE(boost->CopyTable(source, 0xFFFFFFFF));
  EXPECT_EQ(boost->GetDouble(AXIS_W, 0, 0, 0), 7.0);
  EXPECT_EQ(boost->GetDouble(AXIS_X, 0, 0, 0), 100.0);
  EXPECT_EQ(boost->GetDouble(AXIS_Z, 1, 0, 0), 56.0);
  // Shapes are checked first: a slice that is not there writes no x either.
  EXPECT_FALSE(boost->CopyTable(source, 2));
  EXPECT_EQ(boost->GetDouble(AXIS_X, 0, 0, 0), 100.0);

  ASSERT_TRUE(boost->CopyTable(source, 1));
  EXPECT_EQ(boost->GetDouble(AXIS_X, 0, 0, 0), 111.0);
  EXPECT_EQ(boost->GetDouble(AXIS_Y, 0, 0, 0), 15.0);
  EXPECT_EQ(boost->GetDouble(AXIS_Z, 1, 0, 0), 2.0);
  EXPECT_EQ(boost->GetDouble(AXIS_Z, 0, 0, 0), 50.0);  // slice 0 untouched
  EXPECT_TRUE(boost->CopyTable(source, 1));            // already equal: still a copy

  EXPECT_FALSE(boost->CopyTable(other_.GetTable("Map A"), 0));
  EXPECT_FALSE(Table("Map A")->CopyTable(source, 0));
  EXPECT_FALSE(Table("Map A")->CopyTable(nullptr, 0));
  EXPECT_FALSE(Table("Map A")->DoFullCopyTable(nullptr));
}

TEST_F(TableDataTest, FullCopySkipsLabelAxesAndRefusesOtherShapes) {
  auto rom = rom_;
  rom[0x141] = 0x10;
  BuildOther(rom);
  auto gear = Table("Gear Limit");
  EXPECT_TRUE(gear->CopyTable(other_.GetTable("Gear Limit"), 0));
  EXPECT_EQ(gear->GetDouble(AXIS_Z, 0, 0), 0x1B10);
  // Same axes, other sizes: refused before anything is written.
  EXPECT_FALSE(Table("Map A")->CopyTable(other_.GetTable("Gear Limit"), 0));
  EXPECT_FALSE(Table("Raw RPM Bytes")->CopyTable(other_.GetTable("Hidden Feature"), 0));
  EXPECT_EQ(Table("Raw RPM Bytes")->GetDouble(AXIS_Z, 0, 0), 0x03);
}

TEST_F(TableDataTest, SwapsOnlyCopyableAxesWhoseSizesMatchOnBothSides) {
  auto a = Table("Map A");
  auto b = Table("Map B");
  EXPECT_EQ(a->SwapSwappableAxis(b), (Roles{AXIS_Z}));  // x and y are not copyable
  EXPECT_EQ(a->GetDouble(AXIS_Z, 0, 0), 101.0);
  EXPECT_EQ(b->GetDouble(AXIS_Z, 0, 0), 1.0);
  EXPECT_TRUE(a->SwapSwappableAxis(nullptr).empty());

  // A copyable body of another size is listed on neither side and untouched.
  auto gear = Table("Gear Limit");
  gear->GetAxisData(AXIS_Z)->GetAxis()->SetCopyable();
  EXPECT_TRUE(a->SwapSwappableAxis(gear).empty());
  EXPECT_TRUE(gear->SwapSwappableAxis(a).empty());
  EXPECT_EQ(gear->GetDouble(AXIS_Z, 0, 0), 7000.0);
  EXPECT_EQ(a->GetDouble(AXIS_Z, 0, 0), 101.0);
  EXPECT_EQ(b->CopyCopyableAxis(a), (Roles{AXIS_Z}));
  EXPECT_EQ(b->GetDouble(AXIS_Z, 0, 0), 101.0);
}

TEST_F(TableDataTest, SavesOnlyWhenEveryAxisFits) {
  Table("Map A")->PutDouble(AXIS_Z, 0, 0, 42.0);
  auto image = rom_;
  ASSERT_TRUE(Table("Map A")->SaveTable(image));
  EXPECT_EQ(image[0x20], 42);
  image[0x20] = 1;
  EXPECT_EQ(image, rom_);

  Table("Map A")->PutDouble(AXIS_X, 0, 0, 1234.0);
  std::vector<unsigned char> small(rom_.begin(), rom_.begin() + 0x24);  // body does not fit
  const auto before = small;
  EXPECT_FALSE(Table("Map A")->SaveTable(small));
  EXPECT_EQ(small, before);
  EXPECT_FALSE(TableData(Definition("Map A")).SaveTable(image));
  // An ephemeral table is never written back.
  ASSERT_TRUE(Table("Live Readout")->PutDouble(AXIS_Z, 0, 0, 200.0));
  image = rom_;
  EXPECT_TRUE(Table("Live Readout")->SaveTable(image));
  EXPECT_EQ(image, rom_);
}

// Reads one axis element of a "table" document and prepares it as loading
// would: data type and signatures.
std::shared_ptr<vehicle::Axis> NewAxis(const vehicle::Vehicle& vehicle, const std::string& xml) {
  TiXmlDocument doc;
  doc.Parse(("<table>" + xml + "</table>").c_str());
  auto axis = std::make_shared<vehicle::Axis>();
  std::string error;
  axis->Read(axis->ReadType(doc.RootElement(), false), error, false);
  axis->ResolveReferences(vehicle.GetDataTypes());
  SharedAxisSignatureStrategy().GenerateSignatures(axis);
  return axis;
}

TEST_F(TableDataTest, ANewAxisJoinsTheRepositoryAndSurvivesACopy) {
  auto axis =
      NewAxis(*vehicle_, R"(<axis id="N" type="x" datatype="U8" count="2" rom_offset="0x160"/>)");
  auto data = std::make_shared<vehicle::AxisData>(axis);
  ASSERT_NE(data->BuildByteData(rom_), nullptr);
  auto hidden = Table("Hidden Feature");
  const vehicle::InsertRemoveAxisTransform keep(0, 0);
  EXPECT_FALSE(Table("Map A")->AdjustTypeTo2d(data, keep));  // not a "data" table
  EXPECT_FALSE(hidden->AdjustTypeTo2d(nullptr, keep));
  ASSERT_TRUE(hidden->AdjustTypeTo2d(data, keep));
  EXPECT_EQ(hidden->GetTableType(), vehicle::TABLE_2D);
  EXPECT_EQ(hidden->GetAxisData(AXIS_X), data);
  EXPECT_EQ(axes_.GetAxis(axis->GetDefSignature()), data);

  EXPECT_TRUE(data->PutDouble(0u, 3.0));
  EXPECT_TRUE(axes_.IsDirty());
  vehicle::AxisDataRepository copy(axes_);
  vehicle::TableDataRepository tables;
  ASSERT_TRUE(tables.BuildTable(copy, Definition("Hidden Feature")));
  EXPECT_EQ(tables.GetTable("Hidden Feature")->GetDouble(AXIS_X, 0, 0), 3.0);

  // A "2d" table takes a y axis next to its x axis.
  auto y =
      NewAxis(*vehicle_, R"(<axis id="M" type="y" datatype="U8" count="1" rom_offset="0x162"/>)");
  auto y_data = std::make_shared<vehicle::AxisData>(y);
  ASSERT_NE(y_data->BuildByteData(rom_), nullptr);
  ASSERT_TRUE(hidden->AdjustTypeTo3d(y_data, keep));
  EXPECT_EQ(hidden->GetTableType(), vehicle::TABLE_3D);
  EXPECT_TRUE(axes_.HasAxis(y->GetDefSignature()));
}

TEST_F(TableDataTest, ReshapesAxisAndBodyTogether) {
  auto boost = Table("Boost");
  ASSERT_TRUE(boost->AdjustColumns(vehicle::InsertRemoveAxisTransform(3, 1)));
  EXPECT_EQ(boost->GetAxisData(AXIS_X)->GetAxisCount(), 4u);
  EXPECT_EQ(boost->GetDimensions(AXIS_Z).x, 4u);
  EXPECT_EQ(boost->GetRow(AXIS_Z, 1, 0), (std::vector<double>{56, 57, 58, 59}));
  // The RPM axis's buffer is not shared, but Map A's body shares its bytes
  // with Map Mirror: the body refuses, so the axis is put back.
  auto map = Table("Map A");
  EXPECT_FALSE(map->AdjustColumns(vehicle::InsertRemoveAxisTransform(4, 1)));
  EXPECT_EQ(map->GetAxisData(AXIS_X)->GetDoubleList(),
            (std::vector<double>{1000, 2000, 3000, 4000}));
  EXPECT_EQ(map->GetDimensions(AXIS_Z).x, 4u);
}

}  // namespace
