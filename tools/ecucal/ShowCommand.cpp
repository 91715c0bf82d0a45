// ecucal show: one table of a ROM as a grid, the way the editor shows it.
#include <CLI/CLI.hpp>
#include <cmath>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "Commands.h"
#include "Output.h"
#include "Rom.h"
#include "TableView.h"
#include "vehicle/data/AxisData.h"
#include "vehicle/data/TableData.h"
#include "vehicle/data/VehicleData.h"
#include "vehicle/loading/Vehicle.h"

namespace ecucal_cli {

namespace {

struct ShowOptions {
  RomOptions rom;
  std::string path;
  std::string table;
  int depth = -1;  // all
  bool raw = false;
  bool csv = false;
};

std::vector<unsigned> ChosenDepths(const GridShape& shape, int depth) {
  if (depth < 0) {
    std::vector<unsigned> all;
    for (unsigned d = 0; d < shape.depths; ++d)
      all.push_back(d);
    return all;
  }
  if (static_cast<unsigned>(depth) >= shape.depths) {
    throw CommandError(kExitBadRequest, "depth " + std::to_string(depth) +
                                            " is out of range: the table has " +
                                            std::to_string(shape.depths) + " depth slice" +
                                            (shape.depths == 1 ? "" : "s"));
  }
  return {static_cast<unsigned>(depth)};
}

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\n") == std::string::npos)
    return text;
  std::string quoted = "\"";
  for (char c : text)
    quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

std::string CsvLine(const std::string& first, const std::vector<std::string>& cells) {
  std::string line = CsvField(first);
  for (const std::string& cell : cells)
    line += "," + CsvField(cell);
  return line;
}

// One header row per depth slice (its first cell names the slice of a "4d"
// table), then one row per y value; `ecucal set --csv` reads it back.
void PrintCsv(const vehicle::TableData& table, const std::vector<unsigned>& depths, bool raw) {
  const GridShape shape = ShapeOf(table);
  const auto depth_texts = AxisTexts(table, vehicle::AXIS_W, shape.depths);
  for (unsigned depth : depths) {
    const Grid grid = SliceGrid(table, depth, raw);
    std::cout << CsvLine(shape.depths > 1 ? "depth " + depth_texts[depth] : grid.corner,
                         grid.columns)
              << '\n';
    for (size_t y = 0; y < grid.rows.size(); ++y)
      std::cout << CsvLine(grid.rows[y], grid.cells[y]) << '\n';
  }
}

std::string AxisLine(const vehicle::TableData& table, vehicle::axis_types_t role) {
  const auto axis = table.GetAxisData(role);
  if (!axis)
    return "";
  std::string text = axis->GetAxisId();
  if (!axis->GetUnit().empty())
    text += " (" + axis->GetUnit() + ")";
  return text;
}

void PrintText(const vehicle::Vehicle& vehicle, const vehicle::TableData& table,
               const std::vector<unsigned>& depths, bool raw) {
  const GridShape shape = ShapeOf(table);
  std::string unit = BodyUnit(table);
  std::cout << table.GetTableId() << ": "
            << Word(vehicle::priv::GetTableTypeStrs(), table.GetTableType()) << ", "
            << shape.columns << " x " << shape.rows;
  if (shape.depths > 1)
    std::cout << " x " << shape.depths;
  std::cout << (raw ? ", stored bytes in hex" : unit.empty() ? "" : ", values in " + unit) << '\n';
  const auto flags = TableFlags(vehicle, table);
  if (!flags.empty())
    std::cout << "flags: " << JoinOrDash(flags) << '\n';
  const std::string x = AxisLine(table, vehicle::AXIS_X);
  const std::string y = AxisLine(table, vehicle::AXIS_Y);
  if (!x.empty())
    std::cout << "columns: " << x << '\n';
  if (!y.empty())
    std::cout << "rows: " << y << '\n';
  const auto depth_texts = AxisTexts(table, vehicle::AXIS_W, shape.depths);
  for (unsigned depth : depths) {
    if (shape.depths > 1)
      std::cout << "\ndepth " << depth << ": " << AxisLine(table, vehicle::AXIS_W) << " = "
                << depth_texts[depth] << '\n';
    std::cout << '\n';
    PrintGrid(std::cout, SliceGrid(table, depth, raw), "  ");
  }
}

nlohmann::json AxisJson(const vehicle::TableData& table, vehicle::axis_types_t role,
                        unsigned count) {
  const auto axis = table.GetAxisData(role);
  if (!axis)
    return nullptr;
  return {{"id", axis->GetAxisId()},
          {"unit", axis->GetUnit()},
          {"values", AxisTexts(table, role, count)}};
}

nlohmann::json SliceJson(const vehicle::TableData& table, unsigned depth, bool raw) {
  const GridShape shape = ShapeOf(table);
  const auto body = table.GetAxisData(vehicle::AXIS_Z);
  nlohmann::json values = nlohmann::json::array();
  for (unsigned y = 0; y < shape.rows; ++y) {
    nlohmann::json row = nlohmann::json::array();
    for (unsigned x = 0; x < shape.columns; ++x) {
      const double value =
          body ? body->GetDouble(static_cast<int>(depth), static_cast<int>(x), static_cast<int>(y))
               : NAN;
      row.push_back(ValueJson(value));
    }
    values.push_back(row);
  }
  const Grid grid = SliceGrid(table, depth, false);
  nlohmann::json slice = {{"depth", depth}, {"values", values}, {"text", grid.cells}};
  if (raw)
    slice["raw"] = SliceGrid(table, depth, true).cells;
  return slice;
}

nlohmann::json ShowJson(const RomSession& session, const Rom& rom, const vehicle::TableData& table,
                        const std::vector<unsigned>& depths, bool raw) {
  const GridShape shape = ShapeOf(table);
  nlohmann::json slices = nlohmann::json::array();
  for (unsigned depth : depths)
    slices.push_back(SliceJson(table, depth, raw));
  return {
      {"rom", rom.path},
      {"table", table.GetTableId()},
      {"type", Word(vehicle::priv::GetTableTypeStrs(), table.GetTableType())},
      {"unit", BodyUnit(table)},
      {"flags", TableFlags(session.vehicle(), table)},
      {"shape", {{"columns", shape.columns}, {"rows", shape.rows}, {"depths", shape.depths}}},
      {"x", AxisJson(table, vehicle::AXIS_X, shape.columns)},
      {"y", AxisJson(table, vehicle::AXIS_Y, shape.rows)},
      {"w", AxisJson(table, vehicle::AXIS_W, shape.depths)},
      {"slices", slices},
  };
}

int Run(const ShowOptions& options) {
  if (options.csv && options.rom.json)
    throw CommandError(kExitUsage, "--csv and --json exclude each other");
  Progress progress;
  RomSession session(options.rom, progress);
  const Rom rom = session.Open(options.path);
  const auto table = FindTable(session, rom, options.table);
  const std::vector<unsigned> depths = ChosenDepths(ShapeOf(*table), options.depth);
  if (!table->GetAxisData(vehicle::AXIS_Z))
    throw CommandError(kExitBadRequest, "table \"" + options.table + "\" has no values");
  if (options.rom.json) {
    PrintJson(ShowJson(session, rom, *table, depths, options.raw));
  } else if (options.csv) {
    PrintCsv(*table, depths, options.raw);
  } else {
    PrintText(session.vehicle(), *table, depths, options.raw);
  }
  return kExitOk;
}

}  // namespace

Verb AddShowVerb(CLI::App& app) {
  auto options = std::make_shared<ShowOptions>();
  CLI::App* command =
      AddRomVerb(app, "show",
                 "Show one table of a ROM as a grid: x-axis values as column headers, y-axis\n"
                 "values or labels as row labels, values in the display format, with the unit\n"
                 "and flags (read-only, slave of M, restricted, ephemeral).",
                 options->rom);
  command->add_option("rom", options->path, "ROM image")->required();
  command->add_option("table", options->table, "table id")->required();
  command->add_option("--depth", options->depth, "only this depth slice of a 4d table (from 0)")
      ->check(CLI::NonNegativeNumber);
  command->add_flag("--raw", options->raw, "stored bytes (under the bit mask) in hex");
  command->add_flag("--csv", options->csv, "comma-separated values, as set --csv reads them");
  return {command, [options] { return Run(*options); }};
}

}  // namespace ecucal_cli
