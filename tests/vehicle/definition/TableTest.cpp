#include "vehicle/definition/Table.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <tuple>

#include "ArchiveTestSupport.h"

namespace {

using vehicle::Axis;
using vehicle::Table;
typedef util::DataHash<std::string, std::shared_ptr<Table>> TableHash;

struct Doc {
  explicit Doc(const std::string& xml) {
    doc.Parse(("<d>" + xml + "</d>").c_str());
    ok = vehicle::ReadHashData(doc.RootElement(), tables, error);
  }
  std::shared_ptr<Table> operator[](const std::string& id) { return tables.findData(id); }
  TiXmlDocument doc;
  TableHash tables;
  std::string error;
  bool ok = false;
};

// Reads one table and reports DoRead's result.
int32_t ReadOne(const std::string& xml, std::shared_ptr<Table>& table) {
  TiXmlDocument doc;
  doc.Parse(("<d>" + xml + "</d>").c_str());
  table = std::make_shared<Table>();
  std::string error;
  return table->Read(doc.RootElement(), error, false);
}

TEST(TableTest, OnlyOneToFourKnownAxesMakeATypeAndUnknownRolesFailTheRead) {
  std::shared_ptr<Table> table;
  EXPECT_EQ(ReadOne(R"(<table id="t" type="2d"/>)", table), 0);
  EXPECT_EQ(table->GetTableType(), vehicle::TABLE_INVALID);
  EXPECT_EQ(
      ReadOne(R"(<table id="t"><axis id="a" type="x" count="3" rom_offset="0"/></table>)", table),
      0);
  EXPECT_EQ(table->GetTableType(), vehicle::TABLE_DATA);  // "data" without a z axis: no crash
  EXPECT_EQ(table->Validate(), 21);
  // The axes of unknown role are left out; the rest is read.
  EXPECT_EQ(ReadOne(R"(<table id="t"><axis id="a" count="1" rom_offset="0"/>
      <axis id="b" type="v" count="1" rom_offset="0"/>
      <axis id="z" type="z" count="5" rom_offset="0"/></table>)",
                    table),
            1);
  EXPECT_EQ(table->GetAxes().size(), 1u);
  EXPECT_EQ(table->GetTableType(), vehicle::TABLE_DATA);
}

TEST(TableTest, RepeatedRoleRefinesTheAxisAndInternalAxesAreSkipped) {
  std::shared_ptr<Table> table;
  EXPECT_EQ(ReadOne(R"(<table id="t"><axis id="z1" type="z" count="5" rom_offset="0x10" min="1"/>
      <axis type="Z" max="9"/><axis id="x" type="x" internal="1" count="2" rom_offset="0"/>
      </table>)",
                    table),
            0);
  ASSERT_EQ(table->GetAxes().size(), 1u);
  auto z = table->GetAxis(vehicle::AXIS_Z);
  EXPECT_EQ(
      std::make_tuple(z->GetObjId(), z->GetMax(), z->GetCount(), z->GetMin(), z->GetRomOffsets()),
      std::make_tuple(std::string("z1"), 9.0, 5u, 1.0, std::vector<uint32_t>{0x10}));
  EXPECT_EQ(table->GetAxis(vehicle::AXIS_X), nullptr);
}

TEST(TableTest, RepeatedIdsRefineOneTable) {
  Doc d(R"(<table id="t" group="a"><axis id="z" type="z" rom_offset="0x10"/></table>
    <table id="t" group="b" restricted="1"><axis id="x" type="x" count="3" rom_offset="0"/></table>)");
  ASSERT_EQ(d.tables.size(), 1u);
  auto t = d["t"];
  EXPECT_EQ(t->GetTableType(), vehicle::TABLE_2D);
  EXPECT_EQ(t->GetGroupIds(), std::vector<std::string>{"b"});
  EXPECT_TRUE(t->IsRestricted());
  EXPECT_TRUE(t->vehicle::BaseVehicleDefObj::IsRestricted());
  EXPECT_TRUE(t->GetAxis(vehicle::AXIS_Z)->IsRestricted());
  EXPECT_EQ(t->GetAxis(vehicle::AXIS_Z)->GetCount(), 3u);
  t->SetRestricted(false);
  EXPECT_FALSE(t->vehicle::BaseVehicleDefObj::IsRestricted());
}

