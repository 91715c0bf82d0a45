#include "vehicle/monitor/Monitor.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <string>
#include <tuple>
#include <vector>

#include "../definition/ArchiveTestSupport.h"
#include "vehicle/definition/DataType.h"

namespace {

using vehicle::Monitor;
using MonitorPtr = std::shared_ptr<Monitor>;

Monitor::MonitorStore ReadFixture() {
  TiXmlDocument doc(ECUCAL_TEST_DATA_DIR "/monitor/monitors.xml");
  EXPECT_TRUE(doc.LoadFile());
  Monitor::MonitorStore store;
  std::string error;
  EXPECT_TRUE(vehicle::ReadHashData(doc.RootElement(), store, error));
  return store;
}

Monitor::MonitorStore ReadXml(const char* xml) {
  TiXmlDocument doc;
  doc.Parse(xml);
  Monitor::MonitorStore store;
  std::string error;
  vehicle::ReadHashData(doc.RootElement(), store, error);
  return store;
}

std::shared_ptr<vehicle::DataType> CompoundType(const std::string& id) {
  auto type = std::make_shared<vehicle::DataType>("%.1f", "unit", "input1+input2");
  type->SetObjId(id);
  return type;
}

// The members read from a document, as seen through the accessors.
auto ReadFields(const Monitor& m) {
  return std::make_tuple(m.GetObjId(), m.GetGroupIds(), m.GetProtocol(), m.GetModule(),
                         m.GetAddress(), m.GetOffset(), m.GetIds(), m.GetDisplayMin(),
                         m.GetDisplayMax(), m.GetDataTypeId(), m.GetInputMonitorIds(),
                         m.IsInputOnly());
}

TEST(MonitorReadTest, AttributesAndChildTextsAreRead) {
  Monitor::MonitorStore store = ReadFixture();
  ASSERT_EQ(store.size(), 4u);  // "hidden" is internal
  EXPECT_FALSE(store.dataExists("hidden"));
  const std::vector<std::string> none;
  EXPECT_EQ(
      ReadFields(*store.findData("rpm")),
      std::make_tuple(std::string("rpm"), std::vector<std::string>{"engine", "live"},
                      Ecu::MONITOR_PROTOCOL_RAM, vehicle::MODULE_ECU, 0xFF6000u, Monitor::NOT_SET,
                      std::vector<uint8_t>{}, 0.0f, 8000.5f, std::string("dt_rpm"), none, false));

  // A later comms element overrides, and ids clear the address.
  const MonitorPtr boost = store.findData("boost");
  EXPECT_EQ(
      ReadFields(*boost),
      std::make_tuple(std::string("boost"), none, Ecu::MONITOR_PROTOCOL_ISO_MODE_22,
                      vehicle::MODULE_ABS, Monitor::NOT_SET, 3u, std::vector<uint8_t>{0x10, 0x05},
                      -1.5f, 2.5f, std::string("dt_boost"), none, false));

  EXPECT_EQ(store.findData("afr_sum")->GetInputMonitorIds(),
            (std::vector<std::string>{"rpm", "boost"}));
  const MonitorPtr feed = store.findData("feed");
  EXPECT_TRUE(feed->IsInputOnly());
  EXPECT_EQ(feed->GetProtocol(), Ecu::MONITOR_PROTOCOL_INVALID);
  EXPECT_EQ(feed->GetAddress(), 8u);  // leading zero: octal

  const MonitorPtr m = ReadXml(R"(<r><monitor id="m" address="5">
      <comms module_id="gateway" address="0x44"/></monitor></r>)")
                           .findData("m");
  EXPECT_EQ(m->GetAddress(), 0x44u);
  EXPECT_EQ(m->GetModule(), vehicle::MODULE_GATEWAY);
}

TEST(MonitorValidateTest, PlainMonitorRules) {
  Monitor::DataTypeStore types;
  types.addData("dt", std::make_shared<vehicle::DataType>());
  types.findData("dt")->SetObjId("dt");

  // Each case takes one thing from, or adds one to, a valid monitor.
  const std::string dt = R"( datatype="dt")";
  const std::string ecu = R"( target="ecu")";
  const std::string ram = R"( protocol="ram" address="1")";
  const std::string range = R"( display_min="0" display_max="1")";
  const std::string comms = dt + ecu + range + "><comms protocol=";
  const struct {
    std::string xml;  // attributes and children of monitor "m"
    vehicle::validate_codes_t code;
  } cases[] = {
      {dt + ecu + ram + range + ">", Monitor::VALID},
      {R"( datatype="none")" + ecu + ram + range + ">", Monitor::INVALID_DATA_TYPE},
      {ecu + ram + range + ">", Monitor::INVALID_DATA_TYPE},
      {dt + ecu + ram + R"( display_min="0">)", Monitor::INVALID_DISPLAY_RANGE},
      {dt + ecu + ram + R"( input_only="1">)", Monitor::VALID},
      {dt + ecu + R"( protocol="ram")" + range + ">", Monitor::INVALID_ADDRESS},
      {comms + R"("iso_mode_22" id="0x10,0x05"/>)", Monitor::INVALID_OFFSET},
      {comms + R"("ISO_MODE_22" id="0x10,0x05" offset="0"/>)", Monitor::VALID},
      {comms + R"("iso_mode_22" id="0x10" offset="0"/>)", Monitor::INVALID_IDS},
      {comms + R"("iso_mode_21" id="1,2" offset="0"/>)", Monitor::INVALID_IDS},
      {comms + R"("data_ident" id="1,2,3" offset="0"/>)", Monitor::VALID},
      {dt + ecu + R"( protocol="bogus" address="1")" + range + ">", Monitor::INVALID_PROTOCOL},
      {dt + ram + range + ">", Monitor::INVALID_MODULE},
      {dt + R"( target="engine")" + ram + range + ">", Monitor::INVALID_MODULE},
  };
  for (const auto& c : cases) {
    const std::string xml = R"(<r><monitor id="m")" + c.xml + "</monitor></r>";
    Monitor::MonitorStore store = ReadXml(xml.c_str());
    ASSERT_TRUE(store.dataExists("m")) << c.xml;
    const MonitorPtr m = store.findData("m");
    m->ResolveReferences(types);
    EXPECT_EQ(m->Validate(), c.code) << c.xml;
  }
  EXPECT_EQ(Monitor().Validate(), Monitor::INVALID_ID);
}

TEST(MonitorValidateTest, CompoundRules) {
  Monitor::MonitorStore store = ReadXml(R"(<r>
      <monitor id="a" datatype="plain" protocol="ram" target="ecu" address="1" input_only="1"/>
      <monitor id="b" datatype="plain" protocol="ram" target="ecu" address="2" input_only="1"/>
      <monitor id="sum" datatype="sum" display_min="0" display_max="1">
        <input>a</input><input>b</input></monitor>
      <monitor id="missing" datatype="sum" display_min="0" display_max="1">
        <input>a</input><input>nobody</input></monitor>
      <monitor id="no_expr" datatype="plain" display_min="0" display_max="1">
        <input>a</input></monitor>
      <monitor id="x" datatype="sum" display_min="0" display_max="1"><input>y</input></monitor>
      <monitor id="y" datatype="sum" display_min="0" display_max="1"><input>x</input></monitor>
    </r>)");
  Monitor::DataTypeStore types;
  auto plain = std::make_shared<vehicle::DataType>();
  plain->SetObjId("plain");
  types.addData("plain", plain);
  types.addData("sum", CompoundType("sum"));
  for (auto& entry : store)
    entry.second->ResolveReferences(types);
  EXPECT_FALSE(store.findData("missing")->ResolveReferences(store));
  for (const char* id : {"a", "b", "sum", "no_expr", "x", "y"})
    EXPECT_TRUE(store.findData(id)->ResolveReferences(store)) << id;
  EXPECT_EQ(store.findData("missing")->GetInputs().size(), 1u);
  EXPECT_EQ(store.findData("a")->Validate(), Monitor::VALID);
  EXPECT_EQ(store.findData("sum")->Validate(), Monitor::VALID);
  EXPECT_EQ(store.findData("missing")->Validate(), Monitor::UNRESOLVED_INPUTS);
  EXPECT_EQ(store.findData("no_expr")->Validate(), Monitor::INVALID_DATA_TYPE);
  EXPECT_EQ(store.findData("x")->Validate(), Monitor::CYCLIC_DEPENDENCY);
  store.findData("x")->SetInputs({});

  // Resolving again does not double the inputs.
  const MonitorPtr sum = store.findData("sum");
  sum->ResolveReferences(store);
  EXPECT_EQ(sum->GetInputs(), (std::vector<MonitorPtr>{store.findData("a"), store.findData("b")}));
}

TEST(MonitorResolveTest, DataTypesAndGroupsById) {
  Monitor::MonitorStore store = ReadFixture();
  const MonitorPtr rpm = store.findData("rpm");
  Monitor::DataTypeStore types;
  EXPECT_FALSE(rpm->ResolveReferences(types));
  EXPECT_EQ(rpm->GetDataType(), nullptr);
  auto dt = std::make_shared<vehicle::DataType>();
  types.addData("dt_rpm", dt);
  EXPECT_TRUE(rpm->ResolveReferences(types));
  EXPECT_EQ(rpm->GetDataType(), dt);

  // Group objects are opaque here; resolution is by id alone.
  Monitor::GroupStore groups;
  groups.addData("engine", nullptr);
  EXPECT_FALSE(rpm->ResolveReferences(groups));
  EXPECT_TRUE(rpm->GetGroups().dataExists("engine"));
  groups.addData("live", nullptr);
  EXPECT_TRUE(rpm->ResolveReferences(groups));
  EXPECT_EQ(rpm->GetGroups().size(), 2u);
}

// Compound monitors named n0..n(count-1) with the given input lists, resolved
// against each other. Cyclic inputs hold each other alive, and a long chain
// would release itself recursively, so the inputs are unlinked at the end.
struct Graph {
  // Long, scattered ids keep the store's buckets evenly filled.
  static std::string Name(int index) {
    return "n" + std::to_string(index) + "_" + std::to_string(index * 2654435761u);
  }
  explicit Graph(const std::vector<std::vector<int>>& inputs) {
    const auto type = CompoundType("c");
    for (std::size_t i = 0; i < inputs.size(); ++i) {
      std::vector<std::string> ids;
      for (int input : inputs[i])
        ids.push_back(Name(input));
      const std::string id = Name(static_cast<int>(i));
      store.addData(id, std::make_shared<Monitor>(id, 0.0f, 1.0f, type, ids));
    }
    for (auto& entry : store)
      entry.second->ResolveReferences(store);
  }
  ~Graph() {
    for (auto& entry : store)
      entry.second->SetInputs({});
  }
  bool Cyclic(int index, std::vector<std::string> visited = {}) const {
    return store.findData(Name(index))->IsMonitorCyclicallyDependent(visited);
  }
  Monitor::MonitorStore store;
};

TEST(MonitorCycleTest, CyclesAreFoundAndSharedInputsAreNot) {
  const struct {
    const char* name;
    std::vector<std::vector<int>> inputs;
    int start;
    std::vector<int> visited;
    bool cyclic;
  } cases[] = {
      {"self", {{0}}, 0, {}, true},
      {"two", {{1}, {0}}, 1, {}, true},
      {"reaching a cycle", {{1}, {2}, {3}, {1}}, 0, {}, true},
      {"same input twice", {{1, 1}, {}}, 0, {}, false},
      {"diamond", {{1, 2}, {3}, {3}, {}}, 0, {}, false},
      {"chain", {{1}, {2}, {}}, 0, {}, false},
      {"visited further on", {{1}, {2}, {}}, 0, {2}, true},
      {"visited itself", {{1}, {2}, {}}, 1, {1}, true},
  };
  for (const auto& c : cases) {
    std::vector<std::string> visited;
    for (int index : c.visited)
      visited.push_back(Graph::Name(index));
    EXPECT_EQ(Graph(c.inputs).Cyclic(c.start, visited), c.cyclic) << c.name;
  }
}

TEST(MonitorCycleTest, NonCompoundStopsTheSearch) {
  Monitor plain("p", 0.0f, 1.0f, 1u, Ecu::MONITOR_PROTOCOL_RAM, nullptr, false);
  EXPECT_FALSE(plain.IsMonitorCyclicallyDependent({}));
  EXPECT_TRUE(plain.IsMonitorCyclicallyDependent({"p"}));
}

TEST(MonitorCycleTest, LongChainsNeitherOverflowNorMissTheCycle) {
  const int count = 10000;
  std::vector<std::vector<int>> inputs(count);
  for (int i = 0; i + 1 < count; ++i)
    inputs[i] = {i + 1};
  inputs[count - 1] = {};
  EXPECT_FALSE(Graph(inputs).Cyclic(0));
  inputs[count - 1] = {0};
  const Graph loop(inputs);
  EXPECT_TRUE(loop.Cyclic(0));
  EXPECT_TRUE(loop.Cyclic(count / 2));
}

TEST(MonitorCycleTest, LayeredSharedInputsStayLinear) {
  // 64 layers of two monitors, each feeding both of the next layer: 2^64
  // paths, which a path-by-path search would never finish.
  const int layers = 64;
  std::vector<std::vector<int>> inputs;
  for (int layer = 0; layer < layers; ++layer) {
    for (int k = 0; k < 2; ++k) {
      if (layer + 1 < layers) {
        inputs.push_back({2 * (layer + 1), 2 * (layer + 1) + 1});
      } else {
        inputs.push_back({});
      }
    }
  }
  EXPECT_FALSE(Graph(inputs).Cyclic(0));
  inputs.back() = {0};
  const Graph loop(inputs);
  EXPECT_TRUE(loop.Cyclic(0));
}

TEST(MonitorSerializeTest, RoundTripKeepsReadFieldsOnly) {
  for (const char* id : {"rpm", "boost", "afr_sum", "feed"}) {
    const MonitorPtr original = ReadFixture().findData(id);
    original->SetDataType(std::make_shared<vehicle::DataType>());
    Monitor copy;
    ArchiveRoundTrip(*original, copy);
    EXPECT_EQ(ReadFields(copy), ReadFields(*original)) << id;
    EXPECT_EQ(copy.GetDataType(), nullptr);
    EXPECT_TRUE(copy.GetInputs().empty());
  }
}

}  // namespace
