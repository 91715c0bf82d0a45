// Imports the hand-written RomRaider and EcuFlash fixtures (three ROMs deep,
// across files) and reads a byte image made for them through the imported
// definition: every value must be the one the source format defines.
#include "import/Importer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "../bench/ScratchFolder.h"
#include "../vehicle/data/LoadVehicle.h"
#include "vehicle/data/TableData.h"
#include "vehicle/data/VehicleData.h"
#include "vehicle/definition/Axis.h"
#include "vehicle/definition/RomInfo.h"
#include "vehicle/definition/Table.h"
#include "vehicle/definition/XMLToggle.h"
#include "vehicle/loading/Vehicle.h"

namespace {

namespace fs = std::filesystem;

std::string Fixture(const std::string& name) {
  return std::string(ECUCAL_TEST_DATA_DIR) + "/import/" + name;
}

class ImporterTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(scratch_.empty()); }

  ::import::ImportStatus Import(const std::vector<std::string>& files, const std::string& rom,
                                const std::string& cpu = "") {
    import::ImportOptions options;
    options.files = files;
    options.rom = rom;
    options.output_folder = (scratch_ / "out").string();
    options.cpu = cpu;
    error_.clear();
    return import::Importer().Run(options, result_, error_);
  }

  // The written definition, loaded and validated as any caller would.
  std::shared_ptr<vehicle::Vehicle> Load() {
    return test_support::LoadVehicle(result_.documents.at(0));
  }

  std::string Write(const std::string& name, const std::string& text) {
    const fs::path path = scratch_ / name;
    std::ofstream(path) << text;
    return path.string();
  }

  bool HasIssue(const std::string& item, const std::string& words) const {
    for (const import::Issue& issue : result_.issues) {
      if (issue.item == item && issue.reason.find(words) != std::string::npos)
        return true;
    }
    return false;
  }

  const bench_test::ScratchFolder folder_;
  const fs::path scratch_ = folder_.Path();
  ::import::ImportResult result_;
  std::string error_;
};

// ---- the byte image ----

void Put(std::vector<uint8_t>& image, uint32_t at, const std::vector<uint8_t>& bytes) {
  std::copy(bytes.begin(), bytes.end(), image.begin() + at);
}

std::vector<uint8_t> Float(float value, bool big) {
  uint8_t b[4];
  std::memcpy(b, &value, 4);  // the host is little-endian
  return big ? std::vector<uint8_t>{b[3], b[2], b[1], b[0]}
             : std::vector<uint8_t>{b[0], b[1], b[2], b[3]};
}

struct Cell {
  const char* table;
  vehicle::axis_types_t role;
  uint32_t x, y;
  double value;  // as the source format defines it
};

// Reads every cell through a ROM instance built on the imported definition,
// as the editor would, and compares it with the source format's value.
void ExpectCells(const std::shared_ptr<vehicle::Vehicle>& v, const std::vector<uint8_t>& image,
                 const std::vector<Cell>& cells) {
  vehicle::VehicleData rom(v);
  ASSERT_NE(rom.BuildVehicle(image, image, false), vehicle::VehicleData::BUILD_FAILED);
  for (const Cell& c : cells) {
    SCOPED_TRACE(std::string(c.table) + " axis " + std::to_string(c.role) + " at " +
                 std::to_string(c.x) + "," + std::to_string(c.y));
    const auto table = rom.GetTable(c.table);
    ASSERT_NE(table, nullptr);
    const double value = table->GetDouble(c.role, 0, static_cast<int>(c.x), static_cast<int>(c.y));
    EXPECT_NEAR(value, c.value, 1e-9 * (1 + std::fabs(c.value)));
  }
  std::vector<uint8_t> saved(image);
  ASSERT_TRUE(rom.SaveVehicle(saved));
  EXPECT_TRUE(saved == image);
}

