// The round trip on a generated definition of realistic shape and the image
// laid out for it: every table, switch and trouble code built, and an
// unedited save byte-exact.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "../../bench/ScratchFolder.h"
#include "DefinitionGenerator.h"
#include "LoadVehicle.h"
#include "RomImageGenerator.h"
#include "vehicle/data/VehicleData.h"
#include "vehicle/loading/Vehicle.h"

namespace {

TEST(VehicleDataGeneratedTest, BuildAndSaveOfAGeneratedImageIsByteExact) {
  const bench_test::ScratchFolder folder;
  ASSERT_FALSE(folder.Path().empty());
  const auto tree = bench::WriteDefinitionTree(folder.Path(), bench::DefinitionScale::Scaled(0.1));
  const auto definition = test_support::LoadVehicle(tree.top_path);
  ASSERT_FALSE(HasFailure());
  const bench::RomImages images = bench::WriteRomImages(*definition, tree.rom_bytes);

  vehicle::VehicleData data(definition);
  EXPECT_EQ(data.BuildVehicle(images.rom, images.second, false),
            vehicle::VehicleData::BUILD_CONSISTENT);
  ASSERT_TRUE(data.IsBuilt());
  EXPECT_EQ(data.GetTableHash().size(), definition->GetTables().size());
  EXPECT_EQ(data.GetToggleRepository().GetTroubleCodeParse(),
            vehicle::ToggleDataRepository::TROUBLE_CODES_PARSED);

  std::vector<uint8_t> saved(images.rom);
  ASSERT_TRUE(data.SaveVehicle(saved));
  EXPECT_TRUE(saved == images.rom);
}

}  // namespace
