// The ROM images written for the bundled sample and for the shared fixture
// (scripts/make-sample-roms.py), checked against their definitions with the
// definition classes alone: every table and switch is where the definition
// says, slaves agree with their masters, the trouble-code parser finds the
// codes, and the manifest tells the truth about the two images.
#include <gtest/gtest.h>

#include <algorithm>
#include <boost/crc.hpp>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "../bench/ImageLayout.h"
#include "outside/Binary.h"
#include "outside/Parser.h"
#include "vehicle/definition/Axis.h"
#include "vehicle/definition/Conv.h"
#include "vehicle/definition/LiveRomInfo.h"
#include "vehicle/definition/Table.h"
#include "vehicle/definition/XMLToggle.h"
#include "vehicle/loading/Vehicle.h"

namespace {

namespace fs = std::filesystem;
using image_layout::Matches;
using image_layout::ParsedCodes;
using image_layout::Ranges;
using Image = std::vector<uint8_t>;

Image ReadImage(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Image(std::istreambuf_iterator<char>(in), {});
}

std::vector<uint8_t> Bytes(const Image& image, const vehicle::Axis& axis) {
  std::vector<uint8_t> bytes;
  for (const auto& [begin, end] : Ranges(axis))
    bytes.insert(bytes.end(), image.begin() + begin, image.begin() + end);
  return bytes;
}

// Engineering values of a horizontal, unpadded axis at its first ROM offset.
std::vector<double> Values(const Image& image, const vehicle::Axis& axis) {
  const auto conv = vehicle::GetConv(axis.GetDataType());
  const uint32_t width = axis.GetElementSize();
  std::vector<double> values;
  for (uint32_t i = 0; i < axis.GetCount(); ++i) {
    const auto at = image.begin() + axis.GetRomOffsets().at(0) + i * width;
    values.push_back(conv->ToDouble(util::Binary({at, at + width}, axis.GetEndian())));
  }
  return values;
}

std::vector<uint8_t> Encode(const vehicle::Axis& axis, const std::vector<double>& values) {
  const auto conv = vehicle::GetConv(axis.GetDataType());
  std::vector<uint8_t> bytes;
  for (double value : values) {
    util::Binary bin({}, axis.GetEndian());
    conv->ToBin(value, bin);
    bytes.insert(bytes.end(), bin.bytes.begin(), bin.bytes.end());
  }
  return bytes;
}

class SampleRomsTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    const fs::path top = fs::path(ECUCAL_TEST_DATA_DIR) / GetParam();
    std::string error;
    vehicle_.Load(top.string(), error, vexa_xml::XML_LOAD_DEFAULT);
    ASSERT_TRUE(vehicle_.IsLoaded()) << error;
    ASSERT_TRUE(vehicle_.Validate(error)) << error;
    std::ifstream manifest(top.parent_path() / "kestrel.roms.json");
    manifest_ = nlohmann::json::parse(manifest);
    rom_ = ReadImage(top.parent_path() / manifest_["images"]["rom"].get<std::string>());
    stock_ = ReadImage(top.parent_path() / manifest_["images"]["stock"].get<std::string>());
    ASSERT_EQ(rom_.size(), manifest_["size"].get<size_t>());
    ASSERT_EQ(stock_.size(), rom_.size());
  }

  vehicle::Vehicle vehicle_;
  nlohmann::json manifest_;
  Image rom_, stock_;
};

TEST_P(SampleRomsTest, TablesLieInsideWithMirrorsEqualAndSlavesAgreeingWithTheirMasters) {
  for (const Image* image : {&rom_, &stock_}) {
    boost::crc_32_type crc;
    crc.process_bytes(image->data(), image->size());
    EXPECT_TRUE(vehicle_.IsRomCrcValid(crc.checksum()));

    unsigned axes = 0;
    for (const auto& [id, table] : vehicle_.GetTables()) {
      for (const auto& [role, axis] : table->GetAxes()) {
        const auto ranges = Ranges(*axis);
        axes += ranges.empty() ? 0 : 1;
        for (const auto& [begin, end] : ranges)
          ASSERT_LE(end, image->size()) << id;
        // Every ROM offset of an axis holds the same copy.
        for (size_t i = 1; i < axis->GetRomOffsets().size(); ++i) {
          EXPECT_TRUE(std::equal(image->begin() + ranges[i].first,
                                 image->begin() + ranges[i].second,
                                 image->begin() + ranges[0].first))
              << id << ": mirrored copies differ";
        }
      }
      if (!table->IsSlave())
        continue;
      // A slave holds its master's values through its transform.
      const auto& master = vehicle_.GetTables().findData(table->GetMasterTableId());
      const auto slave_z = table->GetAxis(vehicle::AXIS_Z);
      std::vector<double> values = Values(*image, *master->GetAxis(vehicle::AXIS_Z));
      const std::string transform = table->GetTransformForMasterToSlaveDataCopy();
      if (!transform.empty()) {
        Parser parser(transform);
        for (double& value : values) {
          parser.Symbols()["x"] = value;
          value = parser.Evaluate();
        }
      }
      EXPECT_EQ(Bytes(*image, *slave_z), Encode(*slave_z, values)) << id;
    }
    EXPECT_GT(axes, 20u);
  }
}

