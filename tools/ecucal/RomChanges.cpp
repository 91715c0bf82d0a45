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
  std::set<std::string> tables, toggles;
  for (const ByteRange& range : DifferingRanges(rom.image, changes.image)) {
    changes.ranges.push_back({range, OwnerNames(map, range)});
    for (const Owner* owner : map.OwnersOf(range)) {
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
    table.AddRow({RangeText(range.bytes), JoinOrDash(range.owners)});
  table.Print(out, "  ");
  std::vector<std::string> others;
  for (const std::string& id : tables) {
    if (id != target)
      others.push_back(id);
  }
  if (!others.empty())
    out << "Also changed with it: " << JoinOrDash(others) << '\n';
}

}  // namespace ecucal_cli
