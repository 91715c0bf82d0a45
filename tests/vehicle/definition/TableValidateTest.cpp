#include <gtest/gtest.h>
#include <tinyxml.h>

#include <functional>

#include "vehicle/definition/Table.h"

namespace {

using vehicle::Axis;
using vehicle::Table;

// Reads one table.
std::shared_ptr<Table> ReadOne(const std::string& xml) {
  TiXmlDocument doc;
  doc.Parse(("<d>" + xml + "</d>").c_str());
  auto table = std::make_shared<Table>();
  std::string error;
  table->Read(doc.RootElement(), error, false);
  return table;
}

// A "data" table whose z axis is ready for validation; valid as given.
struct ValidTable {
  explicit ValidTable(const std::string& attributes = "",
                      const std::string& offsets = R"(rom_offset="0" ram_offset="0x10")")
      : table(ReadOne(R"(<table id="t" group="g" )" + attributes +
                      R"(><axis id="z" type="z" count="4" )" + offsets +
                      R"( datatype="DT" min="0" max="1" format="%.1f"/></table>)")) {
    type = std::make_shared<vehicle::DataType>();
    type->SetObjId("DT");
    type->unit = "u";
    type->endian = util::ENDIAN_BIG;
    type->storage = util::data::STORAGE_U8;
    type->std_conv.type = VehicleV2::CONV_DIRECT;
    types.addData("DT", type);
    group = std::make_shared<vehicle::Group>();
    group->SetObjId("g");
    groups.addData("g", group);
  }
  void Resolve() {
    table->ResolveReferences(groups);
    table->ResolveReferences(types);
    for (auto& entry : table->GetAxes()) {
      entry.second->SetDefSignature("def");
      entry.second->SetDataSignature("data");
    }
  }
  std::shared_ptr<Table> table;
  std::shared_ptr<vehicle::DataType> type;
  std::shared_ptr<vehicle::Group> group;
  vehicle::DataTypeHash types;
  vehicle::GroupHash groups;
};

TEST(TableTest, ValidateReportsTheFirstFailingRule) {
  auto x_axis = [] {
    auto axis = std::make_shared<Axis>();
    axis->SetObjId("x");
    axis->SetAxisType(vehicle::AXIS_X);
    return axis;
  };
  struct Case {
    const char* name;
    std::function<void(ValidTable&)> before;  // before resolution
    std::function<void(ValidTable&)> after;   // after resolution
    vehicle::validate_codes_t code;
  } cases[] = {
      {"valid", nullptr, nullptr, 0},
      {"no id", [](ValidTable& v) { v.table->SetObjId(""); }, nullptr, 1},
      {"master without slave", [](ValidTable& v) { v.table->SetMasterTableId("m"); }, nullptr, 27},
      {"slave without master", [](ValidTable& v) { v.table->SetIsSlave(true); }, nullptr, 27},
      {"group not found", [](ValidTable& v) { v.groups.clear(); }, nullptr, 21},
      {"legacy numbers with two groups",
       [](ValidTable& v) {
         v.table->GetLegacyTableCopyGroup().table_id = 3;
         v.table->GetGroups().addData("h", v.group);
       },
       nullptr, 21},
      {"legacy name given", nullptr,
       [](ValidTable& v) {
         v.table->GetLegacyTableCopyGroup().table_id = 3;
         v.table->GetLegacyTableCopyGroup().name = "n";
         v.table->GetGroups().addData("h", v.group);
       },
       0},
      {"type out of range", [](ValidTable& v) { v.table->SetTableType(vehicle::TABLE_INVALID); },
       nullptr, 22},
      {"data table with an x axis", nullptr,
       [&](ValidTable& v) { v.table->SetAxis(vehicle::AXIS_X, x_axis()); }, 24},
      {"2d without x or y", [](ValidTable& v) { v.table->SetTableType(vehicle::TABLE_2D); },
       nullptr, 24},
      {"invalid axis", nullptr,
       [](ValidTable& v) { v.table->GetAxis(vehicle::AXIS_Z)->SetDataSignature(""); }, 20},
      {"axis with an invalid data type",
       [](ValidTable& v) { v.type->std_conv.type = VehicleV2::CONV_INVALID; }, nullptr, 20},
  };
  for (const Case& c : cases) {
    ValidTable v;
    if (c.before)
      c.before(v);
    v.Resolve();
    if (c.after)
      c.after(v);
    EXPECT_EQ(v.table->Validate(), c.code) << c.name;
  }

  ValidTable rom_adjustable(R"(adjustable="1")", R"(rom_offset="0")");
  rom_adjustable.Resolve();
  EXPECT_EQ(rom_adjustable.table->Validate(), 40) << "adjustable needs ram";
  ValidTable ephemeral(R"(ephemeral="1")", R"(rom_offset="0")");
  ephemeral.Resolve();
  EXPECT_EQ(ephemeral.table->Validate(), 20) << "ephemeral needs read-only axes";

  // An adjustable table whose z data type has no standard conversion.
  ValidTable v(R"(adjustable="1")", R"(ram_offset="0")");
  v.Resolve();
  EXPECT_EQ(v.table->Validate(), 0);
  v.type->std_conv.type = VehicleV2::CONV_INVALID;
  v.type->str_conv.to_float = "x";
  v.type->data_target = vehicle::TARGET_DTC;
  EXPECT_EQ(v.table->Validate(), 40);
}

TEST(TableTest, ValidateMakesTheReadTypeExplicitAndNamesTheLegacyGroup) {
  ValidTable v;
  v.table->GetLegacyTableCopyGroup().group_id = 4;
  v.Resolve();
  EXPECT_EQ(v.table->Validate(), 0);
  EXPECT_EQ(v.table->GetLegacyTableCopyGroup().name, "g");
  EXPECT_TRUE(v.table->HasRamAxes());  // read type "real" is now explicit
  EXPECT_EQ(v.table->GetReadType(), vehicle::READ_REAL);
}

TEST(TableTest, AdjustTypeAndOffsets) {
  ValidTable v;
  auto z = v.table->GetAxis(vehicle::AXIS_Z);
  auto x = std::make_shared<Axis>();
  v.table->AdjustType(vehicle::TABLE_2D, z, x, nullptr);
  EXPECT_EQ(v.table->GetTableType(), vehicle::TABLE_2D);
  EXPECT_EQ(v.table->GetAxes().size(), 2u);
  EXPECT_EQ(v.table->GetAxis(vehicle::AXIS_X), x);
  EXPECT_EQ(v.table->GetAxis(vehicle::AXIS_Y), nullptr);

  auto table =
      ReadOne(R"(<table id="t"><axis id="z" type="z" count="1" rom_offset="0x30000"/></table>)");
  table->AdjustOffsets(*vehicle::getECUToRomOffsetTranslator(vehicle::CPU_HC16));
  EXPECT_EQ(table->GetAxis(vehicle::AXIS_Z)->GetRomOffsets(), std::vector<uint32_t>{0x28000});
}

}  // namespace