TEST_P(SampleRomsTest, SwitchesReadAsOneStateEachAsTheManifestSays) {
  for (const auto& [id, toggle] : vehicle_.GetXMLToggles()) {
    const nlohmann::json& states = manifest_["toggles"][id];
    for (const auto& [image, name] :
         {std::make_pair(&rom_, "rom"), std::make_pair(&stock_, "stock")}) {
      const bool enabled = Matches(*image, *toggle, true);
      EXPECT_NE(enabled, Matches(*image, *toggle, false)) << id << " in " << name;
      EXPECT_EQ(enabled, states[name].get<bool>()) << id << " in " << name;
    }
  }
}

TEST_P(SampleRomsTest, TroubleCodeParserAndLiveRomInformationFindWhatTheManifestLists) {
  const nlohmann::json& codes = manifest_["trouble_codes"];
  EXPECT_EQ(codes["family"], vehicle_.GetRomInfo().GetDTC());
  EXPECT_EQ(ParsedCodes(vehicle_, rom_), codes["rom"].get<std::vector<std::string>>());
  EXPECT_EQ(ParsedCodes(vehicle_, stock_), codes["stock"].get<std::vector<std::string>>());
  EXPECT_FALSE(codes["disabled_in_rom"].empty());

  const auto offset = static_cast<uint32_t>(vehicle_.GetRomInfo().GetLiveromInfo().offset);
  for (const auto& [image, name] :
       {std::make_pair(&rom_, "rom"), std::make_pair(&stock_, "stock")}) {
    vehicle::LiveRomInfo live;
    live.Parse(offset, *image);
    std::map<std::string, uint32_t> found;
    for (const auto& [key, word] : live.GetFeatures())
      found[std::to_string(key)] = word;
    EXPECT_EQ(found, (manifest_["live_rom_info"][name].get<std::map<std::string, uint32_t>>()))
        << name;
  }
}

TEST_P(SampleRomsTest, ManifestNamesExactlyTheTablesAndSwitchesThatDiffer) {
  std::vector<std::string> tables, toggles;
  for (const auto& [id, table] : vehicle_.GetTables()) {
    for (const auto& [role, axis] : table->GetAxes()) {
      if (Bytes(rom_, *axis) != Bytes(stock_, *axis)) {
        tables.push_back(id);
        break;
      }
    }
  }
  for (const auto& [id, toggle] : vehicle_.GetXMLToggles()) {
    if (Matches(rom_, *toggle, true) != Matches(stock_, *toggle, true))
      toggles.push_back(id);
  }
  std::sort(tables.begin(), tables.end());
  std::sort(toggles.begin(), toggles.end());
  EXPECT_EQ(tables, manifest_["different_tables"].get<std::vector<std::string>>());
  EXPECT_EQ(toggles, manifest_["different_toggles"].get<std::vector<std::string>>());

  // At least one restricted table or switch differs from stock.
  const auto restricted = manifest_["restricted_tables"].get<std::vector<std::string>>();
  EXPECT_TRUE(std::any_of(restricted.begin(), restricted.end(), [&](const std::string& id) {
    return std::count(tables.begin(), tables.end(), id) != 0;
  }));
  for (const std::string& id : restricted)
    EXPECT_TRUE(vehicle_.GetTableRestrictor().IsRestricted(id)) << id;
  for (const auto& id : manifest_["restricted_toggles"])
    EXPECT_TRUE(vehicle_.GetToggleRestrictor().IsRestricted(id.get<std::string>())) << id;
}

INSTANTIATE_TEST_SUITE_P(Definitions, SampleRomsTest,
                         ::testing::Values("vehicle/kestrel.xml", "../../examples/kestrel.xml"));

}  // namespace
