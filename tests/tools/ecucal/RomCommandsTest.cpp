// End-to-end tests of the ecucal verbs that work on ROM images: the built
// binary runs on the shared fixture's sample images and on small images the
// tests generate for a definition of their own.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "CommandTestSupport.h"

namespace {

namespace fs = std::filesystem;
using namespace command_test;

// A definition of three tables and a switch in a 1 KiB image: "Main" has a
// mirror and a slave ("Follower"), "Locked" is read-only.
const char kGenerated[] = R"(<?xml version="1.0"?>
<vehicledef id="GEN_TEST" version="1.1">
  <rominfo cpu="sh7058"/>
  <datatype id="U8" unit="n" endian="big" storage="8" min="0" max="200" format="%.0f">
    <conv type="direct"/>
  </datatype>
  <datatype id="HALF" unit="ms" endian="big" storage="8" min="0" max="100" format="%.1f">
    <conv type="slope-int" scalar="0.5" offset="0"/>
  </datatype>
  <group id="G" type="table"/>
  <table id="Main" group="G">
    <axis id="Steps" type="x" datatype="U8" count="4" rom_offset="0x000"/>
    <axis id="Main" type="z" datatype="HALF" rom_offset="0x010, 0x020"/>
  </table>
  <table id="Follower" group="G" master_table="Main">
    <axis id="Steps" type="x" datatype="U8" count="4" rom_offset="0x000"/>
    <axis id="Follower" type="z" datatype="HALF" rom_offset="0x030"/>
  </table>
  <table id="Locked" group="G">
    <axis id="Locked" type="z" datatype="U8" count="2" rom_offset="0x040"><readonly/></axis>
  </table>
  <toggle id="Switch" type="toggle">
    <toggle_pair rom_offset="0x050" enabled_values="0x01" disabled_values="0x00"/>
  </toggle>
</vehicledef>
)";

// An image for kGenerated; `consistent` false puts a disagreeing mirror, a
// slave that differs from its master and a switch matching neither state in.
std::string GeneratedImage(bool consistent, size_t size = 1024) {
  std::string image(size, '\0');
  for (size_t i = 0; i < size; ++i)
    image[i] = static_cast<char>(0x80 | (i & 0x7F));
  const std::string steps = {10, 20, 30, 40}, main = {2, 4, 6, 8};
  auto put = [&image](size_t at, const std::string& bytes) {
    if (at + bytes.size() <= image.size())
      image.replace(at, bytes.size(), bytes);
  };
  put(0x00, steps);
  put(0x10, main);
  put(0x20, consistent ? main : std::string{2, 4, 6, 9});
  put(0x30, consistent ? main : std::string{1, 4, 6, 8});
  put(0x40, {5, 6});
  put(0x50, consistent ? std::string{1} : std::string{7});
  return image;
}

class RomCommandsTest : public CommandTest {
 protected:
  void SetUp() override {
    CommandTest::SetUp();
    definition_ = Path("vehicle/kestrel.xml");
    rom_ = Path("vehicle/kestrel.rom.bin");
    stock_ = Path("vehicle/kestrel.stock.bin");
    manifest_ = nlohmann::json::parse(ReadAll(Path("vehicle/kestrel.roms.json")));
    WriteAll(Path("gen.xml"), kGenerated);
    WriteAll(Path("gen.bin"), GeneratedImage(true));
    WriteAll(Path("gen-broken.bin"), GeneratedImage(false));
  }

  std::string Path(const std::string& name) const { return (scratch_ / name).string(); }

  std::string definition_, rom_, stock_;
  nlohmann::json manifest_;
};

// ---- show ----

TEST_F(RomCommandsTest, ShowGivesGridAxesUnitsAndFlagsAndItsCsvReadsBackUnchanged) {
  const struct {
    std::string table;
    std::vector<std::string> expected;
  } cases[] = {
      {"Fuel Map A", {"values in AFR", "columns: Engine Speed (rpm)", "rows: Engine Load"}},
      {"Fuel Map Failsafe", {"flags: slave of Fuel Map A"}},
      {"Top Speed Limit", {"restricted"}},
      {"Knock Learned Values", {"read-only, ephemeral"}},
      {"Rev Limit by Gear", {"1st", "5th"}},
      {"Wastegate Duty", {"8 x 6 x 3", "depth 2: Map Switch"}},
  };
  for (const auto& c : cases) {
    const Result result = Run({"show", definition_, rom_, c.table});
    EXPECT_EQ(result.status, 0) << c.table << result.err;
    for (const std::string& text : c.expected)
      EXPECT_TRUE(Contains(result.out, text)) << c.table << ": " << text << "\n" << result.out;
  }
  const Result json = Run({"show", definition_, rom_, "Wastegate Duty", "--depth", "1", "--json"});
  ASSERT_EQ(json.status, 0) << json.err;
  const nlohmann::json doc = json.Json();
  EXPECT_EQ(
      nlohmann::json({doc["shape"]["columns"], doc["slices"].size(), doc["x"]["values"].size(),
                      doc["slices"].at(0)["depth"], doc["slices"].at(0)["values"].size()}),
      nlohmann::json({8, 1, 8, 1, 6}));

  // The grid as CSV reads back through `set --csv` unchanged.
  const Result csv = Run({"show", definition_, rom_, "Wastegate Duty", "--csv"});
  ASSERT_EQ(csv.status, 0) << csv.err;
  WriteAll(Path("grid.csv"), csv.out);
  const Result set = Run({"set", definition_, rom_, "Wastegate Duty", "--csv", Path("grid.csv"),
                          "-o", Path("same.bin")});
  ASSERT_EQ(set.status, 0) << set.err;
  EXPECT_TRUE(Contains(set.out, "No byte changed")) << set.out;
  EXPECT_EQ(ReadAll(Path("same.bin")), ReadAll(rom_));
}

