#include "RomMap.h"

#include <algorithm>

#include "Output.h"
#include "util/Storage.h"
#include "vehicle/data/VehicleData.h"
#include "vehicle/definition/Axis.h"
#include "vehicle/definition/LiveRomInfo.h"
#include "vehicle/definition/RomInfo.h"
#include "vehicle/definition/Table.h"
#include "vehicle/definition/Toggle.h"
#include "vehicle/definition/XMLToggle.h"
#include "vehicle/loading/Vehicle.h"

namespace ecucal_cli {

namespace {

constexpr uint32_t kNotSet = 0xFFFFFFFF;

std::string RoleText(vehicle::axis_types_t role) {
  return Word(vehicle::priv::GetAxisStrs(), role);
}

// Image bytes one copy of an axis spans: padded slots side by side, or (laid
// out column by column) packed values.
uint64_t AxisLength(const vehicle::Axis& axis) {
  const uint64_t count = axis.GetCount() == kNotSet ? 0 : axis.GetCount();
  const uint64_t slot = axis.GetLayout() == vehicle::LAYOUT_VERTICAL ? axis.GetElementSize()
                                                                     : axis.GetElementStride();
  return count * slot;
}

}  // namespace

std::string RangeText(const ByteRange& range) {
  const uint64_t last = range.end > range.begin ? range.end - 1 : range.begin;
  std::string text = Hex32(static_cast<uint32_t>(range.begin));
  if (range.size() > 1)
    text += "-" + Hex32(static_cast<uint32_t>(last));
  text += " (" + std::to_string(range.size()) + (range.size() == 1 ? " byte)" : " bytes)");
  return text;
}

nlohmann::json RangeJson(const ByteRange& range) {
  return {{"offset", range.begin}, {"length", range.size()}};
}

std::vector<ByteRange> DifferingRanges(const std::vector<uint8_t>& a,
                                       const std::vector<uint8_t>& b) {
  std::vector<ByteRange> ranges;
  const size_t size = std::min(a.size(), b.size());
  for (size_t i = 0; i < size; ++i) {
    if (a[i] == b[i])
      continue;
    if (!ranges.empty() && ranges.back().end == i) {
      ranges.back().end = i + 1;
    } else {
      ranges.push_back({i, i + 1});
    }
  }
  if (a.size() != b.size())
    ranges.push_back({size, std::max(a.size(), b.size())});
  return ranges;
}

RomMap::RomMap(const vehicle::Vehicle& vehicle) {
  AddTables(vehicle);
  for (const auto& entry : vehicle.GetXMLToggles())
    AddToggle(*entry.second, false);
  AddRomInfo(vehicle);
}

void RomMap::AddTables(const vehicle::Vehicle& vehicle) {
  std::vector<std::shared_ptr<vehicle::Table>> tables;
  for (const auto& entry : vehicle.GetTables())
    tables.push_back(entry.second);
  for (const auto& entry : vehicle.GetRemovedTables())
    tables.push_back(entry.second);
  std::sort(tables.begin(), tables.end(),
            [](const auto& a, const auto& b) { return a->GetObjId() < b->GetObjId(); });
  for (const auto& table : tables) {
    for (const auto& [role, axis] : table->GetAxes()) {
      if (!axis || axis->IsLabels() || axis->IsCalculated())
        continue;
      const std::string name = "axis " + RoleText(role);
      const uint64_t length = AxisLength(*axis);
      const auto& offsets = axis->GetRomOffsets();
      for (size_t i = 0; i < offsets.size() && length > 0; ++i) {
        Owner owner{i == 0 ? Owner::kTable : Owner::kMirror,
                    table->GetObjId(),
                    name,
                    {offsets[i], offsets[i] + length}};
        if (i > 0)
          owner.detail = "copy " + std::to_string(i + 1) + " of " + name;
        owners_.push_back(owner);
      }
      for (const auto& run : axis->GetDataOffsets()) {
        if (run.rom_offset == kNotSet || run.count == kNotSet)
          continue;
        const uint64_t end = run.rom_offset + uint64_t{run.count} * axis->GetElementSize();
        owners_.push_back({Owner::kTable, table->GetObjId(), name, {run.rom_offset, end}});
      }
    }
  }
}

void RomMap::AddToggle(const vehicle::Toggle& toggle, bool dtc) {
  const auto& segments = toggle.GetToggleStateDefinitionSegments();
  for (size_t i = 0; i < segments.size(); ++i) {
    const auto& segment = segments[i];
    const size_t length = std::max(segment.enabled_values.size(), segment.disabled_values.size());
    if (length == 0)
      continue;
    Owner owner{
        Owner::kToggle, toggle.GetID(), "", {segment.rom_offset, segment.rom_offset + length}};
    if (segments.size() > 1)
      owner.detail = "segment " + std::to_string(i + 1);
    owner.dtc = dtc;
    owners_.push_back(owner);
  }
}

void RomMap::AddToggles(const vehicle::VehicleData& data) {
  const auto& xml = data.GetVehicle()->GetXMLToggles();
  for (const auto& entry : data.GetToggleHash()) {
    if (!xml.dataExists(entry.first))
      AddToggle(entry.second->GetToggle(), true);
  }
}

void RomMap::AddRomInfo(const vehicle::Vehicle& vehicle) {
  const vehicle::RomInfo& info = vehicle.GetRomInfo();
  const auto& firmware = info.GetFirmwareId();
  if (firmware.offset != kNotSet && !firmware.id.empty()) {
    owners_.push_back({Owner::kRomInfo,
                       "firmware id",
                       "",
                       {firmware.offset, firmware.offset + uint64_t{firmware.id.size()}}});
  }
  for (const auto& entry : info.GetFeatureVersions()) {
    const auto& feature = entry.second;
    if (feature.offset != kNotSet) {
      const uint64_t width = std::max<uint32_t>(1, util::data::StorageWidth(feature.storage));
      owners_.push_back(
          {Owner::kRomInfo, "feature " + feature.id, "", {feature.offset, feature.offset + width}});
    }
  }
  for (const auto& entry : info.GetFeatureToggles()) {
    if (entry.second.offset != kNotSet) {
      owners_.push_back({Owner::kRomInfo,
                         "feature " + entry.second.id,
                         "",
                         {entry.second.offset, entry.second.offset + uint64_t{1}}});
    }
  }
  const int32_t live = info.GetLiveromInfo().offset;
  if (live >= 0) {
    const uint64_t begin = static_cast<uint32_t>(live);
    owners_.push_back({Owner::kRomInfo,
                       "live ROM information",
                       "",
                       {begin, begin + vehicle::LiveRomInfo::kBlockSize}});
  }
}

std::vector<const Owner*> RomMap::OwnersOf(const ByteRange& range) const {
  std::vector<const Owner*> found;
  for (const Owner& owner : owners_) {
    if (owner.bytes.begin < range.end && range.begin < owner.bytes.end)
      found.push_back(&owner);
  }
  return found;
}

std::vector<ByteRange> RomMap::Unowned(const ByteRange& range) const {
  std::vector<ByteRange> covered;
  for (const Owner* owner : OwnersOf(range))
    covered.push_back(owner->bytes);
  std::sort(covered.begin(), covered.end(),
            [](const ByteRange& a, const ByteRange& b) { return a.begin < b.begin; });
  std::vector<ByteRange> gaps;
  uint64_t at = range.begin;
  for (const ByteRange& piece : covered) {
    if (piece.begin > at)
      gaps.push_back({at, std::min(piece.begin, range.end)});
    at = std::max(at, piece.end);
    if (at >= range.end)
      break;
  }
  if (at < range.end)
    gaps.push_back({at, range.end});
  return gaps;
}

const Owner* RomMap::Furthest() const {
  const Owner* furthest = nullptr;
  for (const Owner& owner : owners_) {
    if (furthest == nullptr || owner.bytes.end > furthest->bytes.end)
      furthest = &owner;
  }
  return furthest;
}

}  // namespace ecucal_cli
