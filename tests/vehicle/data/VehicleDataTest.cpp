// The ROM round trip on the shared fixture and its two images: build, save
// byte for byte, edit, rename, copy between instances, and the restriction
// decision against the stock image.
#include "vehicle/data/VehicleData.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "LoadVehicle.h"
#include "vehicle/data/TableData.h"
#include "vehicle/data/ToggleData.h"
#include "vehicle/definition/Table.h"
#include "vehicle/loading/Vehicle.h"

namespace {

namespace fs = std::filesystem;
using Image = std::vector<uint8_t>;
using tuner_editor::TableSelection;
using vehicle::VehicleData;

const fs::path kFixture = fs::path(ECUCAL_TEST_DATA_DIR) / "vehicle";

Image ReadImage(const std::string& name) {
  std::ifstream in(kFixture / name, std::ios::binary);
  return Image(std::istreambuf_iterator<char>(in), {});
}

class VehicleDataTest : public ::testing::Test {
 protected:
  void SetUp() override {
    definition_ = test_support::LoadVehicle((kFixture / "kestrel.xml").string());
    ASSERT_FALSE(HasFailure());
    rom_ = ReadImage("kestrel.rom.bin");
    stock_ = ReadImage("kestrel.stock.bin");
    ASSERT_EQ(rom_.size(), 0x80000u);
    ASSERT_EQ(stock_.size(), rom_.size());
  }

  std::shared_ptr<VehicleData> Build(const Image& rom, const Image& second) {
    auto data = std::make_shared<VehicleData>(definition_);
    EXPECT_EQ(data->BuildVehicle(rom, second, false), VehicleData::BUILD_CONSISTENT);
    EXPECT_TRUE(data->IsBuilt());
    return data;
  }

  double Cell(const VehicleData& data, const std::string& table, int x, int y) {
    return data.GetTable(table)->GetDouble(vehicle::AXIS_Z, 0, x, y);
  }