// ---- set, diff, csv ----

TEST_F(RomCommandsTest, SetRoundsClampsNamesEveryTableThatChangedAndKeepsABakInPlace) {
  const std::string before = ReadAll(Path("gen.bin"));
  const struct {
    std::string value;
    double stored;
    bool clamped;
  } cases[] = {{"3.3", 3.5, false}, {"150", 100, true}, {"-5", 0, true}};
  for (const auto& c : cases) {
    const Result result = Run({"set", Path("gen.xml"), Path("gen.bin"), "Main", "--cell", "1,0",
                               c.value, "-o", Path("out.bin"), "--json"});
    ASSERT_EQ(result.status, 0) << c.value << result.err;
    const nlohmann::json doc = result.Json();
    EXPECT_EQ(doc["cells"][0]["old"], 2.0);
    EXPECT_EQ(doc["cells"][0]["stored"], c.stored) << c.value;
    EXPECT_EQ(doc["cells"][0]["clamped"], c.clamped) << c.value;
    EXPECT_EQ(doc["also_changed"], nlohmann::json({"Follower"})) << c.value;
    // The byte itself, its mirror and the slave's copy.
    std::vector<int> offsets;
    for (const auto& range : doc["bytes_changed"])
      offsets.push_back(range["offset"]);
    EXPECT_EQ(offsets, (std::vector<int>{0x11, 0x21, 0x31})) << doc.dump(1);
  }
  EXPECT_EQ(ReadAll(Path("gen.bin")), before);  // the input is never changed

  const Result diff = Run({"diff", definition_, rom_, rom_});
  EXPECT_EQ(diff.status, 0) << diff.err;
  EXPECT_TRUE(Contains(diff.out, "No difference")) << diff.out;

  // In place, the original is kept as .bak.
  const Result in_place =
      Run({"set", Path("gen.xml"), Path("gen.bin"), "Main", "--cell", "0,0", "4", "--in-place"});
  ASSERT_EQ(in_place.status, 0) << in_place.err;
  EXPECT_EQ(ReadAll(Path("gen.bin.bak")), before);
  const std::string edited = ReadAll(Path("gen.bin"));
  ASSERT_EQ(edited.size(), before.size());
  EXPECT_EQ(std::make_pair(edited[0x10], edited[0x20]),
            std::make_pair('\x08', '\x08'));  // 4 ms at 0.5 ms a count
}

TEST_F(RomCommandsTest, SetOnTheSampleShowsInDiffCellByCell) {
  const Result set = Run(
      {"set", definition_, rom_, "Fuel Map A", "--cell", "3,5", "13.23", "-o", Path("out.bin")});
  ASSERT_EQ(set.status, 0) << set.err;
  EXPECT_TRUE(Contains(set.out, "13.25 AFR")) << set.out;
  EXPECT_TRUE(Contains(set.out, "Also changed with it: Fuel Map Failsafe")) << set.out;
  EXPECT_TRUE(Contains(set.err, "own second image")) << set.err;

  const Result diff = Run({"diff", definition_, rom_, Path("out.bin"), "--cells", "--json"});
  EXPECT_EQ(diff.status, 1) << diff.err;
  const nlohmann::json doc = diff.Json();
  ASSERT_EQ(doc["tables"].size(), 2u) << doc.dump(1);
  const nlohmann::json& cell = doc["tables"][0]["cells"].at(0);
  EXPECT_EQ(nlohmann::json({doc["tables"][0]["id"], doc["tables"][1]["id"], cell["x"], cell["y"],
                            cell["b"], doc["bytes_outside"].size()}),
            nlohmann::json({"Fuel Map A", "Fuel Map Failsafe", 3, 5, "13.25", 0}));
}

