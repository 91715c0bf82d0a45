#include "RomChanges.h"

#include <algorithm>
#include <set>

#include "Output.h"
#include "vehicle/data/VehicleData.h"

namespace ecucal_cli {

namespace {

std::string OwnerName(const Owner& owner) {
  std::string text = owner.kind == Owner::kToggle ? "toggle \"" + owner.id + "\"" : owner.id;
  if (!owner.detail.empty())
    text += " (" + owner.detail + ")";
  return text;
}

std::vector<std::string> Sorted(const std::set<std::string>& ids) {
  return std::vector<std::string>(ids.begin(), ids.end());
}

}  // namespace

std::vector<std::string> OwnerNames(const RomMap& map, const ByteRange& range) {
  std::vector<std::string> names;
  for (const Owner* owner : map.OwnersOf(range)) {
    const std::string name = OwnerName(*owner);
    if (std::find(names.begin(), names.end(), name) == names.end())
      names.push_back(name);
  }
  if (!map.Unowned(range).empty())
    names.push_back("outside every table and toggle");
  return names;
}

std::vector<ChangedRange> ChangedRanges(const RomMap& map, const Image& a, const Image& b) {
  std::vector<ChangedRange> spans;
  for (const ByteRange& range : DifferingRanges(a, b)) {
    std::vector<std::string> owners = OwnerNames(map, range);
    if (!spans.empty() && spans.back().owners == owners) {
      spans.back().bytes.end = range.end;
      spans.back().changed += range.size();
    } else {
      spans.push_back({range, range.size(), owners});
    }
  }
  return spans;
}

std::string ChangedText(const ChangedRange& range) {
  if (range.changed == range.bytes.size())
    return RangeText(range.bytes);
  ByteRange last{range.bytes.end - 1, range.bytes.end};
  return Hex32(static_cast<uint32_t>(range.bytes.begin)) + "-" +
         Hex32(static_cast<uint32_t>(last.begin)) + " (" + std::to_string(range.changed) + " of " +
         std::to_string(range.bytes.size()) + " bytes)";
}

RomChanges SaveChanges(const RomSession& session, const Rom& rom, Progress& progress) {
  progress.Step("saving into a copy of " + rom.path);
  RomChanges changes;
  changes.image = rom.image;
  if (!rom.data->SaveVehicle(changes.image)) {
    throw CommandError(kExitBadRequest,
                       "cannot save into " + rom.path + ": a table or toggle does not fit it");
  }
  progress.Clear();
  RomMap map(session.vehicle());
  map.AddToggles(*rom.data);
  changes.ranges = ChangedRanges(map, rom.image, changes.image);
  std::set<std::string> tables, toggles;
  for (const ChangedRange& range : changes.ranges) {
    for (const Owner* owner : map.OwnersOf(range.bytes)) {
      if (owner->kind == Owner::kTable || owner->kind == Owner::kMirror)
        tables.insert(owner->id);
      else if (owner->kind == Owner::kToggle)
        toggles.insert(owner->id);
    }
  }
  changes.tables = Sorted(tables);
  changes.toggles = Sorted(toggles);
  return changes;
}

nlohmann::json RomChanges::Json(const std::string& target) const {
  nlohmann::json ranges_json = nlohmann::json::array();
  for (const ChangedRange& range : ranges) {
    nlohmann::json entry = RangeJson(range.bytes);
    entry["changed"] = range.changed;
    entry["owners"] = range.owners;
    ranges_json.push_back(entry);
  }
  std::vector<std::string> others;
  for (const std::string& id : tables) {
    if (id != target)
      others.push_back(id);
  }
  return {{"bytes_changed", ranges_json},
          {"tables_changed", tables},
          {"toggles_changed", toggles},
          {"also_changed", others}};
}

void RomChanges::Print(std::ostream& out, const std::string& target) const {
  if (ranges.empty()) {
    out << "No byte changed.\n";
    return;
  }
  out << "Bytes changed:\n";
  TextTable table({"bytes", "owner"});
  for (const ChangedRange& range : ranges)
    table.AddRow({ChangedText(range), JoinOrDash(range.owners)});
  table.Print(out, "  ");
  std::vector<std::string> others;
  for (const std::string& id : tables) {
    if (id != target)
      others.push_back(id);
  }
  if (!others.empty())
    out << (target.empty() ? "Tables changed: " : "Also changed with it: ") << JoinOrDash(others)
        << '\n';
}

}  // namespace ecucal_cli
