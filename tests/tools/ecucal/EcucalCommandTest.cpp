// End-to-end tests of the ecucal command: the built binary runs on copies of
// the shared vehicle definition (and broken variants of it) in a scratch
// folder, and its output, JSON and exit status are checked.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "CommandTestSupport.h"

namespace {

namespace fs = std::filesystem;
using namespace command_test;

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
    const std::string anchor = "</vehicledef>";
    top.insert(top.rfind(anchor), "  <include>defs/" + name + "</include>\n");
    WriteAll(definition_, top);
  }

  std::string definition_;
};

// ---- check ----

TEST_F(EcucalCommandTest, CheckReportsTheSharedFixtureValidWithCountsPerClass) {
  const Result text = Run({"check", definition_});
  EXPECT_EQ(text.status, 0) << text.err;
  EXPECT_NE(text.out.find("Valid."), std::string::npos);
  EXPECT_NE(text.out.find("FNC_KESTREL_20T_US_19"), std::string::npos);
  EXPECT_EQ(text.err, "");

  const Result json = Run({"check", definition_, "--json"});
  ASSERT_EQ(json.status, 0) << json.err;
  const nlohmann::json doc = json.Json();
  EXPECT_TRUE(doc["valid"].get<bool>());
  EXPECT_EQ(doc["source"], "xml");
  EXPECT_TRUE(doc["invalid"].empty());
  const struct {
    const char* key;
    int valid;
  } expected[] = {{"data_types", 31}, {"groups", 8},      {"tables", 20},
                  {"toggles", 4},     {"copy_groups", 1}, {"monitors", 11}};
  for (const auto& e : expected) {
    EXPECT_EQ(doc["counts"][e.key]["valid"], e.valid) << e.key;
    EXPECT_EQ(doc["counts"][e.key]["invalid"], 0) << e.key;
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
  const nlohmann::json doc = result.Json();
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
    const nlohmann::json& entry = doc["invalid"][i];
    EXPECT_EQ(entry["class"], expected[i].object_class) << i;
    EXPECT_EQ(entry["id"], expected[i].id) << i;
    EXPECT_EQ(entry["code"], expected[i].code) << i;
    EXPECT_EQ(entry["name"], expected[i].name) << i;
    EXPECT_FALSE(entry["meaning"].get<std::string>().empty()) << i;
  }
  EXPECT_EQ(doc["counts"]["tables"]["invalid"], 3);
  EXPECT_EQ(doc["counts"]["monitors"]["invalid"], 3);

  const Result text = Run({"check", definition_});
  EXPECT_EQ(text.status, 1);
  EXPECT_NE(text.out.find("INVALID_SLAVE_TABLE"), std::string::npos);
  EXPECT_NE(text.out.find("in Bad Axis Table (z)"), std::string::npos);

  // A cache keeps the invalid data types, groups, toggles and monitors aside;
  // read back from it the definition is still invalid and names them.
  ASSERT_EQ(Run({"cache", definition_}).status, 0);
  const nlohmann::json cached = Run({"check", definition_, "--json"}).Json();
  EXPECT_EQ(cached["source"], "cache");
  EXPECT_FALSE(cached["valid"].get<bool>());
  EXPECT_EQ(cached["counts"]["monitors"]["invalid"], 3);
}

TEST_F(EcucalCommandTest, UnreadableDefinitionsExitTwoWithTheReasonOnStderr) {
  const struct {
    const char* name;
    const char* content;  // null: the file does not exist
    const char* reason;
  } cases[] = {
      {"missing.xml", nullptr, "cannot load"},
      {"malformed.xml", "<vehicledef id=\"X\" version=\"1.1\"><table>", "cannot load"},
      {"noroot.xml", "<other/>", "vehicledef"},
      {"noid.xml", "<vehicledef version=\"1.1\"/>", "no id"},
      {"version.xml", "<vehicledef id=\"X\" version=\"2.0\"/>", "not 1.1"},
  };
  for (const auto& c : cases) {
    const fs::path path = scratch_ / c.name;
    if (c.content != nullptr)
      WriteAll(path, c.content);
    for (const char* verb : {"check", "info", "tables"}) {
      const Result result = Run({verb, path.string(), "--json"});
      EXPECT_EQ(result.status, 2) << c.name << " " << verb;
      EXPECT_EQ(result.out, "") << c.name << " " << verb;
      EXPECT_NE(result.err.find(c.reason), std::string::npos) << c.name << ": " << result.err;
    }
  }
}