void ExpectToggle(const vehicle::Vehicle& v, const std::string& id, uint32_t offset,
                  std::vector<uint8_t> enabled, std::vector<uint8_t> disabled,
                  std::vector<uint8_t> mask) {
  SCOPED_TRACE(id);
  ASSERT_TRUE(v.GetXMLToggles().dataExists(id));
  const auto& segments = v.GetXMLToggles().findData(id)->GetToggleStateDefinitionSegments();
  ASSERT_EQ(segments.size(), 1u);
  EXPECT_EQ(segments[0].rom_offset, offset);
  EXPECT_EQ(segments[0].enabled_values, enabled);
  EXPECT_EQ(segments[0].disabled_values, disabled);
  EXPECT_EQ(segments[0].mask_values, mask);
}

double Afr(double raw) {
  return 14.7 / (1 + raw * 0.0078125);
}

TEST_F(ImporterTest, RomRaiderChainReadsTheSameValues) {
  ASSERT_EQ(Import({Fixture("romraider/base.xml"), Fixture("romraider/leaf.xml")}, "rr_leaf"),
            import::ImportStatus::kOk)
      << error_ << result_.load_messages;
  EXPECT_EQ(result_.chain, (std::vector<std::string>{"RR_BASE", "RR_MID", "RR_LEAF"}));
  const auto v = Load();

  std::vector<uint8_t> image(0x10000);
  Put(image, 0x1000, {100, 110, 120, 130, 140, 150});                    // Fuel Map, y fastest
  Put(image, 0x1100, {0x10, 0x00, 0x20, 0x00, 0x30, 0x00});              // uint16 big
  Put(image, 0x1110, {0x38, 0xFF, 0x20, 0x03});                          // int16 little: -200, 800
  Put(image, 0x1200, {0xFC, 0x00, 0x14, 0x28});                          // int8: -4, 0, 20, 40
  Put(image, 0x1210, {0x00, 0x00, 0x03, 0xE8, 0xEE, 0x6B, 0x28, 0x00});  // uint32 big
  Put(image, 0x1300, {0x6A, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0xFA, 0, 0, 0});  // int32 little
  for (int i = 0; i < 3; ++i)
    Put(image, 0x1320 + 4 * i, Float(std::vector<float>{1.5f, 2.25f, -3.0f}[i], true));
  Put(image, 0x1400, {0xD0, 0x07});        // uint16 little 2000
  Put(image, 0x1410, Float(12.5f, true));  // "little" float, read big-endian

  using vehicle::AXIS_X, vehicle::AXIS_Y, vehicle::AXIS_Z;
  ExpectCells(v, image,
              {{"Fuel Map", AXIS_Z, 0, 0, Afr(100)},
               {"Fuel Map", AXIS_Z, 0, 1, Afr(110)},
               {"Fuel Map", AXIS_Z, 1, 0, Afr(120)},
               {"Fuel Map", AXIS_X, 2, 0, 0.75},
               {"Fuel Map", AXIS_Y, 0, 0, -1250},
               {"Fuel Map", AXIS_Y, 0, 1, 5000},
               {"Timing", AXIS_Z, 0, 0, -12},  // refined scaling of RR_MID: x*0.5-10
               {"Timing", AXIS_Z, 1, 1, 10},
               {"Timing", AXIS_Y, 0, 1, 4000000000.0},
               {"Boost Target", AXIS_Z, 0, 0, -1.5},
               {"Boost Target", AXIS_Y, 0, 1, std::pow(2, 2.25)},
               {"Boost Target", AXIS_Y, 0, 2, 0.125},
               {"Injector Scale", AXIS_Z, 0, 0, 500},
               {"Legacy Float", AXIS_Z, 0, 0, 12.5}});

  EXPECT_EQ(v->GetTables().findData("Timing")->GetAxis(AXIS_X)->GetLabels(),
            (std::vector<std::string>{"Low", "High"}));
  EXPECT_EQ(v->GetTables().findData("Boost Target")->GetTableType(), vehicle::TABLE_2D);
  EXPECT_TRUE(v->GetTables().findData("Fuel Map")->GetGroups().dataExists("Fuel"));
  EXPECT_FALSE(v->GetTables().dataExists("Dropped Later"));

  ExpectToggle(*v, "Cat Monitor", 0x1500, {1, 2}, {0, 0}, {});
  ExpectToggle(*v, "Options: Launch", 0x1511, {0x08}, {0}, {0x08});
  ExpectToggle(*v, "Options: Flat Shift", 0x1510, {0x02}, {0}, {0x02});

  const auto& info = v->GetRomInfo();
  EXPECT_EQ(std::make_tuple(info.GetCPU(), info.GetRomName(), info.GetFirmwareId().offset),
            std::make_tuple(vehicle::CPU_SH7058, std::string("LEAF1234"), 0x2000u));

  EXPECT_TRUE(HasIssue("table \"No Address\"", "has no address"));
  EXPECT_TRUE(HasIssue("table \"Instruction Constant\"", "\"movi20\""));
  EXPECT_TRUE(HasIssue("table \"Bad Expression\"", "rejected by the expression parser"));
  EXPECT_TRUE(HasIssue("romid", "make, market, model, year"));
}