TEST(TableTest, Attributes) {
  std::shared_ptr<Table> table;
  ASSERT_EQ(ReadOne(R"(<table id="t" master_table="M" master_z_conv="x*2" restricted="1"
        group="a, b ,c" adjustable="0x1" ephemeral="1" read_type="Base_Real" group_id="-1"
        table_id="7"><axis id="z" type="z" count="1" rom_offset="0"/></table>)",
                    table),
            0);
  EXPECT_EQ(std::make_tuple(table->IsSlave(), table->IsHidden(), table->GetMasterTableId(),
                            table->GetTransformForMasterToSlaveDataCopy(), table->IsRestricted(),
                            table->IsAdjustable(), table->IsEphemeral(), table->GetReadType(),
                            table->GetIconType(), table->GetGroupIds(),
                            table->GetLegacyTableCopyGroup().group_id,
                            table->GetLegacyTableCopyGroup().table_id,
                            table->GetLegacyTableCopyGroup().IsSwitchable()),
            std::make_tuple(true, true, std::string("M"), std::string("x*2"), true, true, true,
                            vehicle::READ_BASE_REAL, Table::ICON_RESTRICTED,
                            std::vector<std::string>{"a", "b", "c"}, -1, 7, true));

  // Only numbers count as flags, and a transform needs a master.
  ASSERT_EQ(ReadOne(R"(<table id="t" master_z_conv="x" restricted="true" adjustable="yes">
        <group>g</group><axis id="z" type="z" count="1" rom_offset="0"/></table>)",
                    table),
            0);
  EXPECT_EQ(std::make_tuple(table->IsSlave(), table->GetTransformForMasterToSlaveDataCopy(),
                            table->IsRestricted(), table->IsAdjustable(), table->GetGroupIds(),
                            table->GetLegacyTableCopyGroup().group_id,
                            table->GetLegacyTableCopyGroup().IsSwitchable()),
            std::make_tuple(false, std::string(), false, false, std::vector<std::string>{"g"}, -2,
                            false));
}

TEST(TableTest, AdjustmentParameters) {
  std::shared_ptr<Table> table;
  ASSERT_EQ(ReadOne(R"(<table id="t" adjustment_enable_id="e1, e2" enabled_value="0x5">
        <axis id="z" type="z" count="1" ram_offset="0"/>
        <adjustment_params axis_type="Z"><comms module_id="TCM" protocol="ISO_MODE_22"
          data_ident="0x10, 0x05, 0x1FF" address="0x40" offset="3"/></adjustment_params>
      </table>)",
                    table),
            0);
  const auto& p = table->GetAdjustmentParams();
  // An address is dropped when ids are given; ids keep their low bytes.
  EXPECT_EQ(std::make_tuple(p.axis_type, p.module, p.protocol, p.data_identifier, p.address,
                            p.offset, p.enabled_value, p.enable_table_ids),
            std::make_tuple(vehicle::AXIS_Z, vehicle::MODULE_TCM, Ecu::MONITOR_PROTOCOL_ISO_MODE_22,
                            std::vector<uint8_t>{0x10, 0x05, 0xFF}, Table::NOT_SET, 3u, 5u,
                            std::vector<std::string>{"e1", "e2"}));
  EXPECT_TRUE(table->HasAdjustmentParams());
  EXPECT_TRUE(table->IsAdjustmentEnableTable());

  ASSERT_EQ(ReadOne(R"(<table id="t"><axis id="z" type="z" count="1" ram_offset="0"/>
        <adjustment_params><axis_type>x</axis_type><comms module_id="obd" protocol="ram"
          address="0x40" offset="3"/></adjustment_params></table>)",
                    table),
            0);
  const auto& q = table->GetAdjustmentParams();
  EXPECT_EQ(std::make_tuple(q.address, q.offset, q.module, q.protocol),
            std::make_tuple(0x40u, Table::NOT_SET, static_cast<vehicle::modules_t>(-1),
                            Ecu::MONITOR_PROTOCOL_RAM));
  EXPECT_FALSE(table->IsAdjustmentEnableTable());

  EXPECT_EQ(ReadOne(R"(<table id="t"><axis id="z" type="z" count="1" rom_offset="0"/>
        <adjustment_params axis_type="z"/></table>)",
                    table),
            1);
  EXPECT_EQ(ReadOne(R"(<table id="t"><axis id="z" type="z" count="1" rom_offset="0"/>
        <adjustment_params><comms address="1"/></adjustment_params></table>)",
                    table),
            1);
  EXPECT_FALSE(table->HasAdjustmentParams());
}

