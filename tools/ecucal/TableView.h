#pragma once

// A table of a ROM as a tuner reads it: axis breakpoints or labels, body
// values in the definition's display format, units and flags.

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

}  // namespace ecucal_cli
