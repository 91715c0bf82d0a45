// End-to-end tests of the ecucal command: the built binary runs on copies of
// the shared vehicle definition (and broken variants of it) in a scratch
// folder, and its output, JSON and exit status are checked.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "CommandTestSupport.h"

namespace {

namespace fs = std::filesystem;
using namespace command_test;
using nlohmann::json;

class EcucalCommandTest : public CommandTest {
 protected:
  void SetUp() override {
    CommandTest::SetUp();
    definition_ = (scratch_ / "vehicle" / "kestrel.xml").string();
  }

  // Adds a document of `body` to the definition through an include in the
  // top document.
  void AddDocument(const std::string& name, const std::string& body) const {
    WriteAll(scratch_ / "vehicle" / "defs" / name,
             "<?xml version=\"1.0\"?>\n<vehicledef version=\"1.1\">\n" + body + "</vehicledef>\n");
    std::string top = ReadAll(definition_);
    top.insert(top.rfind("</vehicledef>"), "  <include>defs/" + name + "</include>\n");
    WriteAll(definition_, top);
  }

  std::string definition_;
};

TEST_F(EcucalCommandTest, CheckReportsTheSharedFixtureValidWithCountsPerClass) {
  const Result text = Run({"check", definition_});
  EXPECT_EQ(text.status, 0) << text.err;
  EXPECT_TRUE(Contains(text.out, "Valid.") && Contains(text.out, "FNC_KESTREL_20T_US_19"));
  EXPECT_EQ(text.err, "");

  const Result result = Run({"check", definition_, "--json"});
  ASSERT_EQ(result.status, 0) << result.err;
  const json doc = result.Json();
  EXPECT_EQ(json({doc["valid"], doc["source"], doc["invalid"].size()}), json({true, "xml", 0}));
  for (const auto& [key, valid] : std::vector<std::pair<const char*, int>>{
           {"data_types", 31}, {"groups", 8}, {"tables", 20}, {"toggles", 4}, {"monitors", 11}}) {
    EXPECT_EQ(doc["counts"][key], json({{"valid", valid}, {"invalid", 0}})) << key;
  }
  // Engine speed and load axes are written in several tables but stored once.
  EXPECT_LT(doc["counts"]["axes"]["valid"].get<int>(), 43);
}

TEST_F(EcucalCommandTest, CheckNamesEveryInvalidObjectWithItsCode) {
  AddDocument("broken.xml", R"(
  <datatype id="DT_NO_UNIT" endian="big" storage="8"><conv type="direct"/></datatype>
  <group id="Untyped"/>
  <table id="Orphan Table">
    <axis id="Orphan" type="z" datatype="DT_RPM" count="1" rom_offset="0x10B00"/>
  </table>
  <table id="Bad Axis Table" group="Fuel">
    <axis id="Bad Axis" type="z" datatype="DT_MISSING" count="1" rom_offset="0x10B10"/>
  </table>
  <table id="Wrong Slave" group="Fuel" master_table="Fuel Map A">
    <axis id="Engine Speed" type="x" datatype="DT_RPM" count="16" rom_offset="0x10000"/>
    <axis id="Wrong Slave" type="z" datatype="DT_AFR" rom_offset="0x10C00"/>
  </table>
  <toggle id="Zero Offset" type="toggle">
    <toggle_pair rom_offset="0" enabled_values="1" disabled_values="0"/>
  </toggle>
  <monitor id="No Protocol" datatype="DT_MON_RPM" display_min="0" display_max="1"
           target="ecu" address="0x10"/>
  <monitor id="Loop A" datatype="DT_MON_BOOST_PSI" display_min="0" display_max="1">
    <input>Loop B</input>
  </monitor>
  <monitor id="Loop B" datatype="DT_MON_BOOST_PSI" display_min="0" display_max="1">
    <input>Loop A</input>
  </monitor>
  <copy_group id="Lonely">
    <copy_group id="Only"><copyable alias="a" table_id="Fuel Map A"/></copy_group>
  </copy_group>
)");
  const Result result = Run({"check", definition_, "--json"});
  ASSERT_EQ(result.status, 1) << result.err;
  const json doc = result.Json();
  EXPECT_FALSE(doc["valid"].get<bool>());
  const struct {
    const char* object_class;
    const char* id;
    int code;
    const char* name;
  } expected[] = {
      {"DataType", "DT_NO_UNIT", 7, "INVALID_UNIT"},
      {"Axis", "Bad Axis", 19, "INVALID_DATA_TYPE"},
      {"Group", "Untyped", 15, "INVALID_GROUP_TYPE"},
      {"Table", "Bad Axis Table", 20, "INVALID_AXIS"},
      {"Table", "Orphan Table", 21, "INVALID_GROUPS"},
      {"Table", "Wrong Slave", 27, "INVALID_SLAVE_TABLE"},
      {"XMLToggle", "Zero Offset", 35, "INVALID_TOGGLE_OFFSET"},
      {"CopyGroup", "Lonely", 26, "INVALID_COPY_GROUP"},
      {"Monitor", "Loop A", 39, "CYCLIC_MONITOR_INPUTS"},
      {"Monitor", "Loop B", 39, "CYCLIC_MONITOR_INPUTS"},
      {"Monitor", "No Protocol", 5, "INVALID_PROTOCOL"},
  };
  ASSERT_EQ(doc["invalid"].size(), std::size(expected)) << doc["invalid"].dump(1);
  for (size_t i = 0; i < std::size(expected); ++i) {
    json entry = doc["invalid"][i];
    EXPECT_FALSE(entry["meaning"].get<std::string>().empty()) << i;
    entry.erase("meaning");
    entry.erase("where");
    EXPECT_EQ(entry, json({{"class", expected[i].object_class},
                           {"id", expected[i].id},
                           {"code", expected[i].code},
                           {"name", expected[i].name}}));
  }
  EXPECT_EQ(doc["counts"]["tables"]["invalid"], 3);
  EXPECT_EQ(doc["counts"]["monitors"]["invalid"], 3);

  const Result text = Run({"check", definition_});
  EXPECT_EQ(text.status, 1);
  EXPECT_TRUE(Contains(text.out, "INVALID_SLAVE_TABLE")) << text.out;
  EXPECT_TRUE(Contains(text.out, "in Bad Axis Table (z)")) << text.out;

  // A cache keeps the invalid data types, groups, toggles and monitors aside;
  // read back from it the definition is still invalid and names them.
  ASSERT_EQ(Run({"cache", definition_}).status, 0);
  const json cached = Run({"check", definition_, "--json"}).Json();
  EXPECT_EQ(cached["source"], "cache");
  EXPECT_FALSE(cached["valid"].get<bool>());
  EXPECT_EQ(cached["counts"]["monitors"]["invalid"], 3);
}

TEST_F(EcucalCommandTest, CorruptCacheIsOneClearLineAndNoCacheStillReadsTheXml) {
  for (const std::string& bytes :
       {std::string("not an archive at all"),
        std::string("\x16\x00\x00\x00\x00\x00\x00\x00serialization::archive", 30), std::string()}) {
    WriteAll(definition_ + ".svx", bytes);
    const Result result = Run({"check", definition_});
    EXPECT_EQ(result.status, 2) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_TRUE(Contains(result.err, "corrupt")) << result.err;
    EXPECT_TRUE(Contains(result.err, "ecucal cache " + definition_)) << result.err;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    EXPECT_EQ(Run({"check", definition_, "--no-cache"}).status, 0);
  }
}

TEST_F(EcucalCommandTest, ProgressGoesToATerminalOnly) {
  // A pipe gets no progress (the valid check above expects an empty stderr);
  // a terminal, made here with script(1), sees each step and then a clean line.
  if (std::system("command -v script >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "no script(1)";
  const std::string inner = Quote(ECUCAL_CLI_PATH) + " check " + Quote(definition_);
  const fs::path log = scratch_ / "terminal.txt";
  const int raw = std::system(
      ("script -qec " + Quote(inner) + " /dev/null >" + Quote(log.string()) + " 2>&1 </dev/null")
          .c_str());
  ASSERT_TRUE(WIFEXITED(raw));
  EXPECT_EQ(WEXITSTATUS(raw), 0);
  const std::string seen = ReadAll(log);
  for (const std::string& part :
       {"ecucal: reading " + definition_, std::string("ecucal: validating"),
        std::string("\r\033[K"), std::string("Valid.")})
    EXPECT_TRUE(Contains(seen, part)) << part << "\n" << seen;
}

TEST_F(EcucalCommandTest, InfoGivesTheRomInformation) {
  const Result result = Run({"info", definition_, "--json"});
  ASSERT_EQ(result.status, 0) << result.err;
  const json doc = result.Json();
  const json& rom = doc["rom"];
  EXPECT_EQ(json({doc["vehicle_id"], doc["stock_rom_name"], doc["version"], doc["bundle_ids"],
                  rom["cpu"], rom["dtc_parser"], rom["firmware_id"]["offset"],
                  rom["has_realtime_tables"], doc["counts"]["tables"]["valid"]}),
            json({"FNC_KESTREL_20T_US_19", "KSTRL20T_US_A1", 1.1,
                  json::array({"FNC_KESTREL_20T_CA_19", "FNC_KESTREL_20T_MX_19"}), "sh7058",
                  "SUBARU_HITACHI_DTC_PARSER", 0x2000, true, 20}));
  EXPECT_TRUE(Contains(Run({"info", definition_}).out, "KSTRL20T_US_A1"));
}

TEST_F(EcucalCommandTest, TablesListTypeShapeReadTypeGroupsAndMaster) {
  const Result result = Run({"tables", definition_, "--json"});
  ASSERT_EQ(result.status, 0) << result.err;
  const json tables = result.Json()["tables"];
  ASSERT_EQ(tables.size(), 20u);
  auto find = [&tables](const std::string& id) {
    auto found =
        std::find_if(tables.begin(), tables.end(), [&id](const json& t) { return t["id"] == id; });
    return found == tables.end() ? json() : *found;
  };
  const struct {
    const char* id;
    const char* type;
    std::vector<int> shape;
    const char* read_type;
    const char* group;
    const char* master;
  } expected[] = {
      {"Base Timing Bank 2", "3d", {16, 16, 1}, "base", "Ignition", "Base Timing"},
      {"Fuel Trim Limits", "data", {2, 1, 1}, "base", "Fuel", nullptr},
      {"Idle Speed Live Trim", "data", {1, 1, 1}, "real", "Idle", nullptr},
      {"Launch Boost by Gear", "2d", {5, 1, 1}, "base", "Boost", nullptr},
      {"Wastegate Duty", "4d", {8, 6, 3}, "base", "Boost", nullptr},
  };
  for (const auto& e : expected) {
    const json table = find(e.id);
    EXPECT_EQ(table["type"], e.type) << e.id;
    EXPECT_EQ(table["shape"], json(e.shape)) << e.id;
    EXPECT_EQ(table["read_type"], e.read_type) << e.id;
    EXPECT_EQ(table["groups"], json({e.group})) << e.id;
    EXPECT_EQ(table["master"], e.master ? json(e.master) : json()) << e.id;
  }
  // The engine speed axis of the fuel maps is one shared object.
  const json fuel = find("Fuel Map A");
  for (const json& axis : fuel["axes"]) {
    if (axis["role"] == "x" || axis["role"] == "z") {
      EXPECT_EQ(axis["shared"], axis["role"] == "x");
    }
  }

  const Result boost = Run({"tables", definition_, "--group", "Boost", "--json"});
  ASSERT_EQ(boost.status, 0) << boost.err;
  json boost_tables = boost.Json()["tables"];
  EXPECT_EQ(json({boost_tables.size(), boost_tables[0]["id"], boost_tables[1]["id"]}),
            json({2, "Launch Boost by Gear", "Wastegate Duty"}));
  EXPECT_TRUE(
      Contains(Run({"tables", definition_, "--group", "Boost"}).out, "2 tables in group Boost"));
}

TEST_F(EcucalCommandTest, MonitorDecodesPlainAndCompoundReplies) {
  const struct {
    std::vector<std::string> args;
    const char* text;  // value in its display format
    double value;
  } cases[] = {
      {{"Engine Speed", "2EE0"}, "3000", 3000.0},          // 12000 * 0.25
      {{"Coolant Temp", "0x73"}, "75", 75.0},              // 115 - 40
      {{"Intake Air Temp", "00:00:C8:41"}, "25.0", 25.0},  // little-endian float
      {{"Boost", "2A3F", "65"}, "1.04", (108.15 - 101.0) * 0.145038},
      {{"Engine Power", "0FA0", "2EE0"}, "125.7", 400.0 * 3000.0 / 9549.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0]);
    std::vector<std::string> args = {"monitor", definition_};
    args.insert(args.end(), c.args.begin(), c.args.end());
    args.push_back("--json");
    const Result result = Run(args);
    ASSERT_EQ(result.status, 0) << result.err;
    const json doc = result.Json();
    EXPECT_EQ(doc["text"], c.text);
    EXPECT_NEAR(doc["value"].get<double>(), c.value, 1e-3);
    EXPECT_EQ(doc["replies"].size(), c.args.size() - 1);
  }
  const Result text = Run({"monitor", definition_, "Boost", "2A3F", "65"});
  EXPECT_EQ(text.status, 0);
  EXPECT_TRUE(Contains(text.out, "Boost: 1.04 psi")) << text.out;
  EXPECT_TRUE(Contains(text.out, "Barometric Pressure")) << text.out;
}

TEST_F(EcucalCommandTest, CacheWritesBesideTheDefinitionVerifiesAndReplacesACorruptOne) {
  WriteAll(definition_ + ".svx", "garbage");
  const Result written = Run({"cache", definition_, "--verify", "--json"});
  ASSERT_EQ(written.status, 0) << written.err << written.out;
  const json doc = written.Json();
  EXPECT_NE(ReadAll(definition_ + ".svx"), "garbage");
  EXPECT_EQ(json({doc["bytes"] > 0, doc["verified"]}), json({true, true})) << doc.dump(1);
  EXPECT_TRUE(Contains(Run({"cache", definition_}).out, "Wrote " + definition_ + ".svx"));

  // Later loads read the cache first.
  const Result info = Run({"info", definition_, "--json"});
  ASSERT_EQ(info.status, 0) << info.err;
  EXPECT_EQ(json({info.Json()["source"], info.Json()["vehicle_id"]}),
            json({"cache", "FNC_KESTREL_20T_US_19"}));

  fs::remove(definition_ + ".svx");
  fs::create_directory(definition_ + ".svx");  // a folder where the file should go
  const Result blocked = Run({"cache", definition_});
  EXPECT_EQ(blocked.status, 2);
  EXPECT_TRUE(Contains(blocked.err, "cannot write")) << blocked.err;
}

// What the written definition holds is checked by the importer's own tests.
TEST_F(EcucalCommandTest, ImportWritesADefinitionThatReadsBack) {
  const std::string data = std::string(ECUCAL_TEST_DATA_DIR) + "/import/romraider/";
  const std::string out = (scratch_ / "imported").string();
  const std::vector<std::string> args = {
      "import", data + "base.xml", data + "leaf.xml", "--rom", "RR_LEAF", "-o", out};
  std::vector<std::string> json_args = args;
  json_args.push_back("--json");
  const Result result = Run(json_args);
  ASSERT_EQ(result.status, 0) << result.err << result.out;
  const json doc = result.Json();
  EXPECT_EQ(
      json({doc["format"], doc["chain"].size(), doc["counts"]["tables"], doc["counts"]["toggles"],
            doc["valid"], doc["issues"].empty(), doc["top_document"]}),
      json({"RomRaider", 3, 5, 3, true, false, out + "/RR_LEAF.xml"}));

  const Result text = Run(args);
  EXPECT_EQ(text.status, 0) << text.err;
  EXPECT_TRUE(Contains(text.out, "has no address")) << text.out;
  EXPECT_TRUE(Contains(text.out, "Read back: loads and validates.")) << text.out;
}

// Definitions that cannot be read and failed imports exit 2, requests the
// definition cannot answer 3, a misused command line 64; each with nothing on
// stdout.
TEST_F(EcucalCommandTest, BadRequestsExitWithTheirStatusAndTheReasonOnStderr) {
  AddDocument("badmonitor.xml", R"(
  <monitor id="No Module" datatype="DT_MON_RPM" display_min="0" display_max="1"
           protocol="ram" address="0x10"/>
)");
  const std::string data = std::string(ECUCAL_TEST_DATA_DIR) + "/import/romraider/";
  const std::string out = (scratch_ / "imported").string();
  auto file = [this](const char* name, const char* content) {
    WriteAll(scratch_ / name, content);
    return (scratch_ / name).string();
  };
  const std::string malformed = file("malformed.xml", "<vehicledef id=\"X\" version=\"1.1\"><t>");
  const std::string m32r =
      file("m32r.xml",
           "<roms><rom><romid><xmlid>M</xmlid><memmodel>M32R</memmodel></romid></rom></roms>");
  const std::string& def = definition_;
  const struct {
    std::vector<std::string> args;
    int status;
    const char* message;
  } cases[] = {
      {{"check", (scratch_ / "missing.xml").string()}, 2, "cannot load"},
      {{"check", malformed}, 2, "cannot load"},
      {{"info", malformed, "--json"}, 2, "cannot load"},
      {{"tables", malformed, "--json"}, 2, "cannot load"},
      {{"check", file("noroot.xml", "<other/>")}, 2, "vehicledef"},
      {{"check", file("noid.xml", "<vehicledef version=\"1.1\"/>")}, 2, "no id"},
      {{"check", file("version.xml", "<vehicledef id=\"X\" version=\"2.0\"/>")}, 2, "not 1.1"},
      {{"tables", def, "--group", "Exhaust"}, 3, "no group \"Exhaust\""},
      {{"monitor", def, "Nope", "00"}, 3, "no monitor \"Nope\""},
      {{"monitor", def, "Boost", "2A3F"}, 3, "takes 2 replies"},
      {{"monitor", def, "Engine Speed", "2EE0", "00"}, 3, "takes 1 reply"},
      {{"monitor", def, "Engine Speed", "2EE"}, 3, "whole bytes"},
      {{"monitor", def, "Engine Speed", "ZZZZ"}, 3, "not hexadecimal"},
      {{"monitor", def, "Engine Speed", "2EE000"}, 3, "has 3 bytes"},
      {{"monitor", def, "No Module", "0000"}, 3, "INVALID_MODULE"},
      {{"import", file("broken.xml", "<roms><rom>"), "--rom", "A", "-o", out}, 2, "broken.xml"},
      {{"import", data + "base.xml", "--rom", "NOPE", "-o", out}, 3, "no ROM \"NOPE\""},
      {{"import", m32r, "--rom", "M", "-o", out}, 3, "(--cpu)"},
      {{}, 64, ""},
      {{"frobnicate"}, 64, ""},
      {{"check"}, 64, ""},
      {{"check", def, "--bogus"}, 64, ""},
      {{"monitor", def}, 64, ""},
      {{"import", def, "-o", "x"}, 64, ""},
  };
  for (const auto& c : cases) {
    const Result result = Run(c.args);
    SCOPED_TRACE(c.args.empty() ? "(none)" : c.args[0] + " " + c.message);
    EXPECT_EQ(result.status, c.status);
    EXPECT_EQ(result.out, "");
    EXPECT_FALSE(result.err.empty());
    EXPECT_TRUE(Contains(result.err, c.message)) << result.err;
  }
  EXPECT_FALSE(fs::exists(out));
}

}  // namespace