TEST_F(RomCommandsTest, DiffOfTunedAndStockNamesWhatTheManifestSaysDiffers) {
  const Result result = Run({"diff", definition_, rom_, stock_, "--json"});
  ASSERT_EQ(result.status, 1) << result.err;
  const nlohmann::json doc = result.Json();
  std::vector<std::string> tables, toggles;
  for (const auto& table : doc["tables"])
    tables.push_back(table["id"]);
  EXPECT_EQ(nlohmann::json(tables), manifest_["different_tables"]);
  for (const char* kind : {"toggles", "trouble_codes"}) {
    for (const auto& toggle : doc[kind])
      toggles.push_back(toggle["id"]);
  }
  for (const auto& id : manifest_["different_toggles"])
    EXPECT_NE(std::find(toggles.begin(), toggles.end(), id), toggles.end()) << id;
}

// ---- copy ----

TEST_F(RomCommandsTest, CopyBringsTablesAndTogglesBackAndReportsRestrictions) {
  const Result copy =
      Run({"copy", definition_, "--from", stock_, "--to", rom_, "--table", "Fuel Map A", "--toggle",
           "Flex Fuel", "--table", "Top Speed Limit", "-o", Path("copy.bin"), "--json"});
  ASSERT_EQ(copy.status, 0) << copy.err << copy.out;
  const nlohmann::json doc = copy.Json();
  EXPECT_EQ(nlohmann::json({doc["tables"]["successful"], doc["tables"]["restricted"],
                            doc["toggles"]["successful"]}),
            nlohmann::json::parse(R"([["Fuel Map A"], ["Top Speed Limit"], ["Flex Fuel"]])"));
  EXPECT_NE(ReadAll(Path("copy.bin")), ReadAll(rom_));

  // A copy group names its tables; "Low Octane" holds Fuel Map A.
  const Result group = Run({"copy", definition_, "--from", Path("copy.bin"), "--to", rom_,
                            "--copy-group", "Low Octane", "-o", Path("group.bin"), "--json"});
  ASSERT_EQ(group.status, 0) << group.err;
  EXPECT_EQ(group.Json()["tables"]["successful"], nlohmann::json({"Fuel Map A"}));
  EXPECT_EQ(ReadAll(Path("group.bin")),
            ReadAll(Path("copy.bin")).substr(0, 0x11000) + ReadAll(rom_).substr(0x11000));

  // Nothing but restricted items is no success, and writes nothing.
  const Result refused = Run({"copy", definition_, "--from", stock_, "--to", rom_, "--table",
                              "Top Speed Limit", "-o", Path("none.bin")});
  EXPECT_EQ(refused.status, 1) << refused.err;
  EXPECT_TRUE(Contains(refused.out, "nothing was written")) << refused.out;
  EXPECT_FALSE(fs::exists(Path("none.bin")));
}

// ---- toggles, switch ----

TEST_F(RomCommandsTest, TogglesAndSwitchFollowTheImage) {
  const Result list = Run({"toggles", definition_, rom_, "--json"});
  ASSERT_EQ(list.status, 0) << list.err;
  const nlohmann::json list_doc = list.Json();
  for (const auto& toggle : list_doc["toggles"]) {
    const auto& expected = manifest_["toggles"][toggle["id"].get<std::string>()];
    if (expected.is_null())
      continue;
    EXPECT_EQ(toggle["enabled"], expected["rom"]) << toggle["id"];
    EXPECT_EQ(toggle["restricted"], toggle["id"] == "Rear O2 Monitoring") << toggle["id"];
  }
  const Result codes = Run({"toggles", definition_, rom_, "--dtc", "--second", stock_});
  ASSERT_EQ(codes.status, 0) << codes.err;
  EXPECT_TRUE(Contains(codes.out, "P0137")) << codes.out;

  const Result off = Run({"switch", definition_, rom_, "Flex Fuel", "off", "-o", Path("sw.bin")});
  ASSERT_EQ(off.status, 0) << off.err;
  EXPECT_TRUE(Contains(off.out, "Flex Fuel: on -> off")) << off.out;
  const Result after = Run({"toggles", Path("gen.xml"), Path("gen-broken.bin"), "-v"});
  EXPECT_TRUE(Contains(after.out, "match neither")) << after.out;
  const nlohmann::json switched = Run({"toggles", definition_, Path("sw.bin"), "--json"}).Json();
  for (const auto& toggle : switched["toggles"])
    EXPECT_TRUE(toggle["id"] != "Flex Fuel" || toggle["enabled"] == false) << toggle;
}

// ---- verify ----

