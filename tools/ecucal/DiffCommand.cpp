// ecucal diff: what differs between two ROMs of one definition, by table,
// toggle and trouble code, and the bytes no table or toggle explains.
#include <CLI/CLI.hpp>
#include <algorithm>
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
#include "vehicle/data/AxisData.h"
#include "vehicle/data/TableData.h"
#include "vehicle/data/ToggleData.h"
#include "vehicle/data/VehicleData.h"

namespace ecucal_cli {

namespace {

struct DiffOptions {
  RomOptions rom;
  std::string a;
  std::string b;
  bool cells = false;
};

struct CellDifference {
  std::string role;
  unsigned index = 0, x = 0, y = 0, depth = 0;
  std::string a, b;
};

struct TableDifference {
  std::string id;
  std::vector<std::string> roles;
  std::vector<CellDifference> cells;
};

struct ToggleDifference {
  std::string id;
  bool dtc = false;
  std::string a, b;  // "on", "off" or "absent"
};

struct Differences {
  std::vector<TableDifference> tables;
  std::vector<ToggleDifference> toggles;
  std::vector<ByteRange> outside;         // bytes no table or toggle owns
  std::vector<ChangedRange> unexplained;  // owned bytes whose owners compare equal
  bool any() const {
    return !tables.empty() || !toggles.empty() || !outside.empty() || !unexplained.empty();
  }
};

std::vector<CellDifference> CellDifferences(const std::string& role, const vehicle::AxisData& a,
                                            const vehicle::AxisData& b) {
  std::vector<CellDifference> cells;
  const std::vector<double> left = a.GetDoubleList();
  const std::vector<double> right = b.GetDoubleList();
  const auto dims = a.GetDimensions();
  const unsigned columns = dims.x == 0 || dims.x == 0xFFFFFFFF ? 1 : dims.x;
  const unsigned rows = dims.y == 0 || dims.y == 0xFFFFFFFF ? 1 : dims.y;
  for (unsigned i = 0; i < std::max(left.size(), right.size()); ++i) {
    const std::string l = i < left.size() ? ValueText(a, left[i]) : "absent";
    const std::string r = i < right.size() ? ValueText(b, right[i]) : "absent";
    const bool differs = l != r || (i < left.size() && i < right.size() && left[i] != right[i]);
    if (differs)
      cells.push_back({role, i, i % columns, (i / columns) % rows, i / (columns * rows), l, r});
  }
  return cells;
}

std::vector<TableDifference> TableDifferences(const Rom& a, const Rom& b, bool with_cells) {
  std::vector<TableDifference> found;
  for (const std::string& id : SortedKeys(a.data->GetTableHash())) {
    const auto left = a.data->GetTable(id);
    const auto right = b.data->GetTable(id);
    if (!right || !left->IsDifferent(right))
      continue;
    TableDifference table{id, {}, {}};
    for (const auto& [role, axis] : left->GetAxisHash()) {
      if (!left->IsAxisDifferent(right, role))
        continue;
      const std::string name = Word(vehicle::priv::GetAxisStrs(), role);
      table.roles.push_back(name);
      const auto other = right->GetAxisData(role);
      if (with_cells && axis && other) {
        const auto cells = CellDifferences(name, *axis, *other);
        table.cells.insert(table.cells.end(), cells.begin(), cells.end());
      }
    }
    found.push_back(table);
  }
  return found;
}

std::string State(const vehicle::VehicleData& data, const std::string& id) {
  const auto toggle = data.GetToggle(id);
  return !toggle ? "not found" : toggle->IsEnabled() ? "on" : "off";
}

std::vector<ToggleDifference> ToggleDifferences(const Rom& a, const Rom& b) {
  std::set<std::string> ids;
  for (const auto* data : {a.data.get(), b.data.get()}) {
    for (const auto& entry : data->GetToggleHash())
      ids.insert(entry.first);
  }
  std::vector<ToggleDifference> found;
  for (const std::string& id : ids) {
    const std::string left = State(*a.data, id), right = State(*b.data, id);
    if (left == right)
      continue;
    const auto toggle = a.data->GetToggle(id) ? a.data->GetToggle(id) : b.data->GetToggle(id);
    found.push_back({id, toggle->GetToggleType() == vehicle::Toggle::TOGGLE_TYPE_DTC, left, right});
  }
  return found;
}

Differences Compare(const RomSession& session, const Rom& a, const Rom& b, bool cells) {
  Differences differences;
  differences.tables = TableDifferences(a, b, cells);
  differences.toggles = ToggleDifferences(a, b);
  std::set<std::string> explained;
  for (const auto& table : differences.tables)
    explained.insert(table.id);
  for (const auto& toggle : differences.toggles)
    explained.insert(toggle.id);
  RomMap map(session.vehicle());
  map.AddToggles(*a.data);
  map.AddToggles(*b.data);
  for (const ByteRange& range : DifferingRanges(a.image, b.image)) {
    const auto outside = map.Unowned(range);
    differences.outside.insert(differences.outside.end(), outside.begin(), outside.end());
    bool seen = false;
    for (const Owner* owner : map.OwnersOf(range))
      seen = seen || explained.count(owner->id) != 0;
    if (!seen && !map.OwnersOf(range).empty())
      differences.unexplained.push_back({range, range.size(), OwnerNames(map, range)});
  }
  return differences;
}

void PrintTables(const std::vector<TableDifference>& tables) {
  if (tables.empty())
    return;
  std::cout << "Tables that differ (" << tables.size() << "):\n";
  for (const auto& table : tables) {
    std::cout << "  " << table.id << "  (" << JoinOrDash(table.roles) << ")\n";
    if (table.cells.empty())
      continue;
    TextTable cells({"axis", "cell", "A", "B"});
    for (const auto& cell : table.cells) {
      cells.AddRow({cell.role,
                    "x " + std::to_string(cell.x) + ", y " + std::to_string(cell.y) +
                        (cell.depth > 0 ? ", depth " + std::to_string(cell.depth) : ""),
                    cell.a, cell.b});
    }
    cells.Print(std::cout, "    ");
  }
}

void PrintToggles(const std::vector<ToggleDifference>& toggles, bool dtc) {
  TextTable table({dtc ? "Trouble code" : "Toggle", "A", "B"});
  for (const auto& toggle : toggles) {
    if (toggle.dtc == dtc)
      table.AddRow({toggle.id, toggle.a, toggle.b});
  }
  if (table.empty())
    return;
  std::cout << (dtc ? "Trouble codes that differ:\n" : "Toggles that differ:\n");
  table.Print(std::cout, "  ");
}

void PrintBytes(const Differences& differences) {
  if (!differences.outside.empty()) {
    std::cout << "Bytes that differ outside every table and toggle:\n";
    for (const ByteRange& range : differences.outside)
      std::cout << "  " << RangeText(range) << '\n';
  }
  if (!differences.unexplained.empty()) {
    std::cout << "Bytes that differ without changing a value (padding, masked bits, ROM "
                 "information):\n";
    for (const auto& range : differences.unexplained)
      std::cout << "  " << RangeText(range.bytes) << "  " << JoinOrDash(range.owners) << '\n';
  }
}

nlohmann::json DiffJson(const Rom& a, const Rom& b, const Differences& differences) {
  nlohmann::json tables = nlohmann::json::array();
  for (const auto& table : differences.tables) {
    nlohmann::json cells = nlohmann::json::array();
    for (const auto& cell : table.cells) {
      nlohmann::json entry = CellJson(cell.x, cell.y, cell.depth);
      entry.update({{"axis", cell.role}, {"index", cell.index}, {"a", cell.a}, {"b", cell.b}});
      cells.push_back(entry);
    }
    tables.push_back({{"id", table.id}, {"axes", table.roles}, {"cells", cells}});
  }
  nlohmann::json toggles = nlohmann::json::array(), codes = nlohmann::json::array();
  for (const auto& toggle : differences.toggles)
    (toggle.dtc ? codes : toggles).push_back({{"id", toggle.id}, {"a", toggle.a}, {"b", toggle.b}});
  nlohmann::json outside = nlohmann::json::array(), unexplained = nlohmann::json::array();
  for (const ByteRange& range : differences.outside)
    outside.push_back(RangeJson(range));
  for (const auto& range : differences.unexplained) {
    nlohmann::json entry = RangeJson(range.bytes);
    entry["owners"] = range.owners;
    unexplained.push_back(entry);
  }
  return {{"a", a.path},
          {"b", b.path},
          {"identical", !differences.any()},
          {"tables", tables},
          {"toggles", toggles},
          {"trouble_codes", codes},
          {"bytes_outside", outside},
          {"bytes_without_value_change", unexplained}};
}

int Run(const DiffOptions& options) {
  Progress progress;
  RomSession session(options.rom, progress);
  const Rom a = session.Open(options.a);
  const Rom b = session.Open(options.b);
  const Differences differences = Compare(session, a, b, options.cells);
  if (options.rom.json) {
    PrintJson(DiffJson(a, b, differences));
  } else if (!differences.any()) {
    std::cout << "No difference between " << a.path << " and " << b.path << ".\n";
  } else {
    std::cout << "A: " << a.path << "\nB: " << b.path << '\n';
    PrintTables(differences.tables);
    PrintToggles(differences.toggles, false);
    PrintToggles(differences.toggles, true);
    PrintBytes(differences);
  }
  return differences.any() ? kExitInvalid : kExitOk;
}

}  // namespace

Verb AddDiffVerb(CLI::App& app) {
  auto options = std::make_shared<DiffOptions>();
  CLI::App* command =
      AddRomVerb(app, "diff",
                 "Compare two ROMs of one definition: the tables, toggles and trouble codes that\n"
                 "differ, and the bytes that differ outside every table and toggle.\n"
                 "Exit 1 when anything differs.",
                 options->rom);
  command->add_option("a", options->a, "first ROM image")->required();
  command->add_option("b", options->b, "second ROM image")->required();
  command->add_flag("--cells", options->cells, "every differing cell with both values");
  return {command, [options] { return Run(*options); }};
}

}  // namespace ecucal_cli
