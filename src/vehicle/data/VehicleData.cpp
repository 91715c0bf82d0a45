#include "vehicle/data/VehicleData.h"

#include <string>
#include <unordered_set>
#include <utility>

#include "util/PointerSet.h"
#include "util/Prefetch.h"
#include "vehicle/definition/CopyGroup.h"
#include "vehicle/definition/Table.h"
#include "vehicle/loading/Vehicle.h"

namespace vehicle {

VehicleData::VehicleData(const std::shared_ptr<Vehicle>& vehicle) : vehicle_(vehicle) {}

VehicleData::VehicleData(const VehicleData& other) : Data() {
  *this = other;
}

VehicleData& VehicleData::operator=(const VehicleData& other) {
  if (this == &other)
    return *this;
  Data::operator=(other);
  copy_procedures_ = other.copy_procedures_;
  vehicle_ = other.vehicle_;
  toggles_ = other.toggles_;
  // The copy starts clean: its toggles' states are its own starting point,
  // as its axes' values are.
  toggles_.ClearDirtyState();
  live_rom_info_ = other.live_rom_info_;
  // New buffers: the copy's tables must point at the copy's axes.
  axes_ = other.axes_;
  ephemeral_axes_ = other.ephemeral_axes_;
  tables_ = TableDataRepository();
  restricted_tables_ = TableDataRepository();
  if (vehicle_) {
    for (const auto& entry : other.tables_.GetTables()) {
      const auto& definition = entry.second->GetTable();
      tables_.BuildTable(definition->IsEphemeral() ? ephemeral_axes_ : axes_, definition);
    }
    restricted_tables_.BuildUnrestrictedTables(axes_, vehicle_->GetRemovedTables());
    // The tables were built under the definition's current ids, which a
    // rename through another instance may have changed since `other` was
    // built: the slaves' copy steps must name these tables.
    copy_procedures_ = TableCopyProcedures::BuildTableCopyProcedures(tables_);
  }
  return *this;
}

VehicleData::~VehicleData() = default;

// ---- Building ----

int VehicleData::BuildVehicle(const std::vector<uint8_t>& rom, const std::vector<uint8_t>& second,
                              bool build_removed) {
  ResetForBuild();
  int result = BuildTables(rom, second, build_removed, false);
  if (result == BUILD_SLAVES_COPIED || result == BUILD_CONSISTENT)
    built = BuildToggles(rom, second, false) == BUILD_CONSISTENT;
  if (vehicle_)
    live_rom_info_.Parse(static_cast<uint32_t>(vehicle_->GetRomInfo().GetLiveromInfo().offset),
                         rom);
  return built ? result : BUILD_FAILED;
}

int VehicleData::BuildUnrestrictedVehicle(const std::vector<uint8_t>& rom,
                                          const std::vector<uint8_t>& second) {
  ResetForBuild();
  int result = BuildUnrestrictedTables(rom);
  if (result == BUILD_SLAVES_COPIED || result == BUILD_CONSISTENT)
    built = BuildUnrestrictedToggles(rom, second) == BUILD_CONSISTENT;
  if (vehicle_)
    live_rom_info_.Parse(static_cast<uint32_t>(vehicle_->GetRomInfo().GetLiveromInfo().offset),
                         rom);
  return built ? result : BUILD_FAILED;
}

void VehicleData::ResetForBuild() {
  built = false;
  axes_ = AxisDataRepository();
  ephemeral_axes_ = AxisDataRepository();
  tables_ = TableDataRepository();
  restricted_tables_ = TableDataRepository();
  live_rom_info_ = LiveRomInfo();
}

int VehicleData::BuildTables(const std::vector<uint8_t>& rom, const std::vector<uint8_t>& second,
                             bool build_removed, bool keep) {
  if (!vehicle_)
    return BUILD_FAILED;
  if (!keep) {
    built = false;
    axes_ = AxisDataRepository();
    ephemeral_axes_ = AxisDataRepository();
  }
  if (!BuildAxesAndEphemerals(rom, second))
    return BUILD_FAILED;
  Vehicle& vehicle = *vehicle_;
  tables_.BuildTables(axes_, vehicle.GetTables(), vehicle.GetRemovedTables(),
                      vehicle.GetDeleteFeatureRemover(), build_removed, keep);
  // Restricted tables still here are kept because one differs from stock.
  const TableRestrictor& restrictor = vehicle.GetTableRestrictor();
  for (const auto& entry : tables_.GetTables())
    entry.second->SetRestricted(restrictor.IsRestricted(entry.first));
  restricted_tables_ = TableDataRepository();
  restricted_tables_.BuildUnrestrictedTables(axes_, vehicle.GetRemovedTables());
  return FinishTables();
}

int VehicleData::BuildUnrestrictedTables(const std::vector<uint8_t>& rom) {
  if (!vehicle_)
    return BUILD_FAILED;
  if (!BuildAxesAndEphemerals(rom, std::vector<uint8_t>()))
    return BUILD_FAILED;
  Vehicle& vehicle = *vehicle_;
  // Restricted tables set aside by an earlier build belong to the whole set.
  tables_.BuildUnrestrictedTables(axes_, vehicle.GetTables());
  tables_.BuildUnrestrictedTables(axes_, vehicle.GetRemovedTables());
  return FinishTables();
}

bool VehicleData::BuildAxesAndEphemerals(const std::vector<uint8_t>& rom,
                                         const std::vector<uint8_t>& second) {
  if (!BuildEphemeralTables(second))
    return false;
  // Axes that only ephemeral tables use live in the second image; reading
  // them from the ROM image would fail or read the wrong bytes.
  bool any_ephemeral = false;
  for (const Vehicle::Tables* tables : {&vehicle_->GetTables(), &vehicle_->GetRemovedTables()}) {
    for (const auto& entry : *tables)
      any_ephemeral = any_ephemeral || entry.second->IsEphemeral();
  }
  if (!any_ephemeral)
    return axes_.BuildAxes(vehicle_->GetAxes(), rom);
  std::unordered_set<std::string> rom_signatures;
  for (const Vehicle::Tables* tables : {&vehicle_->GetTables(), &vehicle_->GetRemovedTables()}) {
    for (const auto& entry : *tables) {
      if (entry.second->IsEphemeral())
        continue;
      for (const auto& axis : entry.second->GetAxes())
        rom_signatures.insert(axis.second->GetDefSignature());
    }
  }
  for (const auto& entry : vehicle_->GetAxes()) {
    const auto& axis = entry.second;
    if (rom_signatures.count(axis->GetDefSignature()) != 0 && !axes_.BuildAxis(axis, rom))
      return false;
  }
  return true;
}

bool VehicleData::BuildEphemeralTables(const std::vector<uint8_t>& second) {
  if (!vehicle_)
    return false;
  if (second.empty())
    return true;
  for (const auto& entry : vehicle_->GetTables()) {
    if (!entry.second->IsEphemeral())
      continue;
    for (const auto& axis : entry.second->GetAxes()) {
      if (!ephemeral_axes_.BuildAxis(axis.second, second))
        return false;
    }
  }
  return true;
}

int VehicleData::FinishTables() {
  // Ephemeral tables read the second image's axes, never the ROM image's.
  for (const auto& entry : vehicle_->GetTables()) {
    if (entry.second->IsEphemeral())
      tables_.BuildTable(ephemeral_axes_, entry.second);
  }
  copy_procedures_ = TableCopyProcedures::BuildTableCopyProcedures(tables_);
  return CopyMasterAxesToSlaves();
}

int VehicleData::BuildToggles(const std::vector<uint8_t>& rom, const std::vector<uint8_t>& second,
                              bool keep) {
  if (!vehicle_)
    return BUILD_FAILED;
  bool built_toggles = toggles_.BuildToggles(vehicle_, rom, second, keep);
  // A trouble-code table the parser cannot read costs the ROM its trouble
  // codes, not its switches and tables; GetToggleRepository() tells why.
  if (!built_toggles &&
      toggles_.GetTroubleCodeParse() == ToggleDataRepository::TROUBLE_CODES_FAILED)
    built_toggles = true;
  return built_toggles ? BUILD_CONSISTENT : BUILD_FAILED;
}

int VehicleData::BuildUnrestrictedToggles(const std::vector<uint8_t>& rom,
                                          const std::vector<uint8_t>& second) {
  if (!vehicle_)
    return BUILD_FAILED;
  bool built_toggles = toggles_.BuildUnrestrictedToggles(vehicle_, rom, second);
  if (!built_toggles &&
      toggles_.GetTroubleCodeParse() == ToggleDataRepository::TROUBLE_CODES_FAILED)
    built_toggles = true;
  return built_toggles ? BUILD_CONSISTENT : BUILD_FAILED;
}

int VehicleData::RebuildTablesAndTogglesForComparison(const std::vector<uint8_t>& rom,
                                                      const std::vector<uint8_t>& second) {
  BuildUnrestrictedTables(rom);
  return BuildUnrestrictedToggles(rom, second);
}

int VehicleData::RebuildTablesAndTogglesAfterComparison(const std::vector<uint8_t>& rom,
                                                        const std::vector<uint8_t>& second,
                                                        bool build_removed) {
  int result = BuildTables(rom, second, build_removed, true);
  if (!build_removed) {
    // Kept tables that are now taken out must leave this instance too.
    for (const auto& entry : vehicle_->GetRemovedTables())
      tables_.RemoveTable(entry.first);
  }
  int toggles = BuildToggles(rom, second, true);
  built = result != BUILD_FAILED && toggles == BUILD_CONSISTENT;
  return built ? result : BUILD_FAILED;
}

int VehicleData::CopyMasterAxesToSlaves() {
  if (copy_procedures_.AreCopyableTablesEqual(tables_))
    return BUILD_CONSISTENT;
  copy_procedures_.ExecuteCopyOperations(tables_);
  return BUILD_SLAVES_COPIED;
}

int VehicleData::CompareRestrictedWithStock(const std::vector<uint8_t>& rom,
                                            const std::vector<uint8_t>& second,
                                            const std::vector<uint8_t>& stock_rom,
                                            const std::vector<uint8_t>& stock_second) {
  if (!vehicle_)
    return BUILD_FAILED;
  VehicleData stock(vehicle_);
  if (stock.BuildUnrestrictedVehicle(stock_rom, stock_second) == BUILD_FAILED)
    return BUILD_FAILED;
  RebuildTablesAndTogglesForComparison(rom, second);

  Vehicle& vehicle = *vehicle_;
  std::set<std::string> tables_differing;
  for (const auto& id : vehicle.GetTableRestrictor().GetRestrictedIds()) {
    auto mine = GetTable(id);
    auto theirs = stock.GetTable(id);
    if (mine && theirs && mine->IsDifferent(theirs))
      tables_differing.insert(id);
  }
  std::set<std::string> toggles_differing;
  for (const auto& entry : toggles_.GetToggles())
    RestrictedToggleDiffers(entry.first, stock, toggles_differing);

  TableRestrictor& table_restrictor = vehicle.GetTableRestrictor();
  ToggleRestrictor& toggle_restrictor = vehicle.GetToggleRestrictor();
  table_restrictor.ClearAllDifferentFromStockAndSameAsStockIds();
  toggle_restrictor.ClearAllDifferentFromStockAndSameAsStockIds();
  table_restrictor.DetermineStockAndNonstockRestrictedIds(tables_differing);
  toggle_restrictor.DetermineStockAndNonstockRestrictedIds(toggles_differing);
  GetRestrictedTablesWithDifferences() = tables_differing;
  GetRestrictedTogglesWithDifferences() = toggles_differing;
  return RebuildTablesAndTogglesAfterComparison(rom, second, false);
}

// A combined trouble-code toggle names several codes; the restriction lists
// name single codes, so a difference counts for each restricted code in it.
bool VehicleData::RestrictedToggleDiffers(const std::string& id, const VehicleData& stock,
                                          std::set<std::string>& differing) const {
  const ToggleRestrictor& restrictor = vehicle_->GetToggleRestrictor();
  if (!restrictor.IsRestricted(id))
    return false;
  auto mine = GetToggle(id);
  auto theirs = stock.GetToggle(id);
  if (!mine || !theirs || !mine->IsDifferent(theirs))
    return false;
  differing.insert(id);
  const std::set<std::string> restricted = restrictor.GetRestrictedIds();
  std::string::size_type start = 0;
  while (start <= id.size()) {
    std::string::size_type comma = id.find(',', start);
    if (comma == std::string::npos)
      comma = id.size();
    std::string part = id.substr(start, comma - start);
    const auto first = part.find_first_not_of(" \t");
    const auto last = part.find_last_not_of(" \t");
    if (first != std::string::npos) {
      part = part.substr(first, last - first + 1);
      if (restricted.count(part) != 0)
        differing.insert(part);
    }
    start = comma + 1;
  }
  return true;
}

// ---- Saving ----

bool VehicleData::SaveVehicle(std::vector<uint8_t>& rom) {
  if (!built || !vehicle_)
    return false;
  copy_procedures_.ExecuteCopyOperations(tables_);
  // Every axis and toggle is checked against the image before the first byte
  // is written, with the checks the writers make themselves, so a save that
  // fails leaves the caller's image as it was. (Copying the image and
  // swapping it in would cost more than the whole save.)
  std::vector<const AxisData*> axes;
  if (!CollectAxesToSave(rom.size(), axes) || !TogglesFit(rom))
    return false;
  // The axes lie all over the heap: their memory is asked for a few axes
  // ahead, in two steps because the second reads what the first brought.
  constexpr size_t kObjects = 2 * util::kPrefetchAhead, kTargets = util::kPrefetchAhead;
  for (size_t i = 0; i < axes.size(); ++i) {
    if (i + kObjects < axes.size())
      axes[i + kObjects]->PrefetchForWrite(0);
    if (i + kTargets < axes.size())
      axes[i + kTargets]->PrefetchForWrite(1);
    axes[i]->WriteAxis(rom);
  }
  return WriteToggles(rom);
}

bool VehicleData::CollectAxesToSave(size_t image_size, std::vector<const AxisData*>& axes) const {
  const auto& removed = vehicle_->GetRemovedTables();
  std::vector<const TableData*> tables;
  tables.reserve(tables_.GetTables().size());
  for (const auto& entry : tables_.GetTables()) {
    if (!removed.dataExists(entry.first))
      tables.push_back(entry.second.get());
  }
  // Tables, their definitions and their axes lie all over the heap: memory
  // is asked for a few steps ahead, the objects first, then what they point
  // at once those have had time to arrive.
  constexpr size_t kObjects = 2 * util::kPrefetchAhead, kTargets = util::kPrefetchAhead;
  // An axis shared by several tables is written once, where its first table
  // would have written it.
  util::PointerSet seen(3 * tables.size());
  axes.reserve(3 * tables.size());
  for (size_t i = 0; i < tables.size(); ++i) {
    if (i + kObjects < tables.size())
      util::Prefetch(tables[i + kObjects]);
    if (i + kTargets < tables.size()) {
      const TableData& ahead = *tables[i + kTargets];
      util::Prefetch(ahead.GetTable().get());
      if (!ahead.GetAxisHash().empty())
        util::Prefetch(&*ahead.GetAxisHash().begin());
    }
    const TableData& table = *tables[i];
    if (!table.IsBuilt())
      return false;
    if (table.GetTable() && table.GetTable()->IsEphemeral())
      continue;
    for (const auto& axis : table.GetAxisHash()) {
      if (seen.Insert(axis.second.get()))
        axes.push_back(axis.second.get());
    }
  }
  for (size_t i = 0; i < axes.size(); ++i) {
    if (i + kObjects < axes.size())
      util::Prefetch(axes[i + kObjects]);
    if (i + kTargets < axes.size())
      axes[i + kTargets]->PrefetchForWrite(0);
    if (!axes[i]->CanSaveAxis(image_size))
      return false;
  }
  return true;
}

bool VehicleData::TogglesFit(const std::vector<uint8_t>& image) const {
  for (const auto& entry : toggles_.GetToggles()) {
    if (entry.second->IsBuilt() && !entry.second->FitsImage(image))
      return false;
  }
  return true;
}

bool VehicleData::WriteToggles(std::vector<uint8_t>& image) const {
  for (const auto& entry : toggles_.GetToggles()) {
    const auto& toggle = entry.second;
    if (!toggle->IsBuilt())
      continue;
    // Bytes that already read as the toggle's state stay as they are, so an
    // unedited save gives the image back unchanged.
    auto reads = toggle->ValidateData(image);
    const bool strict = toggle->GetToggle().HasStrictValidation();
    const bool reads_enabled = reads.first && !(strict && reads.second);
    const bool reads_disabled = !reads.first && (!strict || reads.second);
    if (toggle->IsEnabled() ? reads_enabled : reads_disabled)
      continue;
    if (!toggle->SaveToggle(image))
      return false;
  }
  return true;
}

// ---- Lookups ----

std::shared_ptr<TableData> VehicleData::GetTable(const std::string& id) const {
  return tables_.GetTable(id);
}

bool VehicleData::ContainsTable(const std::string& id) const {
  return tables_.GetTable(id) != nullptr;
}

const TableDataRepository::TableDataHash& VehicleData::GetTableHash() const {
  return tables_.GetTables();
}

std::shared_ptr<TableData> VehicleData::GetRestrictedTable(const std::string& id) const {
  return restricted_tables_.GetTable(id);
}

std::shared_ptr<ToggleData> VehicleData::GetToggle(const std::string& id) const {
  return toggles_.GetToggle(id);
}

bool VehicleData::ContainsToggle(const std::string& id) const {
  return toggles_.GetToggle(id) != nullptr;
}

const ToggleDataRepository::ToggleDataHash& VehicleData::GetToggleHash() const {
  return toggles_.GetToggles();
}

std::shared_ptr<CopyGroup> VehicleData::GetCopyGroup(const std::string& id) const {
  if (!vehicle_ || !vehicle_->GetCopyGroups().dataExists(id))
    return nullptr;
  return vehicle_->GetCopyGroups().findData(id);
}

std::set<std::string>& VehicleData::GetRestrictedTablesWithDifferences() {
  return vehicle_->GetRestrictedTableDifferences();
}

std::set<std::string>& VehicleData::GetRestrictedTogglesWithDifferences() {
  return vehicle_->GetRestrictedToggleDifferences();
}

// ---- Editing ----

bool VehicleData::PutDouble(const std::string& id, axis_types_t role, const int& depth,
                            const int& x, const int& y, const double& value) {
  auto table = GetTable(id);
  return table && table->PutDouble(role, depth, x, y, value);
}

bool VehicleData::PutBinList(const std::string& id, axis_types_t role,
                             const std::vector<uint8_t>& bytes) {
  auto table = GetTable(id);
  return table && table->PutBinList(role, bytes);
}

bool VehicleData::GetBinList(const std::string& id, axis_types_t role,
                             std::vector<uint8_t>& bytes) const {
  auto table = GetTable(id);
  if (!table || !table->GetAxisData(role))
    return false;
  bytes = table->GetBinList(role);
  return true;
}

bool VehicleData::BoundsCheck(const std::string& id, const axis_types_t& role, double& value) {
  auto table = GetTable(id);
  return table && table->BoundsCheck(role, value);
}

void VehicleData::SanityCheckDeltas() {
  for (const auto& entry : tables_.GetTables())
    entry.second->SanityCheckDeltas();
}

bool VehicleData::IsDirty() const {
  return axes_.IsDirty() || ephemeral_axes_.IsDirty() || toggles_.IsDirty();
}

bool VehicleData::IsRamDirty() const {
  return axes_.IsRamDirty() || ephemeral_axes_.IsRamDirty();
}

void VehicleData::ClearDirtyState() {
  axes_.ClearDirtyState();
  ephemeral_axes_.ClearDirtyState();
  toggles_.ClearDirtyState();
}

void VehicleData::ClearDirtyRamState() {
  axes_.ClearDirtyRamState();
  ephemeral_axes_.ClearDirtyRamState();
}

bool VehicleData::ChangeTableId(const std::string& old_id, const std::string& new_id) {
  if (!vehicle_ || old_id == new_id || new_id.empty())
    return false;
  Vehicle::Tables& definitions = vehicle_->GetTables();
  if (!definitions.dataExists(old_id) || definitions.dataExists(new_id) ||
      tables_.GetTable(new_id) || !tables_.GetTable(old_id))
    return false;
  if (!tables_.ChangeTableId(old_id, new_id))
    return false;
  // The definition object is the one the table data holds and was renamed
  // with it; only the store's key follows here.
  std::shared_ptr<Table> table = definitions.findData(old_id);
  table->SetObjId(new_id);
  definitions.removeData(old_id);
  definitions.addData(new_id, table);
  for (const auto& entry : vehicle_->GetCopyGroups())
    entry.second->ChangeTableId(old_id, new_id);
  copy_procedures_ = TableCopyProcedures::BuildTableCopyProcedures(tables_);
  return true;
}

// ---- Copies ----

bool VehicleData::CopyTable(std::shared_ptr<VehicleData> other,
                            const tuner_editor::TableSelection& selection) {
  if (!other)
    return false;
  auto mine = GetTable(selection.GetTableId());
  auto theirs = other->GetTable(selection.GetTableId());
  if (!mine || !theirs)
    return false;
  return mine->CopyTable(theirs, selection.GetDepth());
}

bool VehicleData::CopyToggle(std::shared_ptr<VehicleData> other, const std::string& id) {
  if (!other)
    return false;
  auto mine = GetToggle(id);
  auto theirs = other->GetToggle(id);
  return mine && theirs && mine->CopyToggle(theirs);
}

bool VehicleData::IsTableRestrictedHere(const std::string& id) const {
  auto table = GetTable(id);
  return table && table->IsRestricted();
}

bool VehicleData::IsToggleRestrictedHere(const std::string& id) const {
  auto toggle = GetToggle(id);
  return toggle && toggle->IsRestricted();
}

CopyTablesResults VehicleData::CopyTablesBySelection(
    std::shared_ptr<VehicleData> source,
    const std::vector<tuner_editor::TableSelection>& selections) {
  using Selections = std::set<tuner_editor::TableSelection>;
  using Ids = std::set<std::string>;
  CopyTablesResults results;
  for (const auto& selection : selections) {
    const std::string& id = selection.GetTableId();
    if (source && ContainsTable(id) && source->ContainsTable(id)) {
      if (IsTableRestrictedHere(id)) {
        results.AddRestrictedTableCopies(Selections{selection});
        continue;
      }
      auto theirs = source->GetTable(id);
      if (!CopyTable(source, selection)) {
        results.AddFailedTableCopies(Selections{selection});
        continue;
      }
      const bool differs = theirs->GetTableType() != TABLE_4D && theirs->IsDifferent(GetTable(id));
      if (differs)
        results.AddPartialTableCopies(Selections{selection});
      else
        results.AddSuccessfulTableCopies(Selections{selection});
    } else if (source && ContainsToggle(id) && source->ContainsToggle(id)) {
      if (IsToggleRestrictedHere(id))
        results.AddRestrictedToggleCopies(Ids{id});
      else if (CopyToggle(source, id))
        results.AddSuccessfulToggleCopies(Ids{id});
      else
        results.AddFailedToggleCopies(Ids{id});
    } else {
      results.AddInvalidCopies(Ids{id});
    }
  }
  return results;
}

}  // namespace vehicle
