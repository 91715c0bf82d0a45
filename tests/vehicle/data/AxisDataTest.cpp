#include "vehicle/data/AxisData.h"

#include <gtest/gtest.h>

#include <tuple>

#include "AxisDataTestSupport.h"

namespace {

using axis_test::Build;
using axis_test::Image;
using axis_test::LoadAxis;
using Bytes = std::vector<unsigned char>;
using Values = std::vector<double>;
constexpr double NOT_SET = vehicle::AxisData::VALUE_NOT_SET;
constexpr unsigned int BAD = vehicle::AxisData::INVALID_INDEX;

TEST(AxisDataTest, PaddedAxisKeepsPaddingAndSavesAroundIt) {
  const Bytes stored = {0, 1, 0xAA, 0xAA, 0, 2, 0xBB, 0xBB, 0, 3, 0xCC, 0xCC, 0, 4, 0xDD, 0xDD};
  auto axis = Build("padded", Image(0x20, 0x10, stored));
  ASSERT_TRUE(axis->IsBuilt());
  EXPECT_EQ(axis->GetBinList(), stored);
  EXPECT_EQ(axis->GetDoubleList(), Values({1, 2, 3, 4}));
  EXPECT_EQ(axis->GetDataWidthIncludingPadding(), 4u);

  ASSERT_TRUE(axis->PutDouble(1, 0x0102));
  Bytes rom(0x20, 0x55);
  ASSERT_TRUE(axis->SaveAxis(rom));
  EXPECT_EQ(Bytes(rom.begin() + 0x10, rom.end()),
            Bytes({0, 1, 0x55, 0x55, 1, 2, 0x55, 0x55, 0, 3, 0x55, 0x55, 0, 4, 0x55, 0x55}));
  EXPECT_EQ(rom[0x0F], 0x55);
}

// Cells are decoded and encoded without the conversion object for the common
// storages; the values and the bits kept outside the mask must be the ones
// the conversion and the merge under the mask give.
TEST(AxisDataTest, CellReadsAndWritesAgreeWithTheConversion) {
  Bytes image(0x40);
  for (size_t i = 0; i < image.size(); ++i)
    image[i] = static_cast<unsigned char>(i * 37 + 11);
  for (const char* id : {"padded", "nibble", "mid", "mid_le", "plain", "half", "centi", "float",
                         "signed8", "signed16", "signed32", "unsigned32"}) {
    auto axis = Build(id, image);
    ASSERT_TRUE(axis->IsBuilt()) << id;
    const auto conv = vehicle::GetConv(axis->GetDataType());
    const unsigned int count = axis->GetAxisCount();
    for (unsigned int i = 0; i < count; ++i)
      EXPECT_EQ(axis->GetDouble(i), conv->ToDouble(axis->GetBinary(i))) << id << " " << i;
    for (unsigned int i = 0; i < count; ++i) {
      const double value = axis->GetDouble((i + 1) % count);
      const auto raw_before = axis->GetUnmaskedBinary(i).bytes;
      const auto masked_before = axis->GetBinary(i).bytes;
      axis->PutDouble(i, value);
      // What the conversion stores for the value (32-bit storages keep a
      // single's 24 bits).
      util::Binary stored(Bytes(axis->GetDataWidth()), axis->GetBinary(i).endian);
      conv->ToBin(value, stored);
      EXPECT_EQ(axis->GetDouble(i), conv->ToDouble(stored)) << id << " " << i;
      const auto raw_after = axis->GetUnmaskedBinary(i).bytes;
      const auto masked_after = axis->GetBinary(i).bytes;
      for (size_t k = 0; k < raw_after.size(); ++k)
        EXPECT_EQ(raw_after[k] ^ masked_after[k], raw_before[k] ^ masked_before[k]) << id;
    }
  }
}

TEST(AxisDataTest, VerticalLayoutsAreReorderedAndSavedAsRead) {
  // y varies fastest in the image.
  auto vertical = Build("vertical", Image(0x50, 0x40, {10, 11, 12, 20, 21, 22}));
  ASSERT_TRUE(vertical->IsBuilt());
  EXPECT_EQ(vertical->GetBinList(), Bytes({10, 20, 11, 21, 12, 22}));
  EXPECT_EQ(vertical->GetRow(1), Values({11, 21}));
  Bytes rom(0x50, 0);
  ASSERT_TRUE(vertical->SaveAxis(rom));
  EXPECT_EQ(rom, Image(0x50, 0x40, {10, 11, 12, 20, 21, 22}));

  Bytes image = Image(0xA0, 0x80, {1, 2, 3, 4});
  image[0x90] = 5;
  image[0x91] = 6;
  auto runs = Build("vertical_runs", image);
  ASSERT_TRUE(runs->IsBuilt());
  EXPECT_EQ(runs->GetDoubleList(), Values({1, 4, 2, 5, 3, 6}));
  Bytes saved(0xA0, 0);
  ASSERT_TRUE(runs->SaveAxis(saved));
  EXPECT_EQ(saved, image);
}

TEST(AxisDataTest, DataRunsAreJoinedAndSplitAgain) {
  Bytes image = Image(0x80, 0x60, {1, 2});
  image[0x70] = 3;
  image[0x71] = 4;
  image[0x72] = 5;
  auto runs = Build("runs", image);
  ASSERT_TRUE(runs->IsBuilt());
  EXPECT_EQ(runs->GetDoubleList(), Values({1, 2, 3, 4, 5}));
  ASSERT_TRUE(runs->PutDouble(2, 9));
  Bytes saved(0x80, 0);
  ASSERT_TRUE(runs->SaveAxis(saved));
  image[0x70] = 9;
  EXPECT_EQ(saved, image);

  // A run that leaves the image fails the build.
  EXPECT_FALSE(Build("runs", Bytes(0x72, 0))->IsBuilt());
  EXPECT_EQ(vehicle::AxisData(LoadAxis("runs")).BuildByteData(Bytes(0x72, 0)), nullptr);
}

TEST(AxisDataTest, RamResidentAxesBuildEmpty) {
  for (const char* id : {"ram", "ram_run", "mixed_runs"}) {
    auto axis = Build(id, Bytes(0x80, 7));
    ASSERT_TRUE(axis->IsBuilt()) << id;
    EXPECT_EQ(axis->GetSize(), 0u) << id;
    EXPECT_TRUE(axis->GetDoubleList().empty()) << id;
    EXPECT_EQ(axis->GetDouble(0u), NOT_SET) << id;
    EXPECT_TRUE(axis->GetColumns().empty()) << id;
  }
  // No image bounds a RAM-resident shape: one claiming more bytes than any
  // ECU has is refused, and no list is sized after it.
  auto huge = LoadAxis("ram");
  huge->AdjustDimensions(1, 2000000000u, 1);
  auto huge_data = Build(huge, Bytes(0x80, 7));
  EXPECT_FALSE(huge_data->IsBuilt());
  EXPECT_TRUE(huge_data->GetColumns().empty());
  EXPECT_TRUE(huge_data->GetRow(0).empty());
  Bytes rom(4, 0);
  auto ram = Build("ram", rom);
  EXPECT_TRUE(ram->IsRamOnly());
  EXPECT_TRUE(ram->SaveAxis(rom));
  EXPECT_TRUE(Build("ram_run", rom)->SaveAxis(rom));
  // A ROM run beside a RAM run: no bytes to save, so the save fails.
  EXPECT_FALSE(Build("mixed_runs", rom)->SaveAxis(rom));
  EXPECT_EQ(rom, Bytes(4, 0));
}

TEST(AxisDataTest, CalculatedAxesSpanTheirRangeAndLabelAxesHaveNoBytes) {
  auto calc = Build("calc", Bytes());
  ASSERT_TRUE(calc->IsBuilt());
  EXPECT_EQ(calc->GetDoubleList(), Values({0, 25, 50, 75, 100}));
  auto one = Build("calc_one", Bytes());
  EXPECT_EQ(one->GetDoubleList(), Values({7}));
  Bytes rom(8, 1);
  EXPECT_TRUE(calc->SaveAxis(rom));
  EXPECT_EQ(rom, Bytes(8, 1));

  // Nothing in the image bounds a calculated axis: an absurd count is refused
  // rather than allocated.
  auto huge = LoadAxis("calc");
  huge->AdjustDimensions(1, 5000, 1);
  EXPECT_FALSE(Build(huge, Bytes())->IsBuilt());

  // Label lookups themselves are read through `show` on a labelled table.
  auto gears = Build("gears", Bytes());
  ASSERT_TRUE(gears->IsBuilt());
  EXPECT_EQ(std::make_tuple(gears->IsDataValid(), gears->GetSize(), gears->GetDoubleList().size(),
                            gears->GetLabel(3u), gears->GetDataWidth(), gears->GetDataType()),
            std::make_tuple(false, 3u, size_t{0}, std::string(), 0u, nullptr));
}

TEST(AxisDataTest, EveryOffsetAndShapeIsCheckedAtBuild) {
  struct Case {
    const char* id;
    size_t rom_size;
    bool built;
  } cases[] = {
      {"mirrored", 0x34, true},   {"mirrored", 0x33, false},  // the second copy would not fit
      {"wrapping", 0x100, false}, {"huge_pad", 0x100, false}, {"no_shape", 0x100, false},
      {"plain", 4, true},         {"plain", 3, false},
  };
  for (const Case& c : cases) {
    auto axis = vehicle::AxisData(LoadAxis(c.id)).BuildByteData(Bytes(c.rom_size, 0));
    EXPECT_EQ(axis != nullptr, c.built) << c.id << " " << c.rom_size;
  }
  auto zero_length = LoadAxis("plain");
  zero_length->AdjustDimensions(1, 0, 1);
  EXPECT_TRUE(Build(zero_length, Bytes())->IsBuilt());
}

TEST(AxisDataTest, MirroredOffsetsAllReceiveACopyOrNoneDoes) {
  auto axis = Build("mirrored", Image(0x34, 0x20, {0x12, 0x34, 0x56, 0x78}));
  ASSERT_TRUE(axis->IsBuilt());
  Bytes rom(0x34, 0);
  ASSERT_TRUE(axis->SaveAxis(rom));
  EXPECT_EQ(Bytes(rom.begin() + 0x30, rom.end()), Bytes({0x12, 0x34, 0x56, 0x78}));
  EXPECT_EQ(Bytes(rom.begin() + 0x20, rom.begin() + 0x24), Bytes({0x12, 0x34, 0x56, 0x78}));

  Bytes short_rom(0x33, 0);
  EXPECT_FALSE(axis->SaveAxis(short_rom));
  EXPECT_EQ(short_rom, Bytes(0x33, 0));
}

TEST(AxisDataTest, IndexesCoordinatesAndDepthSlicesStayInRange) {
  auto body = Build("body", {1, 2, 3, 4, 5, 6});
  EXPECT_EQ(body->ConvertCoordsToIndex(0, -1, 0), BAD);
  EXPECT_EQ(body->GetDouble(0, -1, 0), NOT_SET);
  EXPECT_EQ(body->ConvertCoordsToIndex(2, 1), 5u);
  EXPECT_EQ(body->ConvertCoordsToIndex(3, 0), BAD);
  EXPECT_EQ(body->GetDouble(1, 1), 5);
  EXPECT_TRUE(body->IsPointInAxis(tuner_editor::Point(2, 1), 0));
  EXPECT_FALSE(body->IsPointInAxis(tuner_editor::Point(2, 1), 1));
  EXPECT_FALSE(body->IsIndexValid(BAD));
  EXPECT_EQ(body->GetDepth(0), std::vector<Values>({{1, 2, 3}, {4, 5, 6}}));

  // A buffer that holds only part of the last element: that element is out.
  auto mirrored = std::make_shared<vehicle::AxisData>(LoadAxis("mirrored"));
  auto partial = std::make_shared<vehicle::AxisByteData>();
  partial->Resize(3);
  mirrored->BuildAxis(partial);
  EXPECT_TRUE(mirrored->IsDataIndexValid(0));
  EXPECT_FALSE(mirrored->IsDataIndexValid(1));
  EXPECT_EQ(mirrored->GetDouble(1u), NOT_SET);
  EXPECT_FALSE(mirrored->PutDouble(1u, 5));
  EXPECT_EQ(mirrored->GetDoubleList().size(), 1u);

  auto deep = LoadAxis("body");
  deep->AdjustDimensions(2, 3, 2);
  auto slices = Build(deep, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
  ASSERT_TRUE(slices->IsBuilt());
  EXPECT_TRUE(slices->GetColumns().empty());
  EXPECT_EQ(slices->GetColumns(1), std::vector<Values>({{7, 10}, {8, 11}, {9, 12}}));
  EXPECT_EQ(slices->GetDepths().size(), 2u);
  EXPECT_TRUE(slices->GetRow(2, 0).empty());
}

TEST(AxisDataTest, MaskIsAppliedOnReadInTheAxisByteOrder) {
  auto big = Build("mid", {0x12, 0x34, 0, 0});
  EXPECT_EQ(big->GetBinary(0u).bytes, Bytes({0x02, 0x30}));
  EXPECT_EQ(big->GetUnmaskedBinary(0u).bytes, Bytes({0x12, 0x34}));
  EXPECT_EQ(big->GetDouble(0u), 0x0230);
  auto little = Build("mid_le", {0x34, 0x12, 0, 0});
  EXPECT_EQ(little->GetBinary(0u).bytes, Bytes({0x30, 0x02}));
  EXPECT_EQ(little->GetDoubleList(), Values({0x0230, 0}));
}

// A conversion that cannot apply reads as unset or is refused.
TEST(AxisDataTest, ExpressionThatThrowsReadsAsUnsetAndOtherWidthTypesAreRefused) {
  auto axis = Build("expr", {5, 15});
  EXPECT_EQ(axis->GetDouble(0u), NOT_SET);
  EXPECT_EQ(axis->GetDoubleList(), Values({NOT_SET, 1.0}));

  auto plain = Build("plain", {2, 4, 6, 8});
  EXPECT_FALSE(plain->SetDataType(LoadAxis("padded")->GetDataType()));
  EXPECT_FALSE(plain->SetDataType(nullptr));
  EXPECT_EQ(plain->GetDouble(1u), 4);
  ASSERT_TRUE(plain->SetDataType(LoadAxis("half")->GetDataType()));
  EXPECT_EQ(plain->GetDouble(1u), 2);
}

TEST(AxisDataTest, ListenerLeavesTheBufferWhenDestroyedOrMoved) {
  auto first = Build("plain", {1, 2, 3, 4});
  auto buffer = std::make_shared<vehicle::AxisByteData>();
  {
    vehicle::AxisData second(LoadAxis("plain"));
    second.BuildByteData({1, 2, 3, 4});
    auto shared = first->BuildByteData({1, 2, 3, 4});
    second.BuildAxis(shared);
    EXPECT_EQ(shared->GetListenerCount(), 2u);
    second.BuildAxis(buffer);
    EXPECT_EQ(shared->GetListenerCount(), 1u);
    second.BuildAxis(shared);
  }
  // The destroyed listener is gone: this write must not reach it.
  EXPECT_TRUE(first->PutDouble(0u, 9));
  EXPECT_EQ(first->GetDouble(0u), 9);
}

}  // namespace
