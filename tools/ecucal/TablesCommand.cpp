// ecucal tables: every calibration table with its shape and where it is read from.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <iostream>
#include <map>
#include <memory>
#include <string>

#include "Commands.h"
#include "Definition.h"
#include "Output.h"
#include "vehicle/definition/Axis.h"
#include "vehicle/definition/DataType.h"
#include "vehicle/definition/Group.h"
#include "vehicle/definition/Table.h"
#include "vehicle/loading/Vehicle.h"

namespace ecucal_cli {

namespace {

struct TablesOptions : DefinitionOptions {
  std::string group;
};

using TableList = std::vector<std::shared_ptr<vehicle::Table>>;
using AxisUsers = std::map<const vehicle::Axis*, size_t>;

// Shape of the value grid: columns, rows, depth.
std::vector<uint32_t> Shape(const vehicle::Table& table) {
  std::shared_ptr<vehicle::Axis> z = table.GetAxis(vehicle::AXIS_Z);
  if (!z)
    return {};
  const auto& d = z->GetDimensions();
  return {d.x, d.y, d.z};
}

std::string ShapeText(const std::vector<uint32_t>& shape) {
  if (shape.empty())
    return "-";
  size_t used = shape.size();
  while (used > 1 && shape[used - 1] == 1)
    --used;
  std::string text;
  for (size_t i = 0; i < used; ++i) {
    if (i > 0)
      text += "x";
    text += shape[i] == vehicle::Axis::NOT_SET ? std::string("?") : std::to_string(shape[i]);
  }
  return text;
}

bool InGroup(const vehicle::Table& table, const std::string& group) {
  const auto& ids = table.GetGroupIds();
  return std::find(ids.begin(), ids.end(), group) != ids.end();
}

nlohmann::json AxisJson(vehicle::axis_types_t role, const vehicle::Axis& axis, size_t users) {
  nlohmann::json special = nullptr;
  if (axis.GetSpecialType() != vehicle::SPECIAL_AXIS_INVALID) {
    special = Word(vehicle::priv::GetSpecialAxisStrs(), axis.GetSpecialType());
  }
  return {
      {"role", Word(vehicle::priv::GetAxisStrs(), role)},
      {"id", axis.GetObjId()},
      {"count", axis.GetCount()},
      {"data_type", axis.GetDataTypeId()},
      {"unit", axis.GetUnit()},
      {"special", special},
      {"read_type", Word(vehicle::priv::GetTableReadStrs(), axis.GetReadType())},
      {"read_only", axis.IsReadOnly()},
      {"copyable", axis.IsCopyable()},
      {"shared", users > 1},
  };
}

void RequireGroup(const vehicle::Vehicle& vehicle, const std::string& group) {
  if (vehicle.GetGroups().dataExists(group) || vehicle.GetInvalidGroups().dataExists(group))
    return;
  throw CommandError(kExitBadRequest, "no group \"" + group + "\" in the definition; groups: " +
                                          JoinOrDash(SortedKeys(vehicle.GetGroups())));
}

// How many tables use each axis object, to show which axes are shared.
AxisUsers CountAxisUsers(const vehicle::Vehicle& vehicle) {
  AxisUsers users;
  for (const auto& entry : vehicle.GetTables()) {
    for (const auto& axis : entry.second->GetAxes())
      ++users[axis.second.get()];
  }
  return users;
}

// The tables of `group` (all when it is empty), by id.
TableList SelectTables(const vehicle::Vehicle& vehicle, const std::string& group) {
  TableList tables;
  for (const auto& entry : vehicle.GetTables()) {
    if (group.empty() || InGroup(*entry.second, group))
      tables.push_back(entry.second);
  }
  std::sort(tables.begin(), tables.end(),
            [](const auto& a, const auto& b) { return a->GetObjId() < b->GetObjId(); });
  return tables;
}

nlohmann::json TableJson(const vehicle::Table& table, const AxisUsers& users) {
  nlohmann::json axes = nlohmann::json::array();
  for (const auto& axis : table.GetAxes()) {
    if (axis.second)
      axes.push_back(AxisJson(axis.first, *axis.second, users.at(axis.second.get())));
  }
  const std::string& master = table.GetMasterTableId();
  return {
      {"id", table.GetObjId()},
      {"type", Word(vehicle::priv::GetTableTypeStrs(), table.GetTableType())},
      {"shape", Shape(table)},
      {"read_type", Word(vehicle::priv::GetTableReadStrs(), table.GetReadType())},
      {"groups", table.GetGroupIds()},
      {"master", master.empty() ? nlohmann::json(nullptr) : nlohmann::json(master)},
      {"master_transform", table.GetTransformForMasterToSlaveDataCopy()},
      {"adjustable", table.IsAdjustable()},
      {"axes", axes},
  };
}

void PrintTextTables(const TableList& tables, const std::string& group) {
  TextTable table({"Table", "Type", "Shape", "Read", "Groups", "Master", "Values"});
  for (const auto& entry : tables) {
    std::shared_ptr<vehicle::Axis> z = entry->GetAxis(vehicle::AXIS_Z);
    std::string values = "-";
    if (z && z->GetDataType())
      values = z->GetDataTypeId() + " (" + z->GetUnit() + ")";
    const std::string& master = entry->GetMasterTableId();
    table.AddRow({entry->GetObjId(), Word(vehicle::priv::GetTableTypeStrs(), entry->GetTableType()),
                  ShapeText(Shape(*entry)),
                  Word(vehicle::priv::GetTableReadStrs(), entry->GetReadType()),
                  JoinOrDash(entry->GetGroupIds()), master.empty() ? "-" : master, values});
  }
  table.Print(std::cout);
  std::cout << tables.size() << (tables.size() == 1 ? " table" : " tables");
  if (!group.empty())
    std::cout << " in group " << group;
  std::cout << '\n';
}

int Run(const TablesOptions& options) {
  const Definition definition = LoadDefinition(options.definition);
  const vehicle::Vehicle& vehicle = *definition.vehicle;
  if (!options.group.empty())
    RequireGroup(vehicle, options.group);
  const TableList tables = SelectTables(vehicle, options.group);
  if (!options.json) {
    PrintTextTables(tables, options.group);
    return kExitOk;
  }
  const AxisUsers users = CountAxisUsers(vehicle);
  nlohmann::json list = nlohmann::json::array();
  for (const auto& table : tables)
    list.push_back(TableJson(*table, users));
  PrintJson({
      {"definition", definition.path},
      {"group", options.group.empty() ? nlohmann::json(nullptr) : nlohmann::json(options.group)},
      {"tables", list},
  });
  return kExitOk;
}

}  // namespace

Verb AddTablesVerb(CLI::App& app) {
  auto options = std::make_shared<TablesOptions>();
  CLI::App* command = AddDefinitionVerb(
      app, "tables",
      "List every valid table of a definition with its type, shape (columns x rows x\n"
      "depth), read type, groups and master table.",
      *options);
  command->add_option("--group", options->group, "only the tables of this group");
  return {command, [options] { return Run(*options); }};
}

}  // namespace ecucal_cli
