// ecucal set: change table cells of a ROM the way the editor does, into a new
// image.
#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "Commands.h"
#include "Output.h"
#include "Rom.h"
#include "RomChanges.h"
#include "TableView.h"
#include "vehicle/data/AxisData.h"
#include "vehicle/data/TableData.h"
#include "vehicle/data/VehicleData.h"
#include "vehicle/definition/Table.h"
#include "vehicle/loading/Vehicle.h"

namespace ecucal_cli {

namespace {

struct SetOptions {
  RomOptions rom;
  std::string path;
  std::string table;
  std::vector<std::string> cells;  // pairs: "X,Y[,D]", value
  std::string csv;
  OutputOptions output;
};

// One cell to change and what became of it.
struct Edit {
  unsigned x = 0, y = 0, depth = 0;
  double requested = 0;
  double old_value = 0;
  double stored = 0;
  bool clamped = false;
};

double ParseNumber(const std::string& text, const std::string& where) {
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (text.empty() || end == nullptr || *end != '\0' || !std::isfinite(value))
    throw CommandError(kExitBadRequest, where + "\"" + text + "\" is not a number");
  return value;
}

unsigned ParseIndex(const std::string& text, const std::string& cell) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos ||
      text.size() > 9) {
    throw CommandError(kExitBadRequest, "cell \"" + cell + "\" is not X,Y or X,Y,D (from 0)");
  }
  return static_cast<unsigned>(std::stoul(text));
}

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::string part;
  std::istringstream in(text);
  while (std::getline(in, part, separator))
    parts.push_back(part);
  if (!text.empty() && text.back() == separator)
    parts.push_back("");
  return parts;
}

Edit ParseCell(const std::string& cell, const std::string& value, const GridShape& shape) {
  const std::vector<std::string> parts = Split(cell, ',');
  if (parts.size() < 2 || parts.size() > 3)
    throw CommandError(kExitBadRequest, "cell \"" + cell + "\" is not X,Y or X,Y,D (from 0)");
  Edit edit;
  edit.x = ParseIndex(parts[0], cell);
  edit.y = ParseIndex(parts[1], cell);
  edit.depth = parts.size() == 3 ? ParseIndex(parts[2], cell) : 0;
  if (edit.x >= shape.columns || edit.y >= shape.rows || edit.depth >= shape.depths) {
    throw CommandError(kExitBadRequest, "cell " + CellText(shape, edit.x, edit.y, edit.depth) +
                                            " is outside the table (" +
                                            std::to_string(shape.columns) + " x " +
                                            std::to_string(shape.rows) + " x " +
                                            std::to_string(shape.depths) + ", counted from 0)");
  }
  edit.requested = ParseNumber(value, "value ");
  return edit;
}

// Fields of one CSV line; quoted fields may hold commas and doubled quotes.
std::vector<std::string> CsvFields(const std::string& line) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
      fields.back() += '"';
      ++i;
    } else if (c == '"') {
      quoted = !quoted;
    } else if (c == ',' && !quoted) {
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  return fields;
}

std::vector<std::string> CsvLines(const std::string& path) {
  std::ifstream file(path);
  if (!file)
    throw CommandError(kExitUnreadable, "cannot read CSV file " + path);
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(file, line)) {
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    if (!line.empty())
      lines.push_back(line);
  }
  return lines;
}

// The grid as `ecucal show --csv` prints it: per depth slice a header row,
// then one row per y value, each led by its label.
std::vector<Edit> ParseCsv(const std::string& path, const GridShape& shape) {
  const std::vector<std::string> lines = CsvLines(path);
  const size_t expected = size_t{shape.depths} * (shape.rows + 1);
  if (lines.size() != expected) {
    throw CommandError(kExitBadRequest, path + " has " + std::to_string(lines.size()) +
                                            " lines; the table needs " + std::to_string(expected) +
                                            " (a header line and " + std::to_string(shape.rows) +
                                            " rows per depth slice, as show --csv prints)");
  }
  std::vector<Edit> edits;
  for (size_t n = 0; n < lines.size(); ++n) {
    const std::vector<std::string> fields = CsvFields(lines[n]);
    const std::string where = path + " line " + std::to_string(n + 1) + ": ";
    if (fields.size() != shape.columns + 1) {
      throw CommandError(kExitBadRequest, where + std::to_string(fields.size()) +
                                              " fields; the table needs " +
                                              std::to_string(shape.columns + 1));
    }
    if (n % (shape.rows + 1) == 0)
      continue;  // header
    Edit edit;
    edit.depth = static_cast<unsigned>(n / (shape.rows + 1));
    edit.y = static_cast<unsigned>(n % (shape.rows + 1) - 1);
    for (unsigned x = 0; x < shape.columns; ++x) {
      edit.x = x;
      edit.requested = ParseNumber(fields[x + 1], where);
      edits.push_back(edit);
    }
  }
  return edits;
}

void CheckWritable(const RomSession& session, const vehicle::TableData& table) {
  const std::string name = "table \"" + table.GetTableId() + "\" ";
  const auto body = table.GetAxisData(vehicle::AXIS_Z);
  if (table.IsSlave())
    throw CommandError(kExitBadRequest, name + "is a slave of \"" + table.GetMasterTableId() +
                                            "\" and follows it; set the master instead");
  if (IsTableRestricted(session.vehicle(), table.GetTableId()))
    throw CommandError(kExitBadRequest, name + "is restricted and cannot be changed");
  if (table.GetTable()->IsEphemeral())
    throw CommandError(kExitBadRequest, name + "is ephemeral: it is never written into a ROM");
  if (!body || body->IsReadOnly())
    throw CommandError(kExitBadRequest, name + "is read-only");
  if (body->IsCalculated())
    throw CommandError(kExitBadRequest, name + "is calculated from its limits, not stored");
  if (body->IsRamOnly())
    throw CommandError(kExitBadRequest, name + "lives in RAM only and is not in the ROM image");
}