TEST_F(ImporterTest, EcuFlashChainReadsTheSameValues) {
  ASSERT_EQ(Import({Fixture("ecuflash/leaf.xml"), Fixture("ecuflash/mid.xml"),
                    Fixture("ecuflash/base.xml")},
                   "EF_LEAF"),
            import::ImportStatus::kOk)
      << error_ << result_.load_messages;
  EXPECT_EQ(result_.chain, (std::vector<std::string>{"EF_BASE", "EF_MID", "EF_LEAF"}));
  const auto v = Load();

  std::vector<uint8_t> image(0x10000);
  Put(image, 0x2000, {100, 110, 120, 130, 140, 150});        // Fuel, y fastest
  Put(image, 0x2100, {0xC4, 0x09, 0x88, 0x13, 0x4C, 0x1D});  // uint16 little 2500..7500
  Put(image, 0x2110, {0xFF, 0x06, 0x05, 0xDC});              // int16 big: -250, 1500
  Put(image, 0x2200, {0xF8, 0x04, 0x10, 0x64});              // int8: -8, 4, 16, 100
  Put(image, 0x2210, {7, 0, 0, 0, 0x15, 0xCD, 0x5B, 0x07});  // uint32 little 7, 123456789
  Put(image, 0x2300, {0xFF, 0xFF, 0xFF, 0x00, 0, 0, 2, 0, 0, 1, 0, 0});  // int32 big
  for (int i = 0; i < 3; ++i)
    Put(image, 0x2320 + 4 * i, Float(std::vector<float>{0.5f, 1.25f, 4.75f}[i], false));
  Put(image, 0x2400, {0xE8, 0x03});  // uint16 little 1000
  Put(image, 0x2410, {30});          // 30 * 30 / 10
  Put(image, 0x2420, {0, 100, 0, 120, 0, 140});

  using vehicle::AXIS_X, vehicle::AXIS_Y, vehicle::AXIS_Z;
  ExpectCells(v, image,
              {{"Fuel", AXIS_Z, 0, 0, 1881.6 / 100},
               {"Fuel", AXIS_Z, 0, 1, 1881.6 / 110},
               {"Fuel", AXIS_Z, 1, 0, 1881.6 / 120},
               {"Fuel", AXIS_X, 2, 0, 75},
               {"Fuel", AXIS_Y, 0, 0, -1000},
               {"Fuel", AXIS_Y, 0, 1, 6000},
               {"Spark", AXIS_Z, 0, 0, -2},  // refined scaling of EF_MID: x/4
               {"Spark", AXIS_Z, 1, 1, 25},
               {"Spark", AXIS_Y, 0, 1, 123456789},
               {"MAF", AXIS_Z, 0, 0, -1},
               {"MAF", AXIS_Z, 0, 2, 256},
               {"MAF", AXIS_Y, 0, 2, 4.75},
               {"Rev Limit", AXIS_Z, 0, 0, 7500},
               {"Curve", AXIS_Z, 0, 0, 90},
               {"Gear Limits", AXIS_Z, 0, 2, 140}});

  EXPECT_EQ(v->GetTables().findData("Gear Limits")->GetAxis(AXIS_Y)->GetLabels(),
            (std::vector<std::string>{"1st", "2nd", "3rd"}));
  EXPECT_EQ(v->GetTables().findData("Spark")->GetAxis(AXIS_X)->GetLabels(),
            (std::vector<std::string>{"Cold", "Warm"}));
  ExpectToggle(*v, "Launch", 0x2500, {1, 2}, {0, 0}, {});
  EXPECT_EQ(v->GetRomInfo().GetRomName(), "22490005");

  EXPECT_TRUE(HasIssue("table \"Broken Reference\"", "\"NoSuchScaling\" is defined in none"));
  EXPECT_TRUE(HasIssue("romid", "internalidhex"));
  EXPECT_TRUE(HasIssue("romid", "flashmethod"));
}