TEST_F(EcucalCommandTest, CorruptCacheIsOneClearLineAndNoCacheStillReadsTheXml) {
  const std::vector<std::string> corruptions = {
      "not an archive at all",
      std::string("\x16\x00\x00\x00\x00\x00\x00\x00serialization::archive", 30),
      std::string(),
  };
  for (const std::string& bytes : corruptions) {
    WriteAll(definition_ + ".svx", bytes);
    const Result result = Run({"check", definition_});
    EXPECT_EQ(result.status, 2) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find("corrupt"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("ecucal cache " + definition_), std::string::npos) << result.err;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;

    const Result no_cache = Run({"check", definition_, "--no-cache"});
    EXPECT_EQ(no_cache.status, 0) << no_cache.err;
  }
}

TEST_F(EcucalCommandTest, ProgressGoesToATerminalOnly) {
  // A pipe gets no progress (the valid check above expects an empty stderr);
  // a terminal, made here with script(1), sees each step and then a clean line.
  if (std::system("command -v script >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "no script(1)";
  const std::string inner = Quote(ECUCAL_CLI_PATH) + " check " + Quote(definition_);
  const fs::path log = scratch_ / "terminal.txt";
  const std::string command =
      "script -qec " + Quote(inner) + " /dev/null >" + Quote(log.string()) + " 2>&1 </dev/null";
  const int raw = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(raw));
  EXPECT_EQ(WEXITSTATUS(raw), 0);
  const std::string seen = ReadAll(log);
  EXPECT_NE(seen.find("ecucal: reading " + definition_), std::string::npos) << seen;
  EXPECT_NE(seen.find("ecucal: validating"), std::string::npos) << seen;
  EXPECT_NE(seen.find("\r\033[K"), std::string::npos) << seen;
  EXPECT_NE(seen.find("Valid."), std::string::npos) << seen;
}

// ---- info ----

TEST_F(EcucalCommandTest, InfoGivesTheRomInformation) {
  const Result result = Run({"info", definition_, "--json"});
  ASSERT_EQ(result.status, 0) << result.err;
  const nlohmann::json doc = result.Json();
  EXPECT_EQ(doc["vehicle_id"], "FNC_KESTREL_20T_US_19");
  EXPECT_EQ(doc["stock_rom_name"], "KSTRL20T_US_A1");
  EXPECT_EQ(doc["version"], 1.1);
  EXPECT_EQ(doc["variants"],
            nlohmann::json({"FNC_KESTREL_20T_US_19_SD", "FNC_KESTREL_20T_US_19_CF"}));
  EXPECT_EQ(doc["bundle_ids"], nlohmann::json({"FNC_KESTREL_20T_CA_19", "FNC_KESTREL_20T_MX_19"}));
  EXPECT_EQ(doc["rom"]["cpu"], "sh7058");
  EXPECT_EQ(doc["rom"]["rom_crcs"], nlohmann::json({0x5A3C91E2u, 0x1B2C3D4Eu}));
  EXPECT_EQ(doc["rom"]["dtc_parser"], "SUBARU_HITACHI_DTC_PARSER");
  EXPECT_EQ(doc["rom"]["firmware_id"]["offset"], 0x2000);
  EXPECT_TRUE(doc["rom"]["has_realtime_tables"].get<bool>());
  EXPECT_EQ(doc["counts"]["tables"]["valid"], 20);

  const Result text = Run({"info", definition_});
  EXPECT_EQ(text.status, 0);
  EXPECT_NE(text.out.find("KSTRL20T_US_A1"), std::string::npos) << text.out;
}

// ---- tables ----

TEST_F(EcucalCommandTest, TablesListTypeShapeReadTypeGroupsAndMaster) {
  const Result result = Run({"tables", definition_, "--json"});
  ASSERT_EQ(result.status, 0) << result.err;
  const nlohmann::json doc = result.Json();
  const nlohmann::json& tables = doc["tables"];
  ASSERT_EQ(tables.size(), 20u);

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
    auto found = std::find_if(tables.begin(), tables.end(),
                              [&e](const nlohmann::json& t) { return t["id"] == e.id; });
    ASSERT_NE(found, tables.end()) << e.id;
    EXPECT_EQ((*found)["type"], e.type) << e.id;
    EXPECT_EQ((*found)["shape"], nlohmann::json(e.shape)) << e.id;
    EXPECT_EQ((*found)["read_type"], e.read_type) << e.id;
    EXPECT_EQ((*found)["groups"], nlohmann::json({e.group})) << e.id;
    EXPECT_EQ((*found)["master"], e.master ? nlohmann::json(e.master) : nlohmann::json()) << e.id;
  }
  // The engine speed axis of the fuel maps is one shared object.
  auto fuel = std::find_if(tables.begin(), tables.end(),
                           [](const nlohmann::json& t) { return t["id"] == "Fuel Map A"; });
  ASSERT_NE(fuel, tables.end());
  for (const nlohmann::json& axis : (*fuel)["axes"]) {
    if (axis["role"] == "x") {
      EXPECT_TRUE(axis["shared"].get<bool>());
    } else if (axis["role"] == "z") {
      EXPECT_FALSE(axis["shared"].get<bool>());
    }
  }
}

