#include "TableView.h"

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

std::string ValueText(const vehicle::AxisData& axis, double value) {
  if (std::isnan(value) || value == kUnset)
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

}  // namespace ecucal_cli