TEST_F(ImporterTest, ItemsCarriedOverInPartOrNotAtAllAreNamed) {
  const std::string file = Write("items.xml", R"(<roms><rom><romid><xmlid>I</xmlid>
    <memmodel>SH7058</memmodel><filesize>16kb</filesize></romid>
    <table type="Switch" name="Named" storageaddress="100">
      <state name="Stock" data="00"/><state name="Modified" data="FF"/></table>
    <table type="Switch" name="Three" storageaddress="104">
      <state name="Half" data="80"/><state name="Off" data="00"/><state name="On" data="01"/></table>
    <table type="Switch" name="Uneven" storageaddress="108">
      <state name="on" data="01 01"/><state name="off" data="00"/></table>
    <table type="Switch" name="At Zero" storageaddress="0">
      <state name="on" data="01"/><state name="off" data="00"/></table>
    <table type="BitwiseSwitch" name="Bits" storageaddress="110" sizey="1">
      <bit name="Far" position="8"/></table>
    <table type="3D" name="Short Labels" storagetype="uint8" storageaddress="200" sizex="1"
           sizey="3" flipx="true">
      <scaling name="A" units="a" expression="x"/><scaling name="B" units="b" expression="x*2"/>
      <table type="Static Y Axis" name="Y"><data>one</data><data>two</data></table></table>
    <table type="2D" name="No Axis" storagetype="uint8" storageaddress="300" sizey="2"/>
    <table type="1D" name="Beyond" storagetype="uint32" storageaddress="3FFE"/>
    </rom></roms>)");
  ASSERT_EQ(Import({file}, "I"), import::ImportStatus::kOk) << error_;
  const struct {
    const char* item;
    const char* words;
  } expected[] = {
      {"table \"Named\"", "\"Stock\" is taken as enabled"},
      {"table \"Three\"", "states \"Half\" are not carried over"},
      {"table \"Uneven\"", "different lengths"},
      {"table \"At Zero\"", "ROM offset 0"},
      {"table \"Bits\"", "lies outside its 1-byte value"},
      {"table \"Short Labels\"", "2 labels for 3 values"},
      {"table \"Short Labels\"", "has no X axis; its positions are numbered"},
      {"table \"Short Labels\"", "flipped display order"},
      {"table \"Short Labels\"", "further scalings (units \"b\")"},
      {"table \"No Axis\"", "imported as a list"},
      {"table \"Beyond\"", "run past the end of the 16384-byte ROM"},
      {"romid", "filesize: kept as a comment"},
  };
  for (const auto& e : expected)
    EXPECT_TRUE(HasIssue(e.item, e.words)) << e.item << ": " << e.words;
  EXPECT_EQ(result_.issues.size(), std::size(expected));

  const auto v = Load();
  ExpectToggle(*v, "Named", 0x100, {0x00}, {0xFF}, {});
  ExpectToggle(*v, "Three", 0x104, {0x01}, {0x00}, {});
  EXPECT_EQ(v->GetTables().findData("Short Labels")->GetAxis(vehicle::AXIS_Y)->GetLabels(),
            (std::vector<std::string>{"one", "two", "3"}));
  EXPECT_EQ(v->GetTables().findData("No Axis")->GetTableType(), vehicle::TABLE_DATA);
}