TEST_F(RomCommandsTest, VerifyFindsMirrorsSlavesAndTogglesThatSavingWouldChange) {
  for (const std::string& image : {rom_, stock_, Path("gen.bin")}) {
    const Result exact =
        Run({"verify", image == Path("gen.bin") ? Path("gen.xml") : definition_, image});
    EXPECT_EQ(exact.status, 0) << image << exact.out << exact.err;
  }
  const Result broken = Run({"verify", Path("gen.xml"), Path("gen-broken.bin")});
  EXPECT_EQ(broken.status, 1) << broken.err;
  for (const char* reason : {"copy 2 of axis z disagrees", "\"Follower\" differs from its master",
                             "\"Switch\" matches neither"})
    EXPECT_TRUE(Contains(broken.out, reason)) << reason << "\n" << broken.out;
}

// ---- errors ----

TEST_F(RomCommandsTest, BadInputGetsOneLineAndItsExitStatus) {
  WriteAll(Path("short.bin"), GeneratedImage(true, 0x41));
  WriteAll(Path("odd.bin"), GeneratedImage(true, 1000));
  WriteAll(Path("bad.csv"), "a,b\n1,2\n");
  fs::create_directory(Path("folder.bin"));
  const std::string def = Path("gen.xml"), bin = Path("gen.bin"), out = Path("o.bin");
  const std::string &kdef = definition_, &krom = rom_;
  auto set = [](const std::string& d, const std::string& r, const char* table,
                const std::string& to) {
    return std::vector<std::string>{"set", d, r, table, "--cell", "0,0", "1", "-o", to};
  };
  const struct {
    std::vector<std::string> args;
    int status;
    const char* message;
  } cases[] = {
      {{"show", def, Path("missing.bin"), "Main"}, 2, "cannot read ROM"},
      {{"show", def, bin, "Main", "--second", Path("missing.bin")}, 2, "cannot read second"},
      {{"show", Path("missing.xml"), bin, "Main"}, 2, "cannot load"},
      {{"show", def, bin, "Nope"}, 3, "no table \"Nope\""},
      {{"show", def, Path("short.bin"), "Main"}, 3, "too short for table \"Locked\""},
      {{"show", def, Path("odd.bin"), "Main"}, 3, "expects 1024 bytes"},
      {{"diff", def, bin, Path("odd.bin")}, 3, "expects 1024 bytes"},
      {{"show", def, bin, "Main", "--depth", "1"}, 3, "depth 1 is out of range"},
      {{"set", def, bin, "Main", "--cell", "4,0", "1", "-o", out}, 3, "outside the table"},
      {{"set", def, bin, "Main", "--cell", "0,0", "abc", "-o", out}, 3, "not a number"},
      {{"set", def, bin, "Main", "--cell", "x,0", "1", "-o", out}, 3, "is not X,Y"},
      {{"set", def, bin, "Main", "--csv", Path("bad.csv"), "-o", out}, 3, "needs"},
      {set(def, bin, "Follower", out), 3, "slave of \"Main\""},
      {set(def, bin, "Locked", out), 3, "read-only"},
      {set(kdef, krom, "Top Speed Limit", out), 3, "restricted"},
      {set(kdef, krom, "Knock Learned Values", out), 3, "ephemeral"},
      {set(kdef, krom, "Idle Speed Live Trim", out), 3, "RAM only"},
      {{"switch", def, bin, "Nope", "on", "-o", out}, 3, "no toggle \"Nope\""},
      {{"switch", kdef, krom, "Rear O2 Monitoring", "off", "-o", out}, 3, "restricted"},
      {{"copy", def, "--from", bin, "--to", bin, "--table", "Nope", "-o", out}, 3, "no table"},
      {{"copy", def, "--from", bin, "--to", bin, "--copy-group", "G", "-o", out}, 3, "no copy"},
      {set(def, bin, "Main", bin), 64, "--in-place"},
      {{"set", def, bin, "Main", "--cell", "0,0", "1", "-o", out, "--in-place"}, 64, "either"},
      {set(def, bin, "Main", Path("folder.bin")), 2, "cannot write"},
      {set(def, bin, "Main", Path("gen.xml/o.bin")), 2, "cannot write"},
  };
  for (const auto& c : cases) {
    const Result result = Run(c.args);
    SCOPED_TRACE(c.args[0] + " " + c.message);
    EXPECT_EQ(result.status, c.status) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_TRUE(Contains(result.err, c.message)) << result.err;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
  }
  // Failed writes leave neither the output nor a temporary file behind.
  for (const auto& entry : fs::directory_iterator(scratch_))
    EXPECT_NE(entry.path().filename().string().front(), '.') << entry.path();
  EXPECT_FALSE(fs::exists(out));
  EXPECT_TRUE(fs::is_directory(Path("folder.bin")));
}

}  // namespace