TEST_F(EcucalCommandTest, TablesFilterByGroupAndRejectAnUnknownGroup) {
  const Result boost = Run({"tables", definition_, "--group", "Boost", "--json"});
  ASSERT_EQ(boost.status, 0) << boost.err;
  std::vector<std::string> ids;
  const nlohmann::json doc = boost.Json();
  for (const nlohmann::json& table : doc["tables"])
    ids.push_back(table["id"]);
  EXPECT_EQ(ids, (std::vector<std::string>{"Launch Boost by Gear", "Wastegate Duty"}));

  const Result text = Run({"tables", definition_, "--group", "Boost"});
  EXPECT_EQ(text.status, 0);
  EXPECT_NE(text.out.find("2 tables in group Boost"), std::string::npos) << text.out;

  const Result unknown = Run({"tables", definition_, "--group", "Exhaust"});
  EXPECT_EQ(unknown.status, 3);
  EXPECT_EQ(unknown.out, "");
  EXPECT_NE(unknown.err.find("no group \"Exhaust\""), std::string::npos) << unknown.err;
}

// ---- monitor ----

TEST_F(EcucalCommandTest, MonitorDecodesPlainAndCompoundReplies) {
  const struct {
    std::vector<std::string> args;
    const char* text;  // value in its display format
    double value;
  } cases[] = {
      {{"Engine Speed", "2EE0"}, "3000", 3000.0},          // 12000 * 0.25
      {{"Coolant Temp", "0x73"}, "75", 75.0},              // 115 - 40
      {{"Knock Correction", "F8"}, "-2.00", -2.0},         // signed: -8 * 0.25
      {{"Intake Air Temp", "00:00:C8:41"}, "25.0", 25.0},  // little-endian float
      {{"Odometer", "0001E240"}, "123456", 123456.0},
      {{"Boost", "2A3F", "65"}, "1.04", (108.15 - 101.0) * 0.145038},
      {{"Engine Power", "0FA0", "2EE0"}, "125.7", 400.0 * 3000.0 / 9549.0},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"monitor", definition_};
    args.insert(args.end(), c.args.begin(), c.args.end());
    args.push_back("--json");
    const Result result = Run(args);
    ASSERT_EQ(result.status, 0) << c.args[0] << ": " << result.err;
    const nlohmann::json doc = result.Json();
    EXPECT_EQ(doc["text"], c.text) << c.args[0];
    EXPECT_NEAR(doc["value"].get<double>(), c.value, 1e-3) << c.args[0];
    EXPECT_EQ(doc["replies"].size(), c.args.size() - 1) << c.args[0];
  }

  const Result text = Run({"monitor", definition_, "Boost", "2A3F", "65"});
  EXPECT_EQ(text.status, 0);
  EXPECT_NE(text.out.find("Boost: 1.04 psi"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("Barometric Pressure"), std::string::npos) << text.out;
}

