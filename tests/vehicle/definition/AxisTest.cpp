#include "vehicle/definition/Axis.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <functional>
#include <tuple>

#include "ArchiveTestSupport.h"

namespace {

using vehicle::Axis;
constexpr uint32_t NS = Axis::NOT_SET;

// Reads the first axis of a "table" document the way a table does.
std::shared_ptr<Axis> ReadAxis(const std::string& axis_xml, std::string* error = nullptr) {
  TiXmlDocument doc;
  doc.Parse(("<table>" + axis_xml + "</table>").c_str());
  auto axis = std::make_shared<Axis>();
  const TiXmlElement* element = axis->ReadType(doc.RootElement(), false);
  std::string ignored;
  if (element != nullptr)
    axis->Read(element, error ? *error : ignored, false);
  return axis;
}

std::shared_ptr<vehicle::DataType> MakeDataType(const std::string& xml) {
  TiXmlDocument doc;
  doc.Parse(("<d>" + xml + "</d>").c_str());
  auto type = std::make_shared<vehicle::DataType>();
  std::string error;
  type->Read(doc.RootElement(), error, false);
  return type;
}

const char* kRpm =
    R"(<datatype id="RPM" unit="rpm" endian="big" storage="16" min="0" max="8000"
         sm_delta="10" lg_delta="100" format="%.1f"><conv type="direct"/></datatype>)";

// x, y and z of an axis's shape.
std::vector<uint32_t> Dims(const Axis& axis) {
  return {axis.GetDimensions().x, axis.GetDimensions().y, axis.GetDimensions().z};
}

vehicle::DataTypeHash Types(std::initializer_list<std::shared_ptr<vehicle::DataType>> types) {
  vehicle::DataTypeHash hash;
  for (const auto& type : types)
    hash.addData(type->GetObjId(), type);
  return hash;
}

TEST(AxisTest, OffsetListsAreSplitOnCommasAndParsedLikeStrtoul) {
  struct Case {
    const char* text;
    std::vector<uint32_t> offsets;
  } cases[] = {
      {" 0x100 , 0x200 ,0x300 ", {0x100, 0x200, 0x300}},
      {"", {0}},
      {"010,9", {8, 9}},
      {"junk,0x10,", {0, 0x10, 0}},
  };
  for (const Case& c : cases) {
    auto axis = ReadAxis(std::string(R"(<axis id="a" type="x" count="2" rom_offset=")") + c.text +
                         R"(" ram_offset="0xFF8000"/>)");
    EXPECT_EQ(axis->GetRomOffsets(), c.offsets) << c.text;
    EXPECT_EQ(axis->GetNaturalOffsets().offset_count, c.offsets.size()) << c.text;
  }
}

TEST(AxisTest, DataRunsAddUpAndIncompleteRunsAreSkipped) {
  auto axis = ReadAxis(R"(<axis id="a" type="x">
      <data rom_offset="0x100"/>
      <data count="4" rom_offset="0x200"/>
      <data count="5"/>
      <data count="6" ram_offset="0xFF00"/>
      <data><count>2</count><rom_offset>0x300</rom_offset><ram_offset>0x10</ram_offset></data>
    </axis>)");
  EXPECT_EQ(axis->GetCount(), 12u);
  std::vector<std::tuple<uint32_t, uint32_t, uint32_t>> runs;
  for (const auto& run : axis->GetDataOffsets())
    runs.emplace_back(run.count, run.rom_offset, run.ram_offset);
  EXPECT_EQ(runs, (decltype(runs){{4, 0x200, NS}, {6, NS, 0xFF00}, {2, 0x300, 0x10}}));

  // Offset lists win over data runs.
  auto listed = ReadAxis(R"(<axis id="a" type="x" count="3" rom_offset="0x10">
      <data count="4" rom_offset="0x200"/></axis>)");
  EXPECT_TRUE(listed->GetDataOffsets().empty());
  EXPECT_EQ(listed->GetCount(), 3u);
}