// Clamps to the limits, rounds to what the storage holds, writes, reads back.
void Apply(vehicle::VehicleData& data, const vehicle::TableData& table, Edit& edit) {
  const auto body = table.GetAxisData(vehicle::AXIS_Z);
  const int depth = static_cast<int>(edit.depth), x = static_cast<int>(edit.x),
            y = static_cast<int>(edit.y);
  edit.old_value = body->GetDouble(depth, x, y);
  double value = edit.requested;
  edit.clamped = data.BoundsCheck(table.GetTableId(), vehicle::AXIS_Z, value);
  value = body->Round(value);
  data.PutDouble(table.GetTableId(), vehicle::AXIS_Z, depth, x, y, value);
  edit.stored = body->GetDouble(depth, x, y);
}

std::string Note(const vehicle::AxisData& body, const Edit& edit) {
  if (edit.clamped)
    return "  (clamped to the limits " + ValueText(body, body.GetMin()) + " .. " +
           ValueText(body, body.GetMax()) + ")";
  if (ValueText(body, edit.stored) != ValueText(body, edit.requested))
    return "  (rounded to what the ROM stores)";
  return "";
}

void PrintEdits(const vehicle::TableData& table, const std::vector<Edit>& edits) {
  const auto body = table.GetAxisData(vehicle::AXIS_Z);
  const GridShape shape = ShapeOf(table);
  const std::string unit = BodyUnit(table).empty() ? "" : " " + BodyUnit(table);
  TextTable out({"cell", "old", "requested", "stored", ""});
  size_t unchanged = 0;
  for (const Edit& edit : edits) {
    if (edit.old_value == edit.stored && edit.requested == edit.stored && edits.size() > 1) {
      ++unchanged;
      continue;
    }
    out.AddRow({CellText(shape, edit.x, edit.y, edit.depth), ValueText(*body, edit.old_value),
                ShortDouble(edit.requested), ValueText(*body, edit.stored) + unit,
                Note(*body, edit)});
  }
  std::cout << table.GetTableId() << ":\n";
  if (!out.empty())
    out.Print(std::cout, "  ");
  if (unchanged > 0)
    std::cout << "  " << unchanged << " cells already held the requested value\n";
}

nlohmann::json EditsJson(const vehicle::TableData& table, const std::vector<Edit>& edits) {
  const auto body = table.GetAxisData(vehicle::AXIS_Z);
  nlohmann::json list = nlohmann::json::array();
  for (const Edit& edit : edits) {
    nlohmann::json cell = CellJson(edit.x, edit.y, edit.depth);
    cell["old"] = ValueJson(edit.old_value);
    cell["requested"] = edit.requested;
    cell["stored"] = ValueJson(edit.stored);
    cell["stored_text"] = ValueText(*body, edit.stored);
    cell["clamped"] = edit.clamped;
    list.push_back(cell);
  }
  return list;
}

int Run(const SetOptions& options) {
  CheckOutputOptions(options.output, options.path);
  if (options.cells.empty() == options.csv.empty())
    throw CommandError(kExitUsage, "give either --cell X,Y[,D] VALUE or --csv FILE");
  Progress progress;
  RomSession session(options.rom, progress);
  const Rom rom = session.Open(options.path);
  const auto table = FindTable(session, rom, options.table);
  CheckWritable(session, *table);
  rom.data->SanityCheckDeltas();  // the editor's limits: snapped to stored values
  const GridShape shape = ShapeOf(*table);
  std::vector<Edit> edits;
  if (!options.csv.empty()) {
    edits = ParseCsv(options.csv, shape);
  } else {
    for (size_t i = 0; i + 1 < options.cells.size(); i += 2)
      edits.push_back(ParseCell(options.cells[i], options.cells[i + 1], shape));
  }
  for (Edit& edit : edits)
    Apply(*rom.data, *table, edit);

  const RomChanges changes = SaveChanges(session, rom, progress);
  const std::string written = WriteOutput(options.output, rom.path, changes.image);
  if (options.rom.json) {
    nlohmann::json doc = changes.Json(table->GetTableId());
    doc["rom"] = rom.path;
    doc["table"] = table->GetTableId();
    doc["cells"] = EditsJson(*table, edits);
    doc["output"] = written;
    PrintJson(doc);
    return kExitOk;
  }
  PrintEdits(*table, edits);
  changes.Print(std::cout, table->GetTableId());
  std::cout << "Wrote " << written << '\n';
  return kExitOk;
}

}  // namespace

Verb AddSetVerb(CLI::App& app) {
  auto options = std::make_shared<SetOptions>();
  CLI::App* command =
      AddRomVerb(app, "set",
                 "Change cells of a table into a new image, clamped to the table's limits and\n"
                 "rounded to what the ROM stores, as the editor does. Prints old, requested and\n"
                 "stored values, the bytes that changed and every other table that changed with\n"
                 "them (shared axes, slaves). Slave, read-only, calculated, RAM-only, ephemeral\n"
                 "and restricted tables are refused.",
                 options->rom);
  command->add_option("rom", options->path, "ROM image")->required();
  command->add_option("table", options->table, "table id")->required();
  command->add_option("--cell", options->cells, "X,Y[,D] VALUE: one cell (repeatable), from 0")
      ->expected(2)
      ->allow_extra_args(false);
  command->add_option("--csv", options->csv, "every cell from a file as show --csv prints it");
  AddOutputOptions(command, options->output);
  return {command, [options] { return Run(*options); }};
}

}  // namespace ecucal_cli