TEST_F(EcucalCommandTest, MonitorRejectsBadRequestsWithStatusThree) {
  const struct {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{"Nope", "00"}, "no monitor \"Nope\""},
      {{"Boost", "2A3F"}, "takes 2 replies"},
      {{"Engine Speed", "2EE0", "00"}, "takes 1 reply"},
      {{"Engine Speed", "2EE"}, "whole bytes"},
      {{"Engine Speed", "ZZZZ"}, "not hexadecimal"},
      {{"Engine Speed", "2EE000"}, "has 3 bytes"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"monitor", definition_};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const Result result = Run(args);
    EXPECT_EQ(result.status, 3) << c.message;
    EXPECT_EQ(result.out, "") << c.message;
    EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
  }
}

TEST_F(EcucalCommandTest, MonitorThatFailedValidationIsNamedInvalid) {
  AddDocument("badmonitor.xml", R"(
  <monitor id="No Module" datatype="DT_MON_RPM" display_min="0" display_max="1"
           protocol="ram" address="0x10"/>
)");
  const Result result = Run({"monitor", definition_, "No Module", "0000"});
  EXPECT_EQ(result.status, 3);
  EXPECT_NE(result.err.find("INVALID_MODULE"), std::string::npos) << result.err;
}

// ---- cache ----

TEST_F(EcucalCommandTest, CacheWritesBesideTheDefinitionAndVerifies) {
  const Result written = Run({"cache", definition_, "--verify", "--json"});
  ASSERT_EQ(written.status, 0) << written.err << written.out;
  const nlohmann::json doc = written.Json();
  EXPECT_TRUE(fs::exists(definition_ + ".svx"));
  EXPECT_GT(doc["bytes"].get<int>(), 0);
  EXPECT_TRUE(doc["verified"].get<bool>()) << doc.dump(1);

  // Later loads read the cache first.
  const Result info = Run({"info", definition_, "--json"});
  ASSERT_EQ(info.status, 0) << info.err;
  EXPECT_EQ(info.Json()["source"], "cache");
  EXPECT_EQ(info.Json()["vehicle_id"], "FNC_KESTREL_20T_US_19");
}

TEST_F(EcucalCommandTest, CacheReplacesACorruptCache) {
  WriteAll(definition_ + ".svx", "garbage");
  const Result result = Run({"cache", definition_});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_NE(result.out.find("Wrote " + definition_ + ".svx"), std::string::npos) << result.out;
  EXPECT_NE(ReadAll(definition_ + ".svx"), "garbage");
}

TEST_F(EcucalCommandTest, CacheThatCannotBeWrittenExitsTwo) {
  fs::create_directory(definition_ + ".svx");  // a folder where the file should go
  const Result result = Run({"cache", definition_});
  EXPECT_EQ(result.status, 2);
  EXPECT_NE(result.err.find("cannot write"), std::string::npos) << result.err;
}

// ---- import ----