TEST(AxisTest, ReadTypeFromRunsAndLists) {
  struct Case {
    const char* xml;
    vehicle::table_read_types_t type;
    bool rom, ram, ram_only;
  } cases[] = {
      {R"(<axis id="a" type="x" rom_offset="1"/>)", vehicle::READ_BASE, true, false, false},
      {R"(<axis id="a" type="x" ram_offset="1"/>)", vehicle::READ_REAL, false, true, true},
      {R"(<axis id="a" type="x" rom_offset="1" ram_offset="2"/>)", vehicle::READ_BASE_REAL, true,
       true, false},
      {R"(<axis id="a" type="x"><data count="1" rom_offset="1"/></axis>)", vehicle::READ_BASE, true,
       false, false},
      {R"(<axis id="a" type="x"><data count="1" ram_offset="1"/><data count="1" rom_offset="1"/></axis>)",
       vehicle::READ_REAL, false, true, true},
      {R"(<axis id="a" type="x"><data count="1" rom_offset="1" ram_offset="2"/></axis>)",
       vehicle::READ_BASE_REAL, true, true, false},
      {R"(<axis id="a" type="x"/>)", vehicle::READ_INVALID, false, false, false},
      {R"(<axis id="a" type="x" special="x-calc" ram_offset="1"/>)", vehicle::READ_BASE, true,
       false, false},
      {R"(<axis id="a" type="x" special="labels with data"><label>a</label></axis>)",
       vehicle::READ_BASE, true, false, false},
  };
  for (const Case& c : cases) {
    auto axis = ReadAxis(c.xml);
    EXPECT_EQ(axis->GetReadType(), c.type) << c.xml;
    EXPECT_EQ(axis->HasRomOffsets(), c.rom) << c.xml;
    EXPECT_EQ(axis->HasRamOffsets(), c.ram) << c.xml;
    EXPECT_EQ(axis->HasRamOnlyOffsets(), c.ram_only) << c.xml;
  }
}

TEST(AxisTest, AnySpecialTypeIsReadOnlyAndAnUnknownLayoutIsInvalid) {
  auto axis = ReadAxis(R"(<axis id="a" type="y" special="x-calc" layout="diagonal"/>)");
  EXPECT_TRUE(axis->IsReadOnly());
  EXPECT_EQ(axis->GetLayout(), vehicle::LAYOUT_INVALID);
}

TEST(AxisTest, DimensionsFollowTheRole) {
  struct Case {
    const char* xml;
    uint32_t count, x, y, z;
  } cases[] = {
      {R"(<axis id="a" type="x" count="16" rom_offset="0x1A000"/>)", 16, 16, 1, 1},
      {R"(<axis id="a" type="y" count="12" rom_offset="0"/>)", 12, 1, 12, 1},
      {R"(<axis id="a" type="w" count="3" rom_offset="0"/>)", 3, 1, 1, 3},
      {R"(<axis id="a" type="z" rom_offset="0"><dimensions x="16" y="12"/></axis>)", 192, 16, 12,
       1},
      {R"(<axis id="a" type="z" rom_offset="0"><dimensions><y>5</y></dimensions></axis>)", 5, 1, 5,
       1},
      {R"(<axis id="a" type="z" count="7" rom_offset="0"/>)", 7, NS, NS, NS},
      {R"(<axis id="a" type="x" rom_offset="0"/>)", NS, NS, 1, 1},
      // A shape whose size does not fit the count stays without a count.
      {R"(<axis id="a" type="z" rom_offset="0"><dimensions x="0x10000" y="0x10000"/></axis>)", NS,
       0x10000, 0x10000, 1},
  };
  for (const Case& c : cases) {
    auto axis = ReadAxis(c.xml);
    EXPECT_EQ(axis->GetCount(), c.count) << c.xml;
    EXPECT_EQ(Dims(*axis), (std::vector<uint32_t>{c.x, c.y, c.z})) << c.xml;
  }
}

TEST(AxisTest, LabelsAxisNeedsNeitherOffsetsNorDataType) {
  auto axis = ReadAxis(R"(<axis id="L" type="x" special="labels" count="9">
      <label>low</label><label/><label>mid</label><label>high</label></axis>)");
  EXPECT_EQ(axis->GetCount(), 3u);
  EXPECT_EQ(axis->GetLabels(), (std::vector<std::string>{"low", "mid", "high"}));
  EXPECT_EQ(Dims(*axis), (std::vector<uint32_t>{3, 1, 1}));
  EXPECT_TRUE(axis->IsReadOnly());
  EXPECT_TRUE(axis->ResolveReferences(vehicle::DataTypeHash()));
  EXPECT_EQ(axis->Validate(), 0);
  // Without a data type every value it would give is unset.
  EXPECT_EQ(std::make_tuple(axis->GetEndian(), axis->GetStorage(), axis->GetSmallDelta(),
                            axis->GetFormat(), axis->GetPrecision(), axis->GetUnit()),
            std::make_tuple(util::ENDIAN_INVALID, util::data::STORAGE_INVALID, Axis::VALUE_NOT_SET,
                            std::string(), -1, std::string()));

  auto y = ReadAxis(R"(<axis id="L" type="y" special="labels"><label>a</label></axis>)");
  EXPECT_EQ(Dims(*y), (std::vector<uint32_t>{1, 1, 1}));
  EXPECT_EQ(ReadAxis(R"(<axis id="L" type="x" special="labels"/>)")->Validate(), 25);
}