TEST_F(ImporterTest, Hc16AddressesAboveTheGapReadTheSameRomBytes) {
  const std::string file = Write("hc16.xml", R"(<roms><rom><romid><xmlid>H</xmlid>
    <memmodel>68HC16Y5</memmodel></romid>
    <table type="1D" name="High" storagetype="uint8" storageaddress="0x30000">
      <scaling units="-" expression="x" to_byte="x"/></table>
    <table type="1D" name="Low" storagetype="uint8" storageaddress="0x1000">
      <scaling units="-" expression="x" to_byte="x"/></table></rom></roms>)");
  ASSERT_EQ(Import({file}, "H"), import::ImportStatus::kOk) << error_;
  EXPECT_EQ(result_.cpu, "hc16");
  const auto v = Load();
  // After the processor's translation the values sit where the source put them.
  auto offset = [&v](const char* id) {
    return v->GetTables().findData(id)->GetAxis(vehicle::AXIS_Z)->GetRomOffsets().at(0);
  };
  EXPECT_EQ(std::make_pair(offset("High"), offset("Low")), std::make_pair(0x30000u, 0x1000u));
}

TEST_F(ImporterTest, BadInputIsRefusedWithAReason) {
  const struct {
    const char* name;
    const char* text;
    const char* rom;
    import::ImportStatus status;
    const char* words;  // null: the error names the file
  } cases[] = {
      {"malformed", "<roms><rom><romid>", "A", import::ImportStatus::kBadInput, nullptr},
      {"foreign", "<definition/>", "A", import::ImportStatus::kBadInput, "neither"},
      {"cycle",
       "<roms><rom base='B'><romid><xmlid>A</xmlid></romid></rom>"
       "<rom base='A'><romid><xmlid>B</xmlid></romid></rom></roms>",
       "A", import::ImportStatus::kBadInput, "loops: A -> B -> A"},
      {"orphan", "<rom><romid><xmlid>A</xmlid></romid><include>GONE</include></rom>", "A",
       import::ImportStatus::kBadInput, "\"GONE\", which none of the given files defines"},
      {"absurd",
       "<roms><rom><romid><xmlid>A</xmlid><memmodel>SH7058</memmodel></romid>"
       "<table type='3D' name='T' sizex='99999999' sizey='2'/></rom></roms>",
       "A", import::ImportStatus::kBadInput, "not a plausible table size"},
      {"absent", "<roms><rom><romid><xmlid>A</xmlid></romid></rom></roms>", "Z",
       import::ImportStatus::kBadRequest, "no ROM \"Z\""},
      {"cpu", "<roms><rom><romid><xmlid>A</xmlid><memmodel>M32R</memmodel></romid></rom></roms>",
       "A", import::ImportStatus::kBadRequest, "\"M32R\" is no processor"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string file = Write(std::string(c.name) + ".xml", c.text);
    EXPECT_EQ(Import({file}, c.rom), c.status);
    EXPECT_NE(error_.find(c.words ? c.words : file), std::string::npos) << error_;
    EXPECT_FALSE(fs::exists(scratch_ / "out"));
  }
  // A processor named by the caller stands in for an unknown memory model.
  EXPECT_EQ(Import({(scratch_ / "cpu.xml").string()}, "A", "sh7058"), import::ImportStatus::kOk)
      << error_;

  // A source named like the top document, in the output folder, stays as it is.
  const std::string text = "<rom><romid><xmlid>A</xmlid><memmodel>SH7058</memmodel></romid></rom>";
  fs::create_directories(scratch_ / "out");
  const std::string source = Write("out/A.xml", text);
  EXPECT_EQ(Import({source}, "A"), import::ImportStatus::kBadRequest);
  EXPECT_NE(error_.find("would write over its input"), std::string::npos) << error_;
  std::ifstream kept(source);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), text);
}

}  // namespace