TEST_F(EcucalCommandTest, ImportWritesADefinitionThatCheckAccepts) {
  const std::string data = std::string(ECUCAL_TEST_DATA_DIR) + "/import/romraider/";
  const std::string out = (scratch_ / "imported").string();
  const Result result = Run(
      {"import", data + "base.xml", data + "leaf.xml", "--rom", "RR_LEAF", "-o", out, "--json"});
  ASSERT_EQ(result.status, 0) << result.err << result.out;
  const nlohmann::json doc = result.Json();
  EXPECT_EQ(doc["format"], "RomRaider");
  EXPECT_EQ(doc["chain"].size(), 3u);
  EXPECT_EQ(doc["counts"]["tables"], 5);
  EXPECT_EQ(doc["counts"]["toggles"], 3);
  EXPECT_TRUE(doc["valid"].get<bool>());
  EXPECT_FALSE(doc["issues"].empty());
  const std::string top = doc["top_document"];
  EXPECT_EQ(top, out + "/RR_LEAF.xml");

  const Result check = Run({"check", top, "--json"});
  ASSERT_EQ(check.status, 0) << check.err << check.out;
  EXPECT_EQ(check.Json()["counts"]["tables"]["valid"], 5);
  EXPECT_EQ(check.Json()["counts"]["toggles"]["valid"], 3);

  const Result text =
      Run({"import", data + "base.xml", data + "leaf.xml", "--rom", "RR_LEAF", "-o", out});
  EXPECT_EQ(text.status, 0) << text.err;
  EXPECT_NE(text.out.find("has no address"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("Read back: loads and validates."), std::string::npos) << text.out;
}

TEST_F(EcucalCommandTest, ImportRefusesBadInputAndBadRequests) {
  const std::string data = std::string(ECUCAL_TEST_DATA_DIR) + "/import/romraider/";
  WriteAll(scratch_ / "broken.xml", "<roms><rom>");
  WriteAll(scratch_ / "m32r.xml",
           "<roms><rom><romid><xmlid>M</xmlid><memmodel>M32R</memmodel></romid></rom></roms>");
  const std::string out = (scratch_ / "imported").string();
  const struct {
    std::vector<std::string> args;
    int status;
    const char* message;
  } cases[] = {
      {{(scratch_ / "broken.xml").string(), "--rom", "A"}, 2, "broken.xml"},
      {{data + "leaf.xml", "--rom", "RR_LEAF"}, 2, "\"RR_BASE\", which none of the given files"},
      {{data + "base.xml", "--rom", "NOPE"}, 3, "no ROM \"NOPE\""},
      {{(scratch_ / "m32r.xml").string(), "--rom", "M"}, 3, "(--cpu)"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"import"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    args.insert(args.end(), {"-o", out});
    const Result result = Run(args);
    EXPECT_EQ(result.status, c.status) << c.message << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
  }
}

// ---- command line ----

TEST_F(EcucalCommandTest, HelpAndUsageErrors) {
  for (const char* verb : {"check", "info", "tables", "cache", "monitor", "import"}) {
    const Result help = Run({verb, "--help"});
    EXPECT_EQ(help.status, 0) << verb;
    EXPECT_NE(help.out.find("--json"), std::string::npos) << verb << help.out;
  }
  EXPECT_NE(Run({"check", "--help"}).out.find("--no-cache"), std::string::npos);
  EXPECT_NE(Run({"cache", "--help"}).out.find("--verify"), std::string::npos);

  const std::vector<std::vector<std::string>> usage_errors = {{},
                                                              {"frobnicate"},
                                                              {"check"},
                                                              {"check", definition_, "--bogus"},
                                                              {"monitor", definition_},
                                                              {"import", definition_, "-o", "x"}};
  for (const auto& args : usage_errors) {
    const Result result = Run(args);
    EXPECT_EQ(result.status, 64) << (args.empty() ? "(none)" : args[0]);
    EXPECT_FALSE(result.err.empty());
  }
}

}  // namespace