TEST(AxisTest, CalculatedLabelsWithDataGetsADataTypeOfItsOwn) {
  auto axis = ReadAxis(R"(<axis id="C" type="x" special="Labels With Data">
      <label>P</label><label>R</label><label>N</label><label>D</label></axis>)");
  EXPECT_TRUE(axis->IsCalculated());
  // Range from the label count; storage, order, format and steps of its own.
  const auto expected = std::make_tuple(1.0, 4.0, util::data::STORAGE_U32, util::ENDIAN_BIG,
                                        std::string("%.0f"), 1.0, 2.0, 0);
  EXPECT_EQ(std::make_tuple(axis->GetMin(), axis->GetMax(), axis->GetStorage(), axis->GetEndian(),
                            axis->GetFormat(), axis->GetSmallDelta(), axis->GetLargeDelta(),
                            axis->GetPrecision()),
            expected);

  ASSERT_TRUE(axis->ResolveReferences(vehicle::DataTypeHash()));
  const auto type = axis->GetDataType();
  ASSERT_TRUE(type);
  EXPECT_EQ(
      std::make_tuple(axis->GetMin(), axis->GetMax(), type->storage, type->endian, type->format,
                      type->GetSmallDelta(), type->GetLargeDelta(), axis->GetPrecision()),
      expected);
  EXPECT_EQ(axis->GetUnit(), "-");
  EXPECT_EQ(type->std_conv.type, VehicleV2::CONV_INVALID);
  EXPECT_EQ(axis->GetElementSize(), 4u);
  EXPECT_EQ(axis->GetElementStride(), 4u);
  EXPECT_EQ(axis->Validate(), 0);

  // With a data type id that names nothing, it is an ordinary missing type.
  auto named = ReadAxis(R"(<axis id="C" type="x" special="labels with data" datatype="nope">
      <label>P</label></axis>)");
  EXPECT_FALSE(named->ResolveReferences(vehicle::DataTypeHash()));
}

TEST(AxisTest, ResolveReferencesTakesRangeFormatAndWidthFromTheDataType) {
  auto rpm = MakeDataType(kRpm);
  auto axis = ReadAxis(R"(<axis id="a" type="x" count="4" rom_offset="0" pad="2" datatype="RPM"
      max="6000"/>)");
  ASSERT_TRUE(axis->ResolveReferences(Types({rpm})));
  EXPECT_EQ(axis->GetDataType(), rpm);
  // The axis's own max wins over the type's.
  EXPECT_EQ(std::make_tuple(axis->GetMin(), axis->GetMax(), axis->GetFormat(), axis->GetPrecision(),
                            axis->GetElementSize(), axis->GetElementStride(), axis->GetUnit(),
                            axis->GetSmallDelta(), axis->GetLargeDelta(), axis->IsDeltaInverted(),
                            axis->GetStorage()),
            std::make_tuple(0.0, 6000.0, std::string("%.1f"), 1, 2u, 4u, std::string("rpm"), 10.0,
                            100.0, false, util::data::STORAGE_U16));

  auto missing = ReadAxis(R"(<axis id="a" type="x" count="4" rom_offset="0" datatype="X"/>)");
  EXPECT_FALSE(missing->ResolveReferences(Types({rpm})));
  EXPECT_FALSE(missing->DataHasLabels());
  EXPECT_TRUE(missing->GetDataLabels().empty());
  EXPECT_EQ(missing->GetBitMask(), 0xFFFFFFFFu);
}

