#pragma once

// A table of a ROM as a tuner reads it: axis breakpoints or labels, body
// values in the definition's display format, units and flags.

#include <ostream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "vehicle/Enumerations.h"

namespace vehicle {
class AxisData;
class TableData;
class Vehicle;
}  // namespace vehicle

namespace ecucal_cli {

// Columns, rows and depth slices of a table's body (each at least 1).
struct GridShape {
  unsigned columns = 1;
  unsigned rows = 1;
  unsigned depths = 1;
  unsigned size() const { return columns * rows * depths; }
};

GridShape ShapeOf(const vehicle::TableData& table);

// False for what the ROM data model answers when it cannot read a value.
bool IsReadable(double value);
// The value, or null when it cannot be read.
nlohmann::json ValueJson(double value);

// A value in the axis's display format ("14.70"); "n/a" for unreadable ones.
std::string ValueText(const vehicle::AxisData& axis, double value);
// The stored bytes of element `index` under the bit mask, in hex ("0BB8").
std::string RawText(const vehicle::AxisData& axis, unsigned index);

// Header texts for the body's columns (role x), rows (role y) or depth
// slices (role w): the axis's values or labels, or indexes without an axis.
std::vector<std::string> AxisTexts(const vehicle::TableData& table, vehicle::axis_types_t role,
                                   unsigned count);

// "read-only", "slave of M", "restricted", "ephemeral", "RAM only".
std::vector<std::string> TableFlags(const vehicle::Vehicle& vehicle,
                                    const vehicle::TableData& table);

// "x 3, y 5" or "x 3, y 5, depth 1" for a "4d" table.
std::string CellText(const GridShape& shape, unsigned x, unsigned y, unsigned depth);
nlohmann::json CellJson(unsigned x, unsigned y, unsigned depth);

// The body's unit, "" when none.
std::string BodyUnit(const vehicle::TableData& table);

// One depth slice of a body as texts: column and row headers and cells.
struct Grid {
  std::string corner;  // what the header row and column hold, e.g. "g/rev \\ rpm"
  std::vector<std::string> columns;
  std::vector<std::string> rows;
  std::vector<std::vector<std::string>> cells;  // [row][column]
};

// `raw` gives the stored bytes in hex instead of display values.
Grid SliceGrid(const vehicle::TableData& table, unsigned depth, bool raw);

// The grid with every column right-aligned to its widest cell.
void PrintGrid(std::ostream& out, const Grid& grid, const std::string& indent);

}  // namespace ecucal_cli
