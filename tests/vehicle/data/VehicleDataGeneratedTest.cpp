// The round trip on a generated definition of realistic shape and the image
// laid out for it: every table, switch and trouble code built, an unedited
// save byte-exact, and one edit confined to its own bytes.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "DefinitionGenerator.h"
#include "RomImageGenerator.h"
#include "vehicle/data/AxisData.h"
#include "vehicle/data/TableData.h"
#include "vehicle/data/VehicleData.h"
#include "vehicle/loading/Vehicle.h"

namespace {

namespace fs = std::filesystem;

TEST(VehicleDataGeneratedTest, BuildAndSaveOfAGeneratedImageIsByteExact) {
  std::string folder = (fs::temp_directory_path() / "ecucal-vd-XXXXXX").string();
  ASSERT_NE(mkdtemp(folder.data()), nullptr);
  const auto tree = bench::WriteDefinitionTree(folder, bench::DefinitionScale::Scaled(0.1));
  auto definition = std::make_shared<vehicle::Vehicle>();
  std::string error;
  definition->Load(tree.top_path, error, vexa_xml::XML_LOAD_DEFAULT);
  ASSERT_TRUE(definition->Validate(error)) << error;
  const bench::RomImages images = bench::WriteRomImages(*definition, tree.rom_bytes);
  fs::remove_all(folder);

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

  // One cell of a table that is nobody's master: exactly its bytes change.
  for (const auto& entry : data.GetTableHash()) {
    const auto& table = entry.second;
    auto body = table->GetAxisData(vehicle::AXIS_Z);
    if (table->IsSlave() || !body || body->IsReadOnly() ||
        body->GetAxis()->GetRomOffsets().size() != 1)
      continue;
    bool is_master = false;
    for (const auto& other : data.GetTableHash())
      is_master |= other.second->GetMasterTableId() == entry.first;
    if (is_master || body->GetDataWidth() != body->GetDataWidthIncludingPadding())
      continue;
    const double before = body->GetDouble(0u);
    const double step = body->GetMax() > before ? 1.0 : -1.0;
    if (!body->PutDouble(0u, body->Round(before + step * 10)))
      continue;
    std::vector<uint8_t> edited(images.rom);
    ASSERT_TRUE(data.SaveVehicle(edited));
    const size_t start = body->GetAxis()->GetRomOffsets()[0];
    for (size_t i = 0; i < edited.size(); ++i) {
      if (edited[i] != images.rom[i]) {
        ASSERT_GE(i, start) << entry.first;
        ASSERT_LT(i, start + body->GetDataWidth()) << entry.first;
      }
    }
    return;
  }
  FAIL() << "no editable table found";
}

}  // namespace