TEST(AxisTest, DataTypeLabelsTurnTheAxisIntoLabelsWithData) {
  auto gears = MakeDataType(R"(<datatype id="G" unit="-" endian="big" storage="8" min="0" max="3">
      <conv type="labels"><label>1st</label><label>2nd</label><label>3rd</label></conv>
    </datatype>)");
  auto axis = ReadAxis(R"(<axis id="a" type="y" count="9" rom_offset="0x40" datatype="G"/>)");
  ASSERT_TRUE(axis->ResolveReferences(Types({gears})));
  EXPECT_TRUE(axis->IsLabelsWithData());
  EXPECT_FALSE(axis->IsCalculated());
  EXPECT_EQ(axis->GetCount(), 3u);
  EXPECT_EQ(axis->GetLabels(), (std::vector<std::string>{"1st", "2nd", "3rd"}));
  EXPECT_EQ(Dims(*axis), (std::vector<uint32_t>{1, 3, 1}));
  EXPECT_TRUE(axis->IsReadOnly());
  EXPECT_TRUE(axis->DataHasLabels());
}

TEST(AxisTest, AdjustOffsetsTranslatesRomOffsetsOnly) {
  const vehicle::IECUOffsetTranslator* hc16 =
      vehicle::getECUToRomOffsetTranslator(vehicle::CPU_HC16);
  ASSERT_NE(hc16, nullptr);
  auto axis =
      ReadAxis(R"(<axis id="a" type="x" rom_offset="0x30000,0x27FFF" ram_offset="0x30000"/>)");
  axis->AdjustOffsets(*hc16);
  EXPECT_EQ(axis->GetRomOffsets(), (std::vector<uint32_t>{0x28000, 0x27FFF}));
  EXPECT_EQ(axis->GetRamOffsets(), std::vector<uint32_t>{0x30000});

  auto runs = ReadAxis(R"(<axis id="a" type="x"><data count="1" rom_offset="0x28000"/>
      <data count="1" ram_offset="0x30000"/></axis>)");
  runs->AdjustOffsets(*hc16);
  EXPECT_EQ(runs->GetDataOffsets()[0].rom_offset, 0x20000u);
  // An absent offset must stay absent, not become a bogus address.
  EXPECT_EQ(runs->GetDataOffsets()[1].rom_offset, NS);
  EXPECT_EQ(runs->GetDataOffsets()[1].ram_offset, 0x30000u);
}

TEST(AxisTest, SigKeyIsMaskThenDataTypeId) {
  auto type = MakeDataType(R"(<datatype id="DT1" unit="u" endian="big" storage="8"/>)");
  auto axis = ReadAxis(R"(<axis id="a" type="x" count="1" rom_offset="0" datatype="DT1"/>)");
  ASSERT_TRUE(axis->ResolveReferences(Types({type})));
  EXPECT_EQ(axis->GenerateSigKey(), "4294967295DT1");
  type->SetBitMask(0xF0);
  EXPECT_EQ(axis->GenerateSigKey(), "240DT1");
}

TEST(AxisTest, OversizedShapeDropsTheCountAndLabelsLayAZAxisOutAsARow) {
  Axis axis;
  axis.SetAxisType(vehicle::AXIS_Z);
  axis.AdjustDimensions(1, 1, 5);  // a column until the labels lay it out
  axis.SetAxisDimensionsBasedOnLabels();
  EXPECT_EQ(Dims(axis), (std::vector<uint32_t>{5, 1, 1}));
  axis.AdjustDimensions(0x10000, 0x10000, 1);
  EXPECT_EQ(axis.GetCount(), NS);
}

