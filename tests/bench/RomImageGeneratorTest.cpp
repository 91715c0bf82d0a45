#include "RomImageGenerator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "DefinitionGenerator.h"
#include "vehicle/data/VehicleData.h"
#include "vehicle/definition/Axis.h"
#include "vehicle/definition/Table.h"
#include "vehicle/definition/XMLToggle.h"
#include "vehicle/loading/Vehicle.h"

#include "../vehicle/data/LoadVehicle.h"
#include "ImageLayout.h"
#include "ScratchFolder.h"

namespace {

using bench_test::ScratchFolder;
using image_layout::Matches;
using image_layout::ParsedCodes;

struct Range {
  uint64_t begin, end;
  std::string owner;
};

// Every byte range an axis (once per data signature) or a switch occupies.
std::vector<Range> Ranges(const vehicle::Vehicle& vehicle) {
  std::vector<Range> ranges;
  std::set<std::string> seen;
  for (const auto& [id, table] : vehicle.GetTables()) {
    for (const auto& [role, axis] : table->GetAxes()) {
      if (seen.insert(axis->GetDataSignature()).second) {
        for (const auto& [begin, end] : image_layout::Ranges(*axis))
          ranges.push_back({begin, end, "axis " + axis->GetObjId()});
      }
    }
  }
  for (const auto& [id, toggle] : vehicle.GetXMLToggles()) {
    for (const auto& segment : toggle->GetToggleStateDefinitionSegments())
      ranges.push_back(
          {segment.rom_offset, segment.rom_offset + segment.enabled_values.size(), "toggle " + id});
  }
  std::sort(ranges.begin(), ranges.end(),
            [](const Range& a, const Range& b) { return a.begin < b.begin; });
  return ranges;
}

// A definition of realistic shape: its image must also build consistent and
// save byte-exact through the library.
TEST(RomImageGeneratorTest, LaysOutEveryTableSwitchAndTroubleCodeOfTheGeneratedDefinition) {
  ScratchFolder folder;
  ASSERT_FALSE(folder.Path().empty());
  const auto tree = bench::WriteDefinitionTree(folder.Path(), bench::DefinitionScale::Scaled(0.1));
  const auto loaded = test_support::LoadVehicle(tree.top_path);
  ASSERT_FALSE(HasFailure());
  const vehicle::Vehicle& vehicle = *loaded;
  const bench::RomImages images = bench::WriteRomImages(vehicle, tree.rom_bytes);
  EXPECT_EQ(tree.rom_bytes, 4u << 20);
  ASSERT_EQ(images.rom.size(), tree.rom_bytes);
  ASSERT_EQ(images.second.size(), tree.rom_bytes);

  const std::vector<Range> ranges = Ranges(vehicle);
  ASSERT_GT(ranges.size(), tree.tables);
  for (size_t i = 0; i < ranges.size(); ++i) {
    EXPECT_LE(ranges[i].end, images.rom.size()) << ranges[i].owner;
    if (i > 0) {
      EXPECT_LE(ranges[i - 1].end, ranges[i].begin)
          << ranges[i - 1].owner << ", " << ranges[i].owner;
    }
  }

  unsigned enabled = 0;
  for (const auto& [id, toggle] : vehicle.GetXMLToggles()) {
    EXPECT_NE(Matches(images.rom, *toggle, true), Matches(images.rom, *toggle, false)) << id;
    enabled += Matches(images.rom, *toggle, true) ? 1 : 0;
  }
  EXPECT_EQ(images.toggles, tree.toggles);
  EXPECT_EQ(enabled, images.enabled_toggles);
  EXPECT_LT(enabled, images.toggles);

  // The second image holds every code; the ROM image lacks the switched-off
  // ones, and that is all that tells the two apart.
  EXPECT_EQ(images.codes, tree.trouble_codes);
  EXPECT_EQ(ParsedCodes(vehicle, images.second).size(), images.codes);
  EXPECT_EQ(ParsedCodes(vehicle, images.rom).size(), images.enabled_codes);
  EXPECT_LT(images.enabled_codes, images.codes);
  size_t differing = 0;
  for (size_t i = 0; i < images.rom.size(); ++i)
    differing += images.rom[i] != images.second[i] ? 1 : 0;
  EXPECT_EQ(differing, 3 * (images.codes - images.enabled_codes));

  vehicle::VehicleData data(loaded);
  EXPECT_EQ(data.BuildVehicle(images.rom, images.second, false),
            vehicle::VehicleData::BUILD_CONSISTENT);
  ASSERT_TRUE(data.IsBuilt());
  EXPECT_EQ(data.GetTableHash().size(), vehicle.GetTables().size());
  EXPECT_EQ(data.GetToggleRepository().GetTroubleCodeParse(),
            vehicle::ToggleDataRepository::TROUBLE_CODES_PARSED);
  std::vector<uint8_t> saved(images.rom);
  ASSERT_TRUE(data.SaveVehicle(saved));
  EXPECT_TRUE(saved == images.rom);
}

TEST(RomImageGeneratorTest, FullScaleDefinitionFitsFourMebibytes) {
  ScratchFolder folder;
  const auto tree = bench::WriteDefinitionTree(folder.Path(), bench::DefinitionScale());
  EXPECT_EQ(tree.rom_bytes, 4u << 20);
  EXPECT_LE(tree.tables_end, tree.trouble_codes_start);
  EXPECT_LT(tree.trouble_codes_start + 13 * tree.trouble_codes, tree.toggles_start);
  EXPECT_LT(tree.toggles_start, tree.rom_bytes);
}

// The shared fixture stores its tables every way the library reads them:
// masked and mirrored, padded, column-first, in runs, transformed slaves.
TEST(RomImageGeneratorTest, LaysOutEveryStorageLayoutOfTheSharedFixture) {
  const auto loaded = test_support::LoadVehicle(ECUCAL_TEST_DATA_DIR "/vehicle/kestrel.xml");
  ASSERT_FALSE(HasFailure());
  const vehicle::Vehicle& vehicle = *loaded;
  const bench::RomImages images = bench::WriteRomImages(vehicle, 512 * 1024);
  const std::vector<uint8_t>& rom = images.rom;
  const auto& tables = vehicle.GetTables();

  const auto idle = tables.findData("Idle Air Steps")->GetAxis(vehicle::AXIS_Z);
  const uint32_t a = idle->GetRomOffsets().at(0), b = idle->GetRomOffsets().at(1);
  EXPECT_TRUE(std::equal(rom.begin() + a, rom.begin() + a + 16, rom.begin() + b));
  for (uint32_t i = 0; i < 16; i += 2)
    EXPECT_EQ(rom[a + i] & 0xF0, 0xA0) << "bits outside the mask hold the filler";

  const auto latency = tables.findData("Injector Latency")->GetAxis(vehicle::AXIS_Z);
  for (uint32_t i = 0, at = latency->GetRomOffsets()[0]; i < latency->GetCount(); ++i)
    EXPECT_EQ(rom[at + 4 * i + 2] << 8 | rom[at + 4 * i + 3], 0xEEEE) << "padding holds the filler";

  // Column-first: the second ROM cell is the first column's second row, the
  // grid rises with y, so it is larger than the first.
  const auto cam = tables.findData("Cam Advance Target")->GetAxis(vehicle::AXIS_Z);
  const uint32_t cells = cam->GetCount(), rows = cam->GetDimensions().y;
  const uint32_t at = cam->GetRomOffsets()[0];
  EXPECT_LT(static_cast<int8_t>(rom[at]), static_cast<int8_t>(rom[at + 1]));
  EXPECT_NE(rom[at + rows - 1], rom[at + rows]);
  EXPECT_LT(rows, cells);

  // A transformed slave holds other bytes than its master; an untransformed
  // one the same bytes.
  const auto z = [&](const char* id) {
    const auto axis = tables.findData(id)->GetAxis(vehicle::AXIS_Z);
    const uint32_t offset = axis->GetRomOffsets()[0];
    return std::vector<uint8_t>(rom.begin() + offset, rom.begin() + offset + axis->GetCount());
  };
  EXPECT_NE(z("Fuel Map A"), z("Fuel Map Failsafe"));
  EXPECT_EQ(z("Base Timing"), z("Base Timing Bank 2"));
  EXPECT_EQ(images.codes, 64u);

  // An image too small for the definition is refused.
  EXPECT_THROW(bench::WriteRomImages(vehicle, 0x10800), std::invalid_argument);
}

}  // namespace