TEST(TableTest, ReadTypeAndIcon) {
  struct Case {
    const char* name;
    const char* xml;
    vehicle::table_read_types_t read;
    Table::icon_type_t icon;
  } cases[] = {
      {"rom", R"(<axis id="z" type="z" count="1" rom_offset="0"/>)", vehicle::READ_BASE,
       Table::ICON_ROM},
      {"rom and ram in one axis",
       R"(<axis id="z" type="z" count="1" rom_offset="0" ram_offset="1"/>)", vehicle::READ_REAL,
       Table::ICON_ROM_AND_RAM},
      {"rom axis and ram axis",
       R"(<axis id="x" type="x" count="1" rom_offset="0"/><axis id="z" type="z" ram_offset="1"/>)",
       vehicle::READ_BASE_REAL, Table::ICON_ROM_AND_RAM},
      {"ram only", R"(<axis id="z" type="z" count="1" ram_offset="1"/>)", vehicle::READ_REAL,
       Table::ICON_RAM_ONLY},
      {"legacy numbers", R"(<group_id>1</group_id><table_id>2</table_id>
          <axis id="z" type="z" count="1" rom_offset="0"/>)",
       vehicle::READ_SWITCHABLE, Table::ICON_SWITCHABLE},
      {"one legacy number",
       R"(<group_id>1</group_id><axis id="z" type="z" count="1" rom_offset="0"/>)",
       vehicle::READ_BASE, Table::ICON_ROM},
      {"explicit switchable", R"(<read_type>switchable</read_type>
          <axis id="z" type="z" count="1" rom_offset="0"/>)",
       vehicle::READ_SWITCHABLE, Table::ICON_SWITCHABLE},
      {"explicit wins",
       R"(<read_type>real</read_type><axis id="z" type="z" count="1" rom_offset="0"/>)",
       vehicle::READ_REAL, Table::ICON_ROM},
      {"no offsets", R"(<axis id="z" type="z" count="1"/>)", vehicle::READ_BASE, Table::ICON_ROM},
  };
  for (const Case& c : cases) {
    std::shared_ptr<Table> table;
    ReadOne(std::string("<table id=\"t\">") + c.xml + "</table>", table);
    EXPECT_EQ(table->GetReadType(), c.read) << c.name;
    EXPECT_EQ(table->GetIconType(), c.icon) << c.name;
  }
}

TEST(TableTest, RomAndRamQueries) {
  std::shared_ptr<Table> table;
  const auto queries = [&table] {
    return std::make_tuple(table->HasRamAxes(), table->HasRamOnlyAxis(), table->HasRomAxes(),
                           table->IsRamOnly());
  };
  ReadOne(R"(<table id="t" read_type="real"><axis id="x" type="x" count="1" ram_offset="0"/>
      <axis id="z" type="z" ram_offset="1"/></table>)",
          table);
  EXPECT_EQ(queries(), std::make_tuple(true, true, false, true));
  ReadOne(R"(<table id="t"><axis id="x" type="x" count="1" ram_offset="0"/>
      <axis id="z" type="z" rom_offset="1"/></table>)",
          table);
  EXPECT_EQ(queries(), std::make_tuple(false, true, true, false));
  EXPECT_FALSE(Table().IsRamOnly());
}

