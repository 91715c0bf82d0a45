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

struct TablesOptions {
  std::string definition;
  std::string group;
  bool json = false;
};

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

int Run(const TablesOptions& options) {
  Progress progress;
  const Definition definition = LoadDefinition(options.definition, CacheUse::kCacheFirst, progress);
  const vehicle::Vehicle& vehicle = *definition.vehicle;

  const bool filtered = !options.group.empty();
  if (filtered) {
    const bool known = vehicle.GetGroups().dataExists(options.group) ||
                       vehicle.GetInvalidGroups().dataExists(options.group);
    if (!known) {
      std::vector<std::string> names;
      for (const auto& entry : vehicle.GetGroups())
        names.push_back(entry.first);
      std::sort(names.begin(), names.end());
      throw CommandError(kExitBadRequest, "no group \"" + options.group +
                                              "\" in the definition; groups: " + JoinOrDash(names));
    }
  }

  // How many tables use each axis object, to show which axes are shared.
  std::map<const vehicle::Axis*, size_t> users;
  for (const auto& entry : vehicle.GetTables()) {
    for (const auto& axis : entry.second->GetAxes())
      ++users[axis.second.get()];
  }

  std::vector<std::shared_ptr<vehicle::Table>> tables;
  for (const auto& entry : vehicle.GetTables()) {
    if (!filtered || InGroup(*entry.second, options.group))
      tables.push_back(entry.second);
  }
  std::sort(tables.begin(), tables.end(),
            [](const auto& a, const auto& b) { return a->GetObjId() < b->GetObjId(); });

  if (options.json) {
    nlohmann::json list = nlohmann::json::array();
    for (const auto& table : tables) {
      nlohmann::json axes = nlohmann::json::array();
      for (const auto& axis : table->GetAxes()) {
        if (axis.second)
          axes.push_back(AxisJson(axis.first, *axis.second, users[axis.second.get()]));
      }
      const std::string& master = table->GetMasterTableId();
      list.push_back({
          {"id", table->GetObjId()},
          {"type", Word(vehicle::priv::GetTableTypeStrs(), table->GetTableType())},
          {"shape", Shape(*table)},
          {"read_type", Word(vehicle::priv::GetTableReadStrs(), table->GetReadType())},
          {"groups", table->GetGroupIds()},
          {"master", master.empty() ? nlohmann::json(nullptr) : nlohmann::json(master)},
          {"master_transform", table->GetTransformForMasterToSlaveDataCopy()},
          {"adjustable", table->IsAdjustable()},
          {"axes", axes},
      });
    }
    PrintJson({
        {"definition", definition.path},
        {"group", filtered ? nlohmann::json(options.group) : nlohmann::json(nullptr)},
        {"tables", list},
    });
    return kExitOk;
  }

  TextTable table({"Table", "Type", "Shape", "Read", "Groups", "Master", "Values"});
  for (const auto& entry : tables) {
    std::shared_ptr<vehicle::Axis> z = entry->GetAxis(vehicle::AXIS_Z);
    std::string values = "-";
    if (z && z->GetDataType()) {
      values = z->GetDataTypeId() + " (" + z->GetUnit() + ")";
    }
    std::string master = entry->GetMasterTableId();
    if (master.empty())
      master = "-";
    table.AddRow({entry->GetObjId(), Word(vehicle::priv::GetTableTypeStrs(), entry->GetTableType()),
                  ShapeText(Shape(*entry)),
                  Word(vehicle::priv::GetTableReadStrs(), entry->GetReadType()),
                  JoinOrDash(entry->GetGroupIds()), master, values});
  }
  table.Print(std::cout);
  std::cout << tables.size() << (tables.size() == 1 ? " table" : " tables");
  if (filtered)
    std::cout << " in group " << options.group;
  std::cout << '\n';
  return kExitOk;
}

}  // namespace

Verb AddTablesVerb(CLI::App& app) {
  auto options = std::make_shared<TablesOptions>();
  CLI::App* command = app.add_subcommand(
      "tables",
      "List every valid table of a definition with its type, shape (columns x rows x\n"
      "depth), read type, groups and master table.");
  command->add_option("definition", options->definition, "top document of the definition")
      ->required();
  command->add_option("--group", options->group, "only the tables of this group");
  command->add_flag("--json", options->json, "print one JSON document");
  return {command, [options] { return Run(*options); }};
}

}  // namespace ecucal_cli