  std::shared_ptr<vehicle::Vehicle> definition_;
  Image rom_;
  Image stock_;
};

TEST_F(VehicleDataTest, SaveIsByteExactOrWritesNothing) {
  for (const Image* image : {&rom_, &stock_}) {
    auto data = Build(*image, *image);
    EXPECT_FALSE(data->IsDirty());
    Image saved(*image);
    ASSERT_TRUE(data->SaveVehicle(saved));
    EXPECT_TRUE(saved == *image)
        << "first difference at "
        << std::mismatch(saved.begin(), saved.end(), image->begin()).first - saved.begin();
  }
  Image saved(rom_);
  EXPECT_FALSE(VehicleData(definition_).SaveVehicle(saved));  // never built
  EXPECT_EQ(saved, rom_);

  auto data = Build(rom_, rom_);
  ASSERT_TRUE(data->PutDouble("Fuel Map A", vehicle::AXIS_Z, 0, 0, 0, 12.5));
  // The mirror of Idle Air Steps at 0x10B40 lies beyond this image.
  Image short_image(rom_.begin(), rom_.begin() + 0x10B41);
  const Image before = short_image;
  EXPECT_FALSE(data->SaveVehicle(short_image));
  EXPECT_EQ(short_image, before);
}

// Which bytes an edit changes, its slave's among them, is checked through the
// command's `set`.
TEST_F(VehicleDataTest, EditIsDirtyUntilSetBackOrCleared) {
  auto data = Build(rom_, rom_);
  const double old_value = Cell(*data, "Fuel Map A", 3, 2);
  ASSERT_TRUE(data->PutDouble("Fuel Map A", vehicle::AXIS_Z, 0, 3, 2, old_value + 1.0));
  EXPECT_TRUE(data->IsDirty());
  Image saved(rom_);
  ASSERT_TRUE(data->SaveVehicle(saved));  // the slave follows, to be set back below
  ASSERT_TRUE(data->PutDouble("Fuel Map A", vehicle::AXIS_Z, 0, 3, 2, old_value));
  data->CopyMasterAxesToSlaves();
  EXPECT_FALSE(data->IsDirty());
  data->PutDouble("Fuel Map A", vehicle::AXIS_Z, 0, 3, 2, old_value + 1.0);
  data->ClearDirtyState();
  EXPECT_FALSE(data->IsDirty());
}

TEST_F(VehicleDataTest, EphemeralTablesReadTheSecondImageAndAreNeverSaved) {
  auto from_stock = Build(stock_, stock_);
  auto data = Build(rom_, stock_);
  EXPECT_EQ(
      data->GetTable("Knock Learned Values")->GetAxisData(vehicle::AXIS_Z)->GetDoubleList(),
      from_stock->GetTable("Knock Learned Values")->GetAxisData(vehicle::AXIS_Z)->GetDoubleList());
  Image saved(rom_);
  ASSERT_TRUE(data->SaveVehicle(saved));
  EXPECT_TRUE(std::equal(saved.begin() + 0x10D00, saved.begin() + 0x10D10, rom_.begin() + 0x10D00));
}

// A copy starts clean, shares no bytes with its source and saves what the
// source would, even after another instance renamed the slave's master.
TEST_F(VehicleDataTest, CopiesShareNoBytesStartCleanAndSaveTheSame) {
  auto data = Build(rom_, rom_);
  auto other = Build(rom_, rom_);
  ASSERT_TRUE(other->ChangeTableId("Fuel Map A", "Fuel Map A2"));
  EXPECT_TRUE(definition_->GetTables().dataExists("Fuel Map A2"));
  VehicleData untouched(*data);
  const double before = Cell(*data, "Base Timing", 1, 1);
  ASSERT_TRUE(untouched.PutDouble("Base Timing", vehicle::AXIS_Z, 0, 1, 1, before + 2.0));
  EXPECT_EQ(Cell(*data, "Base Timing", 1, 1), before);
  EXPECT_FALSE(data->IsDirty());

  auto toggle = data->GetToggle("Flex Fuel");
  ASSERT_NE(toggle, nullptr);
  toggle->SetEnabled(!toggle->IsEnabled());
  ASSERT_TRUE(data->PutDouble("Fuel Map A", vehicle::AXIS_Z, 0, 0, 0, 12.5));
  ASSERT_TRUE(data->IsDirty());
  VehicleData copy(*data);
  EXPECT_FALSE(copy.IsDirty());
  Image from_data(rom_), from_copy(rom_), from_other(rom_);
  ASSERT_TRUE(data->SaveVehicle(from_data));
  ASSERT_TRUE(copy.SaveVehicle(from_copy));
  ASSERT_TRUE(other->SaveVehicle(from_other));
  EXPECT_NE(from_data, rom_);
  EXPECT_EQ(from_copy, from_data);
  EXPECT_EQ(from_other, rom_);
}

TEST_F(VehicleDataTest, CopyBySelectionReportsEachSelection) {
  auto target = Build(rom_, rom_);
  auto source = Build(stock_, stock_);
  const std::vector<TableSelection> selections = {
      TableSelection("Fuel Map A"),           TableSelection("Wastegate Duty", 1),
      TableSelection("Knock Learned Values"), TableSelection("Flex Fuel"),
      TableSelection("No Such Item"),         TableSelection("Fuel Map A")};
  auto results = target->CopyTablesBySelection(source, selections);

  EXPECT_EQ(results.GetSuccessfulTableCopies(),
            (std::set<TableSelection>{TableSelection("Fuel Map A"),
                                      TableSelection("Wastegate Duty", 1)}));
  EXPECT_EQ(results.GetFailedTableCopies(),
            std::set<TableSelection>{TableSelection("Knock Learned Values")});
  EXPECT_EQ(results.GetInvalidTableCopies(), std::set<std::string>{"No Such Item"});
  EXPECT_FALSE(results.WasCopySuccessful());
  EXPECT_FALSE(target->GetTable("Fuel Map A")->IsDifferent(source->GetTable("Fuel Map A")));

  auto nothing = target->CopyTablesBySelection(nullptr, {TableSelection("Fuel Map A")});
  EXPECT_EQ(nothing.GetInvalidTableCopies(), std::set<std::string>{"Fuel Map A"});
}

TEST_F(VehicleDataTest, RestrictedItemsAreRemovedUntilOneDiffersFromStock) {
  // Without a comparison every restricted item is taken out.
  auto data = Build(rom_, rom_);
  EXPECT_FALSE(data->ContainsTable("Top Speed Limit"));
  EXPECT_FALSE(data->ContainsToggle("Rear O2 Monitoring"));

  // The tuned image changed the restricted limit: everything stays, marked.
  EXPECT_NE(data->CompareRestrictedWithStock(rom_, rom_, stock_, stock_),
            VehicleData::BUILD_FAILED);
  ASSERT_TRUE(data->ContainsTable("Top Speed Limit"));
  ASSERT_TRUE(data->ContainsToggle("Rear O2 Monitoring"));
  EXPECT_EQ(data->GetRestrictedTablesWithDifferences(), std::set<std::string>{"Top Speed Limit"});

  auto source = Build(stock_, stock_);
  auto results = data->CopyTablesBySelection(source, {TableSelection("Top Speed Limit")});
  EXPECT_EQ(results.GetRestrictedTableCopies(),
            std::set<TableSelection>{TableSelection("Top Speed Limit")});
  EXPECT_FALSE(results.WasCopySuccessful());

  // A stock image compared with itself: nothing differs, all removed again.
  auto stock = Build(stock_, stock_);
  EXPECT_NE(stock->CompareRestrictedWithStock(stock_, stock_, stock_, stock_),
            VehicleData::BUILD_FAILED);
  EXPECT_FALSE(stock->ContainsTable("Top Speed Limit"));
  EXPECT_FALSE(stock->ContainsToggle("Rear O2 Monitoring"));
  EXPECT_TRUE(stock->GetRestrictedTablesWithDifferences().empty());
}

}  // namespace