// Loading shares every axis; a caller's hash may hold only some of them.
TEST(TableTest, SharedAxisResolutionReplacesMatchingAxesOnly) {
  Doc d(R"(<table id="t"><axis id="x" type="x" count="2" rom_offset="0"/>
      <axis id="z" type="z" rom_offset="16"/></table>)");
  d["t"]->GetAxis(vehicle::AXIS_X)->SetDefSignature("same");
  auto shared_x = std::make_shared<Axis>();
  Table::AxisHash shared;
  shared.addData("same", shared_x);
  EXPECT_TRUE(d["t"]->ResolveReferences(shared));
  EXPECT_EQ(d["t"]->GetAxis(vehicle::AXIS_X), shared_x);
  EXPECT_NE(d["t"]->GetAxis(vehicle::AXIS_Z), nullptr);
}

TEST(TableTest, DataTypeAndGroupResolution) {
  Doc d(R"(<table id="t" group="g1,g2,gx"><axis id="x" type="x" count="2" rom_offset="0"
      datatype="missing"/><axis id="z" type="z" rom_offset="8" datatype="DT"/></table>)");
  auto type = std::make_shared<vehicle::DataType>();
  type->SetObjId("DT");
  type->storage = util::data::STORAGE_S16;
  vehicle::DataTypeHash types;
  types.addData("DT", type);
  EXPECT_FALSE(d["t"]->ResolveReferences(types));
  EXPECT_EQ(d["t"]->GetAxis(vehicle::AXIS_Z)->GetDataType(), type);  // still tried

  vehicle::GroupHash groups;
  for (const char* id : {"g1", "g2"}) {
    auto group = std::make_shared<vehicle::Group>();
    group->SetObjId(id);
    groups.addData(id, group);
  }
  EXPECT_FALSE(d["t"]->ResolveReferences(groups));
  EXPECT_EQ(d["t"]->GetGroups().size(), 2u);
  EXPECT_EQ(d["t"]->GetGroups().findData("g2"), groups.findData("g2"));
  // Resolving again must not trip over the groups already added.
  EXPECT_NO_THROW(d["t"]->ResolveReferences(groups));
}

// Every member the cache keeps, as seen through the accessors.
auto StoredFields(const Table& t) {
  const auto& p = t.GetAdjustmentParams();
  return std::make_tuple(
      t.GetObjId(), t.GetMasterTableId(), t.IsSlave(), t.IsRestricted(),
      t.vehicle::BaseVehicleDefObj::IsRestricted(), t.GetTableType(), t.GetAxes().size(),
      t.GetLegacyTableCopyGroup().group_id, t.GetLegacyTableCopyGroup().table_id,
      t.GetTransformForMasterToSlaveDataCopy(), t.GetReadType(), t.GetGroupIds(), t.IsAdjustable(),
      t.IsEphemeral(), p.address, p.axis_type, p.enable_table_ids, p.enabled_value,
      p.data_identifier, p.module, p.offset, p.protocol);
}

TEST(TableTest, ArchiveKeepsTheStoredFields) {
  std::shared_ptr<Table> table;
  ReadOne(R"(<table id="t" master_table="M" master_z_conv="x" restricted="1" group="a,b"
      adjustable="1" ephemeral="1" read_type="real" group_id="1" table_id="2"
      adjustment_enable_id="e" enabled_value="3">
      <axis id="x" type="x" count="2" rom_offset="4"/><axis id="z" type="z" rom_offset="8"/>
      <adjustment_params axis_type="z"><comms module_id="bcm" protocol="iso_mode_21"
        data_ident="9" offset="6"/></adjustment_params></table>)",
          table);
  std::shared_ptr<Table> copy;
  ArchiveRoundTrip(table, copy);
  ASSERT_TRUE(copy);
  EXPECT_EQ(StoredFields(*copy), StoredFields(*table));
  EXPECT_EQ(copy->GetAxis(vehicle::AXIS_X)->GetRomOffsets(), std::vector<uint32_t>{4});
  EXPECT_EQ(copy->GetAxis(vehicle::AXIS_Z)->GetCount(), 2u);
  EXPECT_TRUE(copy->GetGroups().empty());
}

}  // namespace
