#include "report/ReportBuilder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <map>
#include <memory>

#include "Definition.h"
#include "Output.h"
#include "outside/Md5.h"
#include "vehicle/copy/TableRestrictor.h"
#include "vehicle/copy/ToggleRestrictor.h"
#include "vehicle/data/TableData.h"
#include "vehicle/data/ToggleData.h"
#include "vehicle/data/VehicleData.h"
#include "vehicle/definition/Axis.h"
#include "vehicle/definition/RomInfo.h"
#include "vehicle/definition/Table.h"
#include "vehicle/loading/Vehicle.h"

namespace ecucal_cli {

namespace {

using vehicle::AxisData;
using vehicle::TableData;
using vehicle::ToggleData;
using vehicle::VehicleData;

// Far above any ECU's flash; a larger file is not a ROM image.
constexpr std::streamoff kMaxImageSize = std::streamoff{1} << 30;
constexpr size_t kMaxRanges = 500;
constexpr size_t kRangeBytesShown = 16;

std::string BaseName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// One ROM built on the definition, with the toggles its build set aside.
struct BuiltRom {
  std::shared_ptr<VehicleData> data;
  int code = VehicleData::BUILD_FAILED;
  // Restricted toggles the build removed, read here so they can be shown.
  std::map<std::string, std::shared_ptr<ToggleData>> removed_toggles;
};

BuiltRom BuildRom(const std::shared_ptr<vehicle::Vehicle>& vehicle, const RomImage& rom,
                  const RomImage& second) {
  BuiltRom built;
  built.data = std::make_shared<VehicleData>(vehicle);
  // Tables the feature remover takes out are built too: the report shows
  // restricted tables, marked.
  built.code = built.data->BuildVehicle(rom.bytes, second.bytes, true);
  for (const auto& entry : vehicle->GetRemovedToggles()) {
    if (!entry.second)
      continue;
    auto toggle = std::make_shared<ToggleData>(*entry.second);
    if (toggle->BuildToggle(rom.bytes))
      built.removed_toggles[entry.first] = toggle;
  }
  return built;
}

bool Unreadable(double value) {
  return !std::isfinite(value) || value <= -3.3e38;
}

// The display format's number of decimals, within reason.
int Decimals(const AxisData& axis) {
  return std::max(0, std::min(12, axis.GetPrecision()));
}

std::string FormatNumber(double value, int decimals) {
  if (Unreadable(value))
    return "n/a";
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

// The values of an axis as shown: labels where the axis has them, numbers
// in the display format otherwise.
report::Values ReadValues(const AxisData& axis) {
  report::Values values;
  if (axis.IsLabels()) {
    for (const std::string& label : axis.GetLabels()) {
      values.numbers.push_back(std::numeric_limits<double>::quiet_NaN());
      values.texts.push_back(label);
    }
    return values;
  }
  const int decimals = Decimals(axis);
  const std::vector<double> numbers = axis.GetDoubleList();
  for (size_t i = 0; i < numbers.size(); ++i) {
    const double v = numbers[i];
    std::string text = axis.IsLabelsWithData() ? axis.GetLabel(static_cast<unsigned>(i)) : "";
    if (text.empty())
      text = FormatNumber(v, decimals);
    values.numbers.push_back(Unreadable(v) ? std::numeric_limits<double>::quiet_NaN() : v);
    values.texts.push_back(text);
  }
  return values;
}

bool Differs(double a, double b) {
  const bool na = std::isnan(a), nb = std::isnan(b);
  if (na || nb)
    return na != nb;
  return a != b;
}

// Marks in `mine` what differs in `theirs`; false when they cannot be
// compared cell by cell.
bool Compare(report::Values& mine, const report::Values& theirs) {
  if (mine.texts.size() != theirs.texts.size() || mine.numbers.size() != theirs.numbers.size())
    return false;
  for (size_t i = 0; i < mine.numbers.size(); ++i) {
    const bool differs = Differs(mine.numbers[i], theirs.numbers[i]) ||
                         (std::isnan(mine.numbers[i]) && mine.texts[i] != theirs.texts[i]);
    if (differs) {
      mine.changed.push_back(static_cast<uint32_t>(i));
      mine.other_texts.push_back(theirs.texts[i]);
    }
  }
  return true;
}

uint32_t Known(uint32_t value) {
  return value == vehicle::Axis::NOT_SET ? 0 : value;
}

const std::pair<vehicle::axis_types_t, const char*> kRoles[] = {
    {vehicle::AXIS_X, "x"}, {vehicle::AXIS_Y, "y"}, {vehicle::AXIS_W, "w"}};

report::Table DescribeTable(const vehicle::Vehicle& vehicle, const TableData& data) {
  report::Table table;
  const vehicle::Table& definition = *data.GetTable();
  table.id = data.GetTableId();
  table.type = Word(vehicle::priv::GetTableTypeStrs(), data.GetTableType());
  table.groups = definition.GetGroupIds();
  table.slave = data.IsSlave();
  table.master = data.GetMasterTableId();
  table.restricted = data.IsRestricted() || vehicle.GetTableRestrictor().IsRestricted(table.id);
  table.ephemeral = definition.IsEphemeral();
  const std::shared_ptr<AxisData> body = data.GetAxisData(vehicle::AXIS_Z);
  if (!body) {
    table.note = "The table has no values.";
    return table;
  }
  table.unit = body->GetUnit();
  table.format = body->GetFormat();
  table.read_only = body->IsReadOnly();
  table.ram_only = body->IsRamOnly();
  const vehicle::Axis::dimensions_t shape = body->GetDimensions();
  table.columns = Known(shape.x);
  table.rows = Known(shape.y);
  table.depths = Known(shape.z);
  table.body = ReadValues(*body);
  const uint64_t cells = uint64_t{table.columns} * table.rows * table.depths;
  if (table.body.texts.size() != cells) {
    table.note = table.ram_only ? "The values live in RAM only; the image holds none."
                                : "The values could not be read from the image.";
    table.body = report::Values();
    table.columns = table.rows = table.depths = 0;
  }
  for (const auto& role : kRoles) {
    const std::shared_ptr<AxisData> axis = data.GetAxisData(role.first);
    if (!axis)
      continue;
    table.axes.push_back({role.second, axis->GetAxisId(), axis->GetUnit(), ReadValues(*axis)});
  }
  return table;
}

void CompareTable(report::Table& table, const vehicle::Vehicle& vehicle,
                  const std::shared_ptr<TableData>& other, const std::string& other_label) {
  if (!other) {
    table.compare_note = "Not in " + other_label + ".";
    return;
  }
  const report::Table theirs = DescribeTable(vehicle, *other);
  bool comparable = Compare(table.body, theirs.body);
  for (report::AxisValues& axis : table.axes) {
    const auto match = std::find_if(theirs.axes.begin(), theirs.axes.end(),
                                    [&](const auto& a) { return a.role == axis.role; });
    comparable = match != theirs.axes.end() && Compare(axis.values, match->values) && comparable;
  }
  table.compared = true;
  if (!comparable)
    table.compare_note = "Some values could not be compared with " + other_label + ".";
}

// Every table data of a built ROM, by id.
std::map<std::string, std::shared_ptr<TableData>> TablesOf(const BuiltRom& rom) {
  std::map<std::string, std::shared_ptr<TableData>> tables;
  for (const auto& entry : rom.data->GetTableHash()) {
    if (entry.second)
      tables[entry.first] = entry.second;
  }
  return tables;
}

std::map<std::string, std::shared_ptr<ToggleData>> TogglesOf(const BuiltRom& rom) {
  std::map<std::string, std::shared_ptr<ToggleData>> toggles = rom.removed_toggles;
  for (const auto& entry : rom.data->GetToggleHash()) {
    if (entry.second)
      toggles[entry.first] = entry.second;
  }
  return toggles;
}

std::string StateOf(const std::map<std::string, std::shared_ptr<ToggleData>>& toggles,
                    const std::string& id) {
  const auto found = toggles.find(id);
  if (found == toggles.end())
    return "absent";
  return found->second->IsEnabled() ? "on" : "off";
}

void DescribeToggles(report::Report& report, const vehicle::Vehicle& vehicle, const BuiltRom& mine,
                     const BuiltRom* theirs) {
  const auto my_toggles = TogglesOf(mine);
  std::map<std::string, std::shared_ptr<ToggleData>> their_toggles;
  if (theirs)
    their_toggles = TogglesOf(*theirs);
  std::map<std::string, bool> ids;  // id -> is a trouble code
  auto collect = [&ids](const std::map<std::string, std::shared_ptr<ToggleData>>& toggles) {
    for (const auto& entry : toggles)
      ids[entry.first] = entry.second->GetToggleType() == vehicle::Toggle::TOGGLE_TYPE_DTC;
  };
  collect(their_toggles);
  collect(my_toggles);
  for (const std::string& id : mine.data->GetToggleRepository().GetSkippedToggleIds()) {
    if (!ids.count(id)) {
      const auto xml = vehicle.GetXMLToggles().dataExists(id);
      ids[id] = !xml;
    }
  }
  for (const auto& entry : ids) {
    report::Toggle toggle;
    toggle.id = entry.first;
    toggle.state = StateOf(my_toggles, entry.first);
    const auto found = my_toggles.find(entry.first);
    toggle.restricted = (found != my_toggles.end() && found->second->IsRestricted()) ||
                        vehicle.GetToggleRestrictor().IsRestricted(entry.first);
    if (theirs) {
      toggle.other_state = StateOf(their_toggles, entry.first);
      toggle.differs = toggle.other_state != toggle.state;
    }
    (entry.second ? report.trouble_codes : report.toggles).push_back(toggle);
  }
}

// Marks [offset, offset + length) in `covered`, clipped to it.
void Cover(std::vector<bool>& covered, uint64_t offset, uint64_t length) {
  const uint64_t end = std::min<uint64_t>(covered.size(), offset + length);
  for (uint64_t i = offset; i < end; ++i)
    covered[i] = true;
}

void CoverTable(std::vector<bool>& covered, const vehicle::Table& table) {
  for (const auto& entry : table.GetAxes()) {
    const vehicle::Axis* axis = entry.second.get();
    if (!axis || axis->GetCount() == vehicle::Axis::NOT_SET)
      continue;
    const uint64_t stride =
        std::max(Known(axis->GetElementStride()), Known(axis->GetElementSize()));
    for (uint32_t offset : axis->GetRomOffsets())
      Cover(covered, offset, uint64_t{axis->GetCount()} * stride);
    for (const auto& run : axis->GetDataOffsets()) {
      if (run.rom_offset != vehicle::Axis::NOT_SET && run.count != vehicle::Axis::NOT_SET)
        Cover(covered, run.rom_offset, uint64_t{run.count} * stride);
    }
  }
}

void CoverToggles(std::vector<bool>& covered,
                  const std::map<std::string, std::shared_ptr<ToggleData>>& toggles) {
  for (const auto& entry : toggles) {
    for (const auto& segment : entry.second->GetToggle().GetToggleStateDefinitionSegments()) {
      const size_t length = std::max(segment.enabled_values.size(), segment.disabled_values.size());
      Cover(covered, segment.rom_offset, length);
    }
  }
}

std::string HexRun(const std::vector<uint8_t>& bytes, uint64_t offset, uint64_t length) {
  std::vector<uint8_t> shown;
  for (uint64_t i = offset; i < offset + length && i < bytes.size(); ++i) {
    if (shown.size() == kRangeBytesShown)
      break;
    shown.push_back(bytes[i]);
  }
  std::string text;
  for (size_t i = 0; i < shown.size(); ++i) {
    if (i > 0)
      text += ' ';
    text += HexBytes({shown[i]});
  }
  if (offset + length > bytes.size())
    text += text.empty() ? "(past the end)" : " (ends)";
  else if (length > kRangeBytesShown)
    text += " ...";
  return text;
}

void FindByteRanges(report::Report& report, const vehicle::Vehicle& vehicle, const BuiltRom& mine,
                    const BuiltRom& theirs, const RomImage& rom, const RomImage& other) {
  const size_t size = std::max(rom.bytes.size(), other.bytes.size());
  std::vector<bool> covered(size, false);
  for (const auto* tables : {&vehicle.GetTables(), &vehicle.GetRemovedTables()}) {
    for (const auto& entry : *tables) {
      if (entry.second)
        CoverTable(covered, *entry.second);
    }
  }
  CoverToggles(covered, TogglesOf(mine));
  CoverToggles(covered, TogglesOf(theirs));
  auto differs = [&](size_t i) {
    if (covered[i])
      return false;
    if (i >= rom.bytes.size() || i >= other.bytes.size())
      return true;
    return rom.bytes[i] != other.bytes[i];
  };
  for (size_t i = 0; i < size;) {
    if (!differs(i)) {
      ++i;
      continue;
    }
    size_t end = i;
    while (end < size && differs(end))
      ++end;
    if (report.ranges.size() < kMaxRanges) {
      report.ranges.push_back(
          {i, end - i, HexRun(rom.bytes, i, end - i), HexRun(other.bytes, i, end - i)});
    } else {
      ++report.ranges_left_out;
    }
    i = end;
  }
}

report::Image ImageOf(const std::string& role, const RomImage& image) {
  std::string md5;
  if (!pkg::md5Buffer(image.bytes.data(), image.bytes.size(), md5))
    md5 = "(not computed)";
  return {role, image.path, image.bytes.size(), md5};
}

void DescribeRom(report::Report& report, const Definition& definition, const BuiltRom& built,
                 const RomImage& rom) {
  const vehicle::Vehicle& vehicle = *definition.vehicle;
  const vehicle::RomInfo& info = vehicle.GetRomInfo();
  auto& facts = report.facts;
  facts.push_back({"Vehicle", vehicle.GetLiveRomName()});
  facts.push_back({"Stock ROM", vehicle.GetStockRomName()});
  facts.push_back(
      {"Definition", definition.path + (definition.valid ? ""
                                                         : " (not valid: "
                                                           "objects that failed are left out)")});
  facts.push_back({"CPU", Word(vehicle::priv::GetCPUStrs(), info.GetCPU())});
  facts.push_back({"Protocol", Word(vehicle::priv::GetProtocolStrs(), info.GetProtocol())});
  facts.push_back({"Flash method", Word(vehicle::priv::GetFlashStrs(), info.GetFlash())});
  const auto& firmware = info.GetFirmwareId();
  if (!firmware.id.empty()) {
    std::string found;
    const uint64_t end = uint64_t{firmware.offset} + firmware.id.size();
    if (firmware.offset != 0xFFFFFFFFu && end <= rom.bytes.size()) {
      found.assign(rom.bytes.begin() + firmware.offset, rom.bytes.begin() + end);
    }
    facts.push_back({"Firmware id", firmware.id + " at " + Hex32(firmware.offset) +
                                        (found == firmware.id ? ", found in the image"
                                                              : ", not found in the image")});
  }
  facts.push_back({"Trouble-code parser", info.GetDTC().empty() ? "-" : info.GetDTC()});
  std::vector<std::string> live;
  for (const auto& feature : built.data->GetLiveRomInfo().GetFeatures())
    live.push_back(std::to_string(feature.first) + ": " + Hex32(feature.second));
  facts.push_back({"Live ROM information", JoinOrDash(live)});
  facts.push_back(
      {"Build", built.code == VehicleData::BUILD_CONSISTENT
                    ? "every slave table agrees with its master"
                    : "slave tables that disagreed with their master show the master's values"});
}

}  // namespace

RomImage ReadRomImage(const std::string& path) {
  std::ifstream file(path, std::ios::binary | std::ios::ate);
  if (!file.is_open())
    throw CommandError(kExitUnreadable, "cannot open the image " + path);
  const std::streamoff size = file.tellg();
  if (size < 0 || size > kMaxImageSize)
    throw CommandError(kExitUnreadable, "cannot read the image " + path + ": not a ROM image size");
  RomImage image;
  image.path = path;
  image.bytes.resize(static_cast<size_t>(size));
  file.seekg(0);
  if (size > 0 && !file.read(reinterpret_cast<char*>(image.bytes.data()), size))
    throw CommandError(kExitUnreadable, "cannot read the image " + path);
  return image;
}

report::Report BuildReport(const Definition& definition, const RomImage& rom,
                           const RomImage& second, const RomImage* against) {
  const std::shared_ptr<vehicle::Vehicle>& vehicle = definition.vehicle;
  report::Report report;
  report.label = BaseName(rom.path);
  report.title = "ROM report: " + vehicle->GetLiveRomName() + ", " + report.label;
  report.images.push_back(ImageOf("ROM", rom));
  if (second.path != rom.path)
    report.images.push_back(ImageOf("second image", second));

  const BuiltRom mine = BuildRom(vehicle, rom, second);
  if (mine.code == VehicleData::BUILD_FAILED) {
    throw CommandError(kExitBadRequest, "the tables of " + definition.path +
                                            " cannot be read from " + rom.path +
                                            " (is it a ROM of this vehicle?)");
  }
  DescribeRom(report, definition, mine, rom);
  const auto& repository = mine.data->GetToggleRepository();
  if (!mine.data->IsBuilt())
    report.notes.push_back("The toggles could not all be read from " + rom.path + ".");
  if (repository.GetTroubleCodeParse() == vehicle::ToggleDataRepository::TROUBLE_CODES_FAILED) {
    report.notes.push_back("The trouble codes could not be read from " + second.path + ": " +
                           repository.GetTroubleCodeError());
  }

  BuiltRom theirs;
  if (against != nullptr) {
    report.compared = true;
    report.other_label = BaseName(against->path);
    if (report.other_label == report.label)
      report.other_label = against->path;
    report.images.push_back(ImageOf("compared with", *against));
    theirs = BuildRom(vehicle, *against, *against);
    if (theirs.code == VehicleData::BUILD_FAILED) {
      throw CommandError(kExitBadRequest, "the tables of " + definition.path +
                                              " cannot be read from " + against->path);
    }
  }

  const auto my_tables = TablesOf(mine);
  const auto their_tables = against ? TablesOf(theirs) : decltype(my_tables)();
  for (const auto& entry : my_tables) {
    report::Table table = DescribeTable(*vehicle, *entry.second);
    if (against) {
      const auto found = their_tables.find(entry.first);
      CompareTable(table, *vehicle, found == their_tables.end() ? nullptr : found->second,
                   report.other_label);
    }
    report.tables.push_back(std::move(table));
  }
  for (const auto& entry : vehicle->GetTables()) {
    if (!my_tables.count(entry.first)) {
      report::Table table;
      table.id = entry.first;
      table.groups = entry.second->GetGroupIds();
      table.note = "The table could not be built from this image.";
      report.tables.push_back(std::move(table));
    }
  }
  std::sort(report.tables.begin(), report.tables.end(),
            [](const report::Table& a, const report::Table& b) { return a.id < b.id; });

  DescribeToggles(report, *vehicle, mine, against ? &theirs : nullptr);
  if (against)
    FindByteRanges(report, *vehicle, mine, theirs, rom, *against);
  return report;
}

}  // namespace ecucal_cli
