#include "TableView.h"

#include <algorithm>
#include <cmath>

#include "Output.h"
#include "Rom.h"
#include "outside/FloatFormatParser.h"
#include "vehicle/data/AxisData.h"
#include "vehicle/data/TableData.h"
#include "vehicle/definition/Axis.h"
#include "vehicle/definition/Table.h"
#include "vehicle/loading/Vehicle.h"

namespace ecucal_cli {

namespace {

constexpr uint32_t kNotSet = 0xFFFFFFFF;
// What the ROM data model answers for a value it cannot read.
constexpr double kUnset = -3.3999999521443642e38;

unsigned AtLeastOne(uint32_t value) {
  return value == kNotSet || value == 0 ? 1 : value;
}

}  // namespace

GridShape ShapeOf(const vehicle::TableData& table) {
  const auto body = table.GetAxisData(vehicle::AXIS_Z);
  if (!body)
    return {};
  const auto dims = body->GetDimensions();
  return {AtLeastOne(dims.x), AtLeastOne(dims.y), AtLeastOne(dims.z)};
}

bool IsReadable(double value) {
  return !std::isnan(value) && value != kUnset;
}

nlohmann::json ValueJson(double value) {
  return IsReadable(value) ? nlohmann::json(value) : nlohmann::json();
}

std::string ValueText(const vehicle::AxisData& axis, double value) {
  if (!IsReadable(value))
    return "n/a";
  const std::string format = axis.GetFormat();
  if (util::FloatFormatParser::IsValidFormat(format))
    return util::FloatFormatParser::Format(format, value);
  return ShortDouble(value);
}

std::string RawText(const vehicle::AxisData& axis, unsigned index) {
  const util::Binary binary = axis.GetBinary(index);
  return binary.IsEmpty() ? "n/a" : HexBytes(binary.GetBytes());
}

std::vector<std::string> AxisTexts(const vehicle::TableData& table, vehicle::axis_types_t role,
                                   unsigned count) {
  std::vector<std::string> texts;
  const auto axis = table.GetAxisData(role);
  for (unsigned i = 0; i < count; ++i) {
    std::string text;
    if (axis && (axis->IsLabels() || axis->IsLabelsWithData()))
      text = axis->GetLabel(i);
    if (text.empty() && axis && !axis->IsLabels()) {
      const auto labels = axis->GetAxis()->GetDataLabels();
      const double value = axis->GetDouble(i);
      text = axis->IsLabelsWithData() && i < labels.size() ? labels[i] : ValueText(*axis, value);
    }
    texts.push_back(text.empty() ? std::to_string(i) : text);
  }
  return texts;
}

std::vector<std::string> TableFlags(const vehicle::Vehicle& vehicle,
                                    const vehicle::TableData& table) {
  std::vector<std::string> flags;
  const auto body = table.GetAxisData(vehicle::AXIS_Z);
  if (body && body->IsReadOnly())
    flags.push_back("read-only");
  if (table.IsSlave())
    flags.push_back("slave of " + table.GetMasterTableId());
  if (IsTableRestricted(vehicle, table.GetTableId()))
    flags.push_back("restricted");
  if (table.GetTable()->IsEphemeral())
    flags.push_back("ephemeral");
  if (body && body->IsRamOnly())
    flags.push_back("RAM only");
  if (body && body->IsCalculated())
    flags.push_back("calculated");
  return flags;
}

std::string CellText(const GridShape& shape, unsigned x, unsigned y, unsigned depth) {
  std::string text = "x " + std::to_string(x) + ", y " + std::to_string(y);
  if (shape.depths > 1)
    text += ", depth " + std::to_string(depth);
  return text;
}

nlohmann::json CellJson(unsigned x, unsigned y, unsigned depth) {
  return {{"x", x}, {"y", y}, {"depth", depth}};
}

std::string BodyUnit(const vehicle::TableData& table) {
  const auto body = table.GetAxisData(vehicle::AXIS_Z);
  return body ? body->GetUnit() : std::string();
}

static std::string AxisUnit(const vehicle::TableData& table, vehicle::axis_types_t role) {
  const auto axis = table.GetAxisData(role);
  return axis ? axis->GetUnit() : std::string();
}

Grid SliceGrid(const vehicle::TableData& table, unsigned depth, bool raw) {
  const GridShape shape = ShapeOf(table);
  Grid grid;
  const bool has_y = table.GetAxisData(vehicle::AXIS_Y) != nullptr;
  const std::string x_unit = AxisUnit(table, vehicle::AXIS_X);
  grid.corner = has_y ? AxisUnit(table, vehicle::AXIS_Y) + " \\ " + x_unit : x_unit;
  grid.columns = AxisTexts(table, vehicle::AXIS_X, shape.columns);
  grid.rows = AxisTexts(table, vehicle::AXIS_Y, shape.rows);
  if (!has_y && shape.rows == 1)
    grid.rows = {""};  // a single row needs no label
  const auto body = table.GetAxisData(vehicle::AXIS_Z);
  for (unsigned y = 0; y < shape.rows; ++y) {
    std::vector<std::string> row;
    for (unsigned x = 0; x < shape.columns; ++x) {
      const unsigned index = x + shape.columns * (y + shape.rows * depth);
      if (!body) {
        row.push_back("n/a");
      } else {
        row.push_back(
            raw ? RawText(*body, index)
                : ValueText(*body, body->GetDouble(static_cast<int>(depth), static_cast<int>(x),
                                                   static_cast<int>(y))));
      }
    }
    grid.cells.push_back(row);
  }
  return grid;
}

void PrintGrid(std::ostream& out, const Grid& grid, const std::string& indent) {
  std::vector<size_t> widths(grid.columns.size() + 1, 0);
  widths[0] = grid.corner.size();
  for (const std::string& row : grid.rows)
    widths[0] = std::max(widths[0], row.size());
  for (size_t x = 0; x < grid.columns.size(); ++x) {
    widths[x + 1] = grid.columns[x].size();
    for (const auto& row : grid.cells)
      widths[x + 1] = std::max(widths[x + 1], row[x].size());
  }
  auto line = [&](const std::string& first, const std::vector<std::string>& cells) {
    std::string text = indent + std::string(widths[0] - first.size(), ' ') + first;
    for (size_t x = 0; x < cells.size(); ++x)
      text += "  " + std::string(widths[x + 1] - cells[x].size(), ' ') + cells[x];
    out << text << '\n';
  };
  line(grid.corner, grid.columns);
  for (size_t y = 0; y < grid.rows.size(); ++y)
    line(grid.rows[y], grid.cells[y]);
}

}  // namespace ecucal_cli
