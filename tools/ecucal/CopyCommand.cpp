// ecucal copy: copy chosen tables and toggles from one ROM into another of the
// same definition, with the editor's copy report.
#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "Commands.h"
#include "Output.h"
#include "Rom.h"
#include "RomChanges.h"
#include "TableView.h"
#include "outside/TableSelection.h"
#include "vehicle/copy/CopyTablesResults.h"
#include "vehicle/data/TableData.h"
#include "vehicle/data/VehicleData.h"
#include "vehicle/definition/CopyGroup.h"
#include "vehicle/loading/Vehicle.h"

namespace ecucal_cli {

namespace {

using tuner_editor::TableSelection;

// A copy: the library's constant is declared but defined nowhere.
const unsigned kDepthAxisOnly = TableSelection::DEPTH_AXIS_ONLY;

struct CopyOptions {
  RomOptions rom;
  std::string from;
  std::string to;
  std::vector<std::string> tables;
  std::vector<std::string> toggles;
  std::vector<std::string> copy_groups;
  OutputOptions output;
};

// "Wastegate Duty@1" (depth slice 1), "Wastegate Duty@w" (the depth axis
// only), or the plain id.
std::string SelectionText(const TableSelection& selection, bool four_d) {
  if (!four_d)
    return selection.GetTableId();
  if (selection.GetDepth() == kDepthAxisOnly)
    return selection.GetTableId() + "@w";
  return selection.GetTableId() + "@" + std::to_string(selection.GetDepth());
}

bool Is4d(const Rom& rom, const std::string& id) {
  const auto table = rom.data->GetTable(id);
  return table && table->GetTableType() == vehicle::TABLE_4D;
}

// A table with an optional @DEPTH; a "4d" table without one is copied whole:
// its depth axis and every slice.
void AddTableSelections(const std::string& text, const Rom& target,
                        std::vector<TableSelection>& out) {
  std::string id = text;
  std::string depth;
  const auto at = text.rfind('@');
  if (at != std::string::npos && at + 1 < text.size() &&
      (text.substr(at + 1) == "w" ||
       text.find_first_not_of("0123456789", at + 1) == std::string::npos)) {
    id = text.substr(0, at);
    depth = text.substr(at + 1);
  }
  const auto table = target.data->GetTable(id);
  if (!table)
    throw CommandError(kExitBadRequest, "no table \"" + id + "\" in " + target.path);
  const unsigned depths = ShapeOf(*table).depths;
  if (depth.empty() && Is4d(target, id)) {
    out.emplace_back(id, kDepthAxisOnly);
    for (unsigned d = 0; d < depths; ++d)
      out.emplace_back(id, d);
    return;
  }
  if (depth == "w" || depth.empty()) {
    out.emplace_back(id, depth.empty() ? 0 : kDepthAxisOnly);
    return;
  }
  if (depth.size() > 9 || std::stoul(depth) >= depths)
    throw CommandError(kExitBadRequest, "depth " + depth + " of \"" + id + "\" is out of range (" +
                                            std::to_string(depths) + " depth slices)");
  out.emplace_back(id, static_cast<unsigned>(std::stoul(depth)));
}

void AddCopyGroup(const vehicle::CopyGroup& group, std::vector<std::string>& tables) {
  for (const auto& entry : group.getCopyables()) {
    tables.push_back(entry.second.table_id);
    for (const std::string& slave : entry.second.slave_table_ids)
      tables.push_back(slave);
  }
  for (const auto& child : group.getChildren())
    AddCopyGroup(*child.second, tables);
}

// The tables of a copy group: a category names all its groups' tables.
std::vector<std::string> CopyGroupTables(const vehicle::Vehicle& vehicle, const std::string& id) {
  std::vector<std::string> tables;
  for (const auto& category : vehicle.GetCopyGroups()) {
    if (category.first == id)
      AddCopyGroup(*category.second, tables);
    for (const auto& child : category.second->getChildren()) {
      if (child.first == id)
        AddCopyGroup(*child.second, tables);
    }
  }
  if (tables.empty())
    throw CommandError(kExitBadRequest, "no copy group \"" + id + "\" in the definition");
  return tables;
}

std::vector<TableSelection> Selections(const CopyOptions& options, const RomSession& session,
                                       const Rom& source, const Rom& target) {
  std::vector<TableSelection> selections;
  std::vector<std::string> tables = options.tables;
  for (const std::string& group : options.copy_groups) {
    for (const std::string& id : CopyGroupTables(session.vehicle(), group))
      tables.push_back(id);
  }
  for (const std::string& table : tables)
    AddTableSelections(table, target, selections);
  for (const std::string& id : options.toggles) {
    if (!target.data->GetToggle(id) && !source.data->GetToggle(id) &&
        !IsToggleRestricted(session.vehicle(), id))
      throw CommandError(kExitBadRequest, "no toggle \"" + id + "\" in " + target.path);
    selections.emplace_back(id);
  }
  return selections;
}

// Restricted tables and toggles are never copied; they are reported as such.
vehicle::CopyTablesResults Copy(const RomSession& session, const Rom& source, const Rom& target,
                                const std::vector<TableSelection>& selections) {
  std::vector<TableSelection> allowed;
  vehicle::CopyTablesResults restricted;
  for (const TableSelection& selection : selections) {
    const std::string& id = selection.GetTableId();
    if (target.data->GetTable(id) && IsTableRestricted(session.vehicle(), id))
      restricted.AddRestrictedTableCopies({selection});
    else if (!target.data->GetTable(id) && IsToggleRestricted(session.vehicle(), id))
      restricted.AddRestrictedToggleCopies({id});
    else
      allowed.push_back(selection);
  }
  vehicle::CopyTablesResults results = target.data->CopyTablesBySelection(source.data, allowed);
  results.AddRestrictedRemovedResults(restricted);
  return results;
}

nlohmann::json ReportJson(const vehicle::CopyTablesResults& results, const Rom& target) {
  auto tables = [&target](const std::set<TableSelection>& set) {
    nlohmann::json list = nlohmann::json::array();
    for (const auto& selection : set)
      list.push_back(SelectionText(selection, Is4d(target, selection.GetTableId())));
    return list;
  };
  return {{"tables",
           {{"successful", tables(results.GetSuccessfulTableCopies())},
            {"partial", tables(results.GetPartialTableCopies())},
            {"failed", tables(results.GetFailedTableCopies())},
            {"restricted", tables(results.GetRestrictedTableCopies())}}},
          {"toggles",
           {{"successful", results.GetSuccessfulToggleCopies()},
            {"failed", results.GetFailedToggleCopies()},
            {"restricted", results.GetRestrictedToggleCopies()}}},
          {"invalid", results.GetInvalidTableCopies()},
          {"copied", results.WasCopySuccessful()}};
}

void PrintReport(const nlohmann::json& report) {
  TextTable table({"Copy", "Tables and toggles"});
  const std::vector<std::pair<std::string, nlohmann::json>> rows = {
      {"successful tables", report["tables"]["successful"]},
      {"partial tables", report["tables"]["partial"]},
      {"failed tables", report["tables"]["failed"]},
      {"restricted tables", report["tables"]["restricted"]},
      {"successful toggles", report["toggles"]["successful"]},
      {"failed toggles", report["toggles"]["failed"]},
      {"restricted toggles", report["toggles"]["restricted"]},
      {"invalid", report["invalid"]},
  };
  for (const auto& [label, list] : rows) {
    if (!list.empty())
      table.AddRow({label, JoinOrDash(list.get<std::vector<std::string>>())});
  }
  table.Print(std::cout);
}

int Run(const CopyOptions& options) {
  CheckOutputOptions(options.output, options.to);
  if (options.tables.empty() && options.toggles.empty() && options.copy_groups.empty())
    throw CommandError(kExitUsage, "give --table, --toggle or --copy-group");
  Progress progress;
  RomSession session(options.rom, progress);
  const Rom source = session.Open(options.from);
  const Rom target = session.Open(options.to);
  const auto selections = Selections(options, session, source, target);
  const vehicle::CopyTablesResults results = Copy(session, source, target, selections);
  nlohmann::json doc = ReportJson(results, target);
  doc.update({{"from", source.path}, {"to", target.path}, {"output", nullptr}});
  if (results.WasCopySuccessful()) {
    const RomChanges changes = SaveChanges(session, target, progress);
    doc["output"] = WriteOutput(options.output, target.path, changes.image);
    doc.update(changes.Json(""));
    if (!options.rom.json) {
      PrintReport(doc);
      changes.Print(std::cout, "");
      std::cout << "Wrote " << doc["output"].get<std::string>() << '\n';
    }
  } else if (!options.rom.json) {
    PrintReport(doc);
    std::cout << "The copy did not succeed; nothing was written.\n";
  }
  if (options.rom.json)
    PrintJson(doc);
  return results.WasCopySuccessful() ? kExitOk : kExitInvalid;
}

}  // namespace

Verb AddCopyVerb(CLI::App& app) {
  auto options = std::make_shared<CopyOptions>();
  CLI::App* command =
      AddRomVerb(app, "copy",
                 "Copy tables and toggles from one ROM into another of the same definition and\n"
                 "report each as successful, partial, failed, restricted or invalid. OUT is\n"
                 "written only when the copy succeeded; exit 1 when it did not.",
                 options->rom);
  command->add_option("--from", options->from, "ROM to copy from")->required();
  command->add_option("--to", options->to, "ROM to copy into")->required();
  command->add_option("--table", options->tables,
                      "table id, with @DEPTH for one slice of a 4d table or @w for its depth "
                      "axis (repeatable)");
  command->add_option("--toggle", options->toggles, "toggle or trouble code id (repeatable)");
  command->add_option("--copy-group", options->copy_groups,
                      "every table of a copy group or category (repeatable)");
  AddOutputOptions(command, options->output);
  return {command, [options] { return Run(*options); }};
}

}  // namespace ecucal_cli
