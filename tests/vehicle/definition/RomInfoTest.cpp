#include "vehicle/definition/RomInfo.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <tuple>

#include "vehicle/definition/LiveRomInfo.h"

namespace {

using vehicle::RomInfo;

// Reads `xml` (a document root) into `info` the way the loader does.
void ReadInto(RomInfo& info, const std::string& xml) {
  TiXmlDocument doc;
  doc.Parse(xml.c_str());
  std::string error;
  info.Read(doc.RootElement(), error, false);
}

TEST(RomInfoTest, ReadsEveryValue) {
  RomInfo info;
  ReadInto(info, R"(<vehicledef><rominfo cpu="SH7058" protocol="suba_ssm_can" flash="suba_ssmiv"
      rom_name="STOCK1" monitor_byte_limit="4096" monitor_count_limit="-5" rom_crc="0x1234, 10">
      <fw_id offset="0x100">FW01</fw_id>
      <dtc_parser_params id="SUBARU_HITACHI_DTC_PARSER" dtc_count="3"><x>1</x></dtc_parser_params>
      <feature_versions>
        <feature id="F1" offset="0x10" version="3" storage="16S" endian="little"/>
        <feature id="F2"/>
      </feature_versions>
      <feature_toggles><feature id="T1" offset="0x20"/></feature_toggles>
      <feature_adjustments><feature id="A1" table_id="TBL"/></feature_adjustments>
      <liverom_info offset="0x400" endian="big"/>
    </rominfo></vehicledef>)");
  EXPECT_EQ(std::make_tuple(info.GetCPU(), info.GetProtocol(), info.GetFlash(), info.GetRomName(),
                            info.GetMonitorByteLimit(), info.HasMonitorCountLimit(),
                            info.GetRomCrcs(), info.GetRealtimeSupport(), info.GetDTC()),
            std::make_tuple(vehicle::CPU_SH7058, vehicle::PROTOCOL_SUBA_SSM_CAN,
                            vehicle::FLASH_SUBA_SSMIV, std::string("STOCK1"), 4096u, false,
                            std::vector<uint32_t>{0x1234, 10}, vehicle::REALTIME_UNDEFINED,
                            std::string("SUBARU_HITACHI_DTC_PARSER")));
  EXPECT_TRUE(info.IsRomCrcValid(10));
  EXPECT_FALSE(info.IsRomCrcValid(11));
  EXPECT_EQ(std::make_tuple(info.GetFirmwareId().id, info.GetFirmwareId().offset),
            std::make_tuple(std::string("FW01"), 0x100u));
  EXPECT_STREQ(info.GetDTCParserParams().Attribute("dtc_count"), "3");
  ASSERT_NE(info.GetDTCParserParams().FirstChildElement("x"), nullptr);

  // A feature version without values takes the defaults.
  const auto version = [&info](const char* id) {
    const auto& f = info.GetFeatureVersions().findData(id);
    return std::make_tuple(f.offset, f.version, f.storage, f.endian);
  };
  EXPECT_EQ(version("F1"), std::make_tuple(0x10u, 3, util::data::STORAGE_S16, util::ENDIAN_LITTLE));
  EXPECT_EQ(version("F2"),
            std::make_tuple(0xFFFFFFFFu, -1, util::data::STORAGE_S8, util::ENDIAN_BIG));
  EXPECT_EQ(info.GetFeatureToggles().findData("T1").offset, 0x20u);
  EXPECT_EQ(info.GetFeatureAdjustments().findData("A1").table_id, "TBL");
  EXPECT_EQ(std::make_tuple(info.GetLiveromInfo().offset, info.GetLiveromInfo().endian),
            std::make_tuple(0x400, util::ENDIAN_BIG));
}

TEST(RomInfoTest, LaterDocumentsOverwriteScalarsButNotFeatures) {
  RomInfo info;
  ReadInto(info, R"(<v><rominfo cpu="hc16" realtime="supported" fw_id="X" offset="7">
      <feature_toggles><feature id="T" offset="1"/></feature_toggles></rominfo></v>)");
  EXPECT_EQ(info.GetFirmwareId().offset, 7u);  // "offset" of the rominfo element itself
  ReadInto(info, R"(<v><rominfo cpu="mpc" realtime="sometimes">
      <feature_toggles><feature id="T" offset="2"/></feature_toggles></rominfo></v>)");
  EXPECT_EQ(info.GetCPU(), vehicle::CPU_MPC);
  EXPECT_EQ(info.GetRealtimeSupport(), vehicle::REALTIME_INVALID);
  EXPECT_EQ(info.GetFeatureToggles().findData("T").offset, 1u);
  ReadInto(info, R"(<v><rominfo/></v>)");
  EXPECT_EQ(info.GetRealtimeSupport(), vehicle::REALTIME_UNDEFINED);  // absent: undefined
  EXPECT_EQ(info.GetCPU(), vehicle::CPU_MPC);
}

TEST(RomInfoTest, ValidationCodes) {
  struct Case {
    const char* xml;
    vehicle::validate_codes_t code;
  } cases[] = {
      {"<v><rominfo/></v>", RomInfo::CODE_NO_CPU},
      {"<v><nothing/></v>", RomInfo::CODE_NO_CPU},
      {R"(<v><rominfo cpu="mpc"><feature_versions><feature id="F"/></feature_versions></rominfo></v>)",
       RomInfo::CODE_FEATURE_WITHOUT_OFFSET},
      {R"(<v><rominfo cpu="mpc"><dtc_parser_params id="NO_SUCH_PARSER"/></rominfo></v>)",
       RomInfo::CODE_UNKNOWN_DTC_PARSER},
      {R"(<v><rominfo cpu="mpc"><dtc_parser_params id="SUBARU_HITACHI_DTC_PARSER"/></rominfo></v>)",
       RomInfo::CODE_BAD_DTC_PARSER_PARAMS},
      {R"(<v><rominfo cpu="mpc"/></v>)", 0},
  };
  for (const Case& c : cases) {
    RomInfo info;
    ReadInto(info, c.xml);
    EXPECT_EQ(info.Validate(), c.code) << c.xml;
  }
}

// Builds a live ROM information block: header at `at`, table at `table`.
std::vector<uint8_t> LiveRom(uint32_t version, uint32_t count, uint32_t table) {
  std::vector<uint8_t> rom(256, 0);
  auto put = [&rom](std::size_t at, uint32_t word) {
    for (int i = 0; i < 4; ++i)
      rom[at + i] = static_cast<uint8_t>(word >> (8 * i));
  };
  put(0, version);
  put(8, count);
  put(12, table | 0xF0000000);  // the top four bits are not part of the position
  // Block 0: feature 5, 4 bytes at 0x80. Block 1: feature 5 again at 0x90.
  // Block 2: feature 6, out of the image.
  put(table, 5), rom[table + 6] = 4, put(table + 8, 0x80);
  put(table + 12, 5), rom[table + 18] = 4, put(table + 20, 0x90);
  put(table + 24, 6), rom[table + 30] = 4, put(table + 32, 0x1000);
  put(0x80, 0xAABBCCDD);
  put(0x90, 0x11223344);
  return rom;
}

TEST(LiveRomInfoTest, LaterBlocksOverwriteAndMisfitsAndBadHeadersAreSkipped) {
  vehicle::LiveRomInfo live;
  live.Parse(0, LiveRom(1, 3, 0x40));
  ASSERT_EQ(live.GetFeatures().size(), 1u);
  EXPECT_EQ(live.GetFeatures().begin()->second, 0x11223344u);

  // Bad headers leave nothing.
  live = vehicle::LiveRomInfo();
  live.Parse(0, LiveRom(2, 3, 0x40));  // wrong format version
  live.Parse(0xFFFFFFFF, LiveRom(1, 3, 0x40));
  live.Parse(250, LiveRom(1, 3, 0x40));         // header does not fit
  live.Parse(0, LiveRom(1, 0x20000000, 0x40));  // table does not fit; no wrap
  EXPECT_TRUE(live.GetFeatures().empty());
}

}  // namespace