// Validation: each case starts from an axis that validates and breaks one rule.
TEST(AxisTest, ValidateReportsTheFirstFailingRule) {
  const std::string good = R"(<axis id="a" type="x" count="4" rom_offset="0x10" datatype="RPM"/>)";
  struct Case {
    const char* name;
    std::string xml;
    std::function<void(Axis&)> change;
    vehicle::validate_codes_t code;
  } cases[] = {
      {"valid", good, nullptr, 0},
      {"no id", R"(<axis type="x" count="4" rom_offset="0x10" datatype="RPM"/>)", nullptr, 1},
      {"labels with data, count differs",
       R"(<axis id="a" type="x" special="labels with data"><label>a</label>
          <data count="2" rom_offset="0"/></axis>)",
       nullptr, 25},
      {"no role, no special", R"(<axis id="a" count="4" rom_offset="0x10" datatype="RPM"/>)",
       nullptr, 16},
      {"unknown special from elsewhere", good,
       [](Axis& a) { a.SetSpecialType(static_cast<vehicle::special_axis_types_t>(7)); }, 16},
      {"calculated", R"(<axis id="a" type="x" special="x-calc" count="3"/>)", nullptr, 0},
      {"no offsets", R"(<axis id="a" type="x" count="4" datatype="RPM"/>)", nullptr, 17},
      {"no count", R"(<axis id="a" type="x" rom_offset="0x10" datatype="RPM"/>)", nullptr, 18},
      {"x axis in two dimensions", good, [](Axis& a) { a.AdjustDimensions(2, 2, 2); }, 18},
      {"count differs from shape", good,
       [](Axis& a) {
         a.AdjustDimensions(1, 4, 1);
         a.SetAxisType(vehicle::AXIS_Z);
         a.AdjustDimensions(1, 0x10000, 0x10000);
       },
       18},
      {"data type missing", R"(<axis id="a" type="x" count="4" rom_offset="0x10"/>)", nullptr, 19},
      {"data type invalid", good,
       [](Axis& a) { a.SetDataType(std::make_shared<vehicle::DataType>()); }, 19},
      {"min above max", R"(<axis id="a" type="x" count="4" rom_offset="0x10" datatype="RPM"
          min="10" max="5"/>)",
       nullptr, 10},
      {"bad format", R"(<axis id="a" type="x" count="4" rom_offset="0x10" datatype="RPM"
          format="%s"/>)",
       nullptr, 13},
      {"no signatures", good, [](Axis& a) { a.SetDefSignature(""); }, 2},
      {"no data signature", good, [](Axis& a) { a.SetDataSignature(""); }, 2},
  };
  auto types = Types({MakeDataType(kRpm)});
  for (const Case& c : cases) {
    auto axis = ReadAxis(c.xml);
    axis->ResolveReferences(types);
    axis->SetDefSignature("def");
    axis->SetDataSignature("data");
    if (c.change)
      c.change(*axis);
    EXPECT_EQ(axis->Validate(), c.code) << c.name;
  }

  auto unranged = MakeDataType(R"(<datatype id="RPM" unit="rpm" endian="big" storage="16">
      <conv type="direct"/></datatype>)");
  auto axis = ReadAxis(good);
  ASSERT_TRUE(axis->ResolveReferences(Types({unranged})));
  axis->SetDefSignature("def");
  axis->SetDataSignature("data");
  EXPECT_EQ(axis->Validate(), 10);
}

// Every member the cache keeps, as seen through the accessors.
auto StoredFields(const Axis& a) {
  return std::make_tuple(a.GetObjId(), a.GetAxisType(), a.GetSpecialType(), a.GetMin(), a.GetMax(),
                         a.GetFormat(), a.GetRomOffsets(), a.GetRamOffsets(),
                         a.GetNaturalOffsets().offset_count, a.GetLabels(), a.GetCount(), Dims(a),
                         a.GetPad(), a.IsReadOnly(), a.IsCopyable(), a.GetDefSignature(),
                         a.GetDataSignature(), a.GetLayout(), a.GetDataTypeId(), a.GetMonitorId());
}

TEST(AxisTest, ArchiveKeepsTheStoredFields) {
  auto axis = ReadAxis(R"(<axis id="a" type="z" special="labels with data" min="1" max="2"
      format="%.3f" rom_offset="1,2" ram_offset="3" pad="1" monitor="M" datatype="DT" layout="vertical">
      <label>p</label><dimensions x="1" y="1"/><copyable/></axis>)");
  axis->SetDefSignature("def");
  axis->SetDataSignature("data");
  axis->SetResticted();
  std::shared_ptr<Axis> copy;
  ArchiveRoundTrip(axis, copy);
  ASSERT_TRUE(copy);
  EXPECT_EQ(StoredFields(*copy), StoredFields(*axis));
  EXPECT_FALSE(copy->IsRestricted());
  EXPECT_EQ(copy->GetElementSize(), NS);
}

TEST(AxisTest, BrokenDocumentsDoNotCrash) {
  for (const char* xml :
       {R"(<axis/>)", R"(<axis type=""/>)", R"(<axis type="z"><dimensions/></axis>)",
        R"(<axis type="x" special="labels"/>)", R"(<axis type="x"><data/></axis>)",
        R"(<axis type="x" count="-1" pad="0xFFFFFFFF" min="x" max=""/>)"}) {
    auto axis = ReadAxis(xml);
    EXPECT_NE(axis->Validate(), 0) << xml;
    axis->ResolveReferences(vehicle::DataTypeHash());
    (void)axis->GetReadType();
    (void)axis->GetPrecision();
  }
}

}  // namespace
