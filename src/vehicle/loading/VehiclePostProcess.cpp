// Turning the loose objects of a loaded definition into one connected model.
#include <cstddef>
#include <set>
#include <string>
#include <vector>

#include "util/Prefetch.h"
#include "vehicle/definition/Axis.h"
#include "vehicle/definition/CopyGroup.h"
#include "vehicle/definition/DataType.h"
#include "vehicle/definition/ECUOffsetTranslator.h"
#include "vehicle/definition/Group.h"
#include "vehicle/definition/Table.h"
#include "vehicle/definition/XMLToggle.h"
#include "vehicle/loading/AxisSignatureStrategy.h"
#include "vehicle/loading/ResolveHashReferences.h"
#include "vehicle/loading/Vehicle.h"
#include "vehicle/monitor/Monitor.h"

namespace vehicle {

// The steps of the header run in their order, except that steps which only
// concern the table in hand, given stores that earlier steps completed,
// share one walk. A definition holds thousands of tables, and each walk
// costs more in memory traffic than the work it does: the first walk lists
// the tables and their axis slots in store order, and the later walks go
// through those lists instead of the stores.
void Vehicle::PostProcessLoad(AxisSignatureStrategy* strategy) {
  // One axis slot of a table and the axis store's entry of its definition.
  struct AxisSlot {
    std::shared_ptr<Axis>* axis;
    const std::shared_ptr<Axis>* first;
  };
  std::vector<Table*> tables;
  tables.reserve(tables_.size());
  std::vector<AxisSlot> slots;
  slots.reserve(4 * tables_.size());

  // Signatures, then the axis stores: whether an axis is collected depends
  // only on the axes before it. A table's groups concern no axis, and the
  // group store is complete.
  for (auto& entry : tables_) {
    Table& table = *entry.second;
    tables.push_back(&table);
    for (auto& role : table.GetAxes()) {
      if (!role.second)
        continue;
      if (strategy != nullptr)
        strategy->GenerateSignatures(role.second);
      slots.push_back({&role.second, &CollectAxis(role.second)});
    }
    table.ResolveReferences(groups_);
  }

  // Flags, then the shared axes. Flags are reconciled through the axis
  // stores, never through another slot's axis, so replacing an axis before
  // the next one is corrected changes no flag. The axis store's entry of a
  // definition is the one a lookup by its signature would find.
  for (std::size_t i = 0; i < slots.size(); ++i) {
    if (i + util::kPrefetchAhead < slots.size())
      util::Prefetch(slots[i + util::kPrefetchAhead].axis->get());
    Axis& axis = **slots[i].axis;
    Axis* same = slots[i].first->get();
    CorrectReadOnly(axis, same);
    CorrectCopyable(axis, same);
    *slots[i].axis = *slots[i].first;
  }
  ResolveHashReferences(groups_, groups_);
  ResolveMonitorReferences();

  const IECUOffsetTranslator* translator =
      offsets_translated_ ? nullptr : getECUToRomOffsetTranslator(rom_info_.GetCPU());
  if (translator != nullptr) {
    for (auto& entry : xml_toggles_)
      entry.second->AdjustOffsets(*translator);
  }
  // Data types, offsets, the realtime flag and legacy copy groups: all after
  // every flag is settled (a data type with labels makes its axes read-only),
  // and each about the table in hand. Tables share axis objects by now:
  // translate each axis once, not once per table that holds it, or a shared
  // axis would move twice.
  std::set<const Axis*> translated;
  for (std::size_t i = 0; i < tables.size(); ++i) {
    if (i + util::kPrefetchAhead < tables.size())
      util::Prefetch(tables[i + util::kPrefetchAhead]);
    Table& table = *tables[i];
    table.ResolveReferences(data_types_);
    for (auto& role : table.GetAxes()) {
      if (translator != nullptr && role.second && translated.insert(role.second.get()).second) {
        role.second->AdjustOffsets(*translator);
      }
    }
    const table_read_types_t read_type = table.GetReadType();
    if (read_type == READ_REAL || read_type == READ_BASE_REAL)
      has_realtime_tables_ = true;
    BuildLegacyCopyGroup(table);
  }
  offsets_translated_ = true;
}

void Vehicle::GenerateAxisSignatures(AxisSignatureStrategy* strategy) {
  if (strategy == nullptr)
    return;
  for (auto& table : tables_) {
    for (auto& axis : table.second->GetAxes()) {
      if (axis.second)
        strategy->GenerateSignatures(axis.second);
    }
  }
}

void Vehicle::BuildAxisHashesFromTables() {
  for (auto& table : tables_) {
    for (auto& role : table.second->GetAxes()) {
      if (role.second)
        CollectAxis(role.second);
    }
  }
}

// The first axis of a definition signature goes into the axis store; the
// first of the others with a new data signature into the shared axis store.
const std::shared_ptr<Axis>& Vehicle::CollectAxis(const std::shared_ptr<Axis>& axis) {
  const auto first = axes_.data.insert_or_keep(axis->GetDefSignature(), axis);
  if (!first.second)
    shared_axes_.data.insert_or_keep(axis->GetDataSignature(), axis);
  return first.first->second;
}

void Vehicle::CorrectAxisAttributes() {
  for (auto& table : tables_) {
    for (auto& role : table.second->GetAxes()) {
      if (!role.second)
        continue;
      CorrectReadOnlyAttribute(role.second);
      CorrectCopyableAttribute(role.second);
    }
  }
}

Axis* Vehicle::FirstAxisOfDefinition(const Axis& axis) const {
  auto same = axes_.data.find(axis.GetDefSignature());
  return same == axes_.data.end() ? nullptr : same->second.get();
}

bool Vehicle::CorrectReadOnlyAttribute(const std::shared_ptr<Axis>& axis) {
  return CorrectReadOnly(*axis, FirstAxisOfDefinition(*axis));
}

bool Vehicle::CorrectCopyableAttribute(const std::shared_ptr<Axis>& axis) {
  return CorrectCopyable(*axis, FirstAxisOfDefinition(*axis));
}

// Axes that are the same axis end up read-only only if all of them are.
// `same` is the axis store's axis of the same definition, if any.
bool Vehicle::CorrectReadOnly(Axis& axis, Axis* same) {
  bool changed = false;
  if (same != nullptr && same != &axis && same->IsReadOnly() != axis.IsReadOnly()) {
    same->SetReadOnly(false);
    axis.SetReadOnly(false);
    changed = true;
  }
  auto shared = shared_axes_.data.find(axis.GetDataSignature());
  if (shared != shared_axes_.data.end() &&
      shared->second->GetDefSignature() != axis.GetDefSignature() &&
      shared->second->IsReadOnly() != axis.IsReadOnly()) {
    shared->second->SetReadOnly(false);
    axis.SetReadOnly(false);
    changed = true;
  }
  return changed;
}

// Axes that are the same axis end up copyable if any of them is.
bool Vehicle::CorrectCopyable(Axis& axis, Axis* same) {
  if (same == nullptr || same == &axis || same->IsCopyable() == axis.IsCopyable())
    return false;
  same->SetCopyable(true);
  axis.SetCopyable(true);
  return true;
}

void Vehicle::_ResolveHashReferences() {
  ResolveHashReferences(groups_, groups_);
  ResolveHashReferences(tables_, groups_);
  ResolveHashReferences(tables_, axes_);
  ResolveHashReferences(tables_, data_types_);
  ResolveMonitorReferences();
}

void Vehicle::ResolveMonitorReferences() {
  ResolveHashReferences(monitors_, groups_);
  ResolveHashReferences(monitors_, data_types_);
  ResolveHashReferences(monitors_, monitors_);
}

void Vehicle::BuildLegacyCopyGroup(const Table& table) {
  const LegacyTableCopyGroup& legacy = table.GetLegacyTableCopyGroup();
  if (legacy.group_id == LegacyTableCopyGroup::NOT_SET ||
      legacy.table_id == LegacyTableCopyGroup::NOT_SET) {
    return;
  }
  // A table in no group has no first group to name its copy group after;
  // validation rejects it later.
  if (table.GetGroups().empty())
    return;

  const std::string& category_id = CopyGroup::LEGACY_COPY_GROUP_CATEGORY_ID;
  if (!copy_groups_.dataExists(category_id)) {
    auto category = std::make_shared<CopyGroup>();
    category->setCopyGroupID(category_id);  // named, so that listings can show it
    copy_groups_.addData(category_id, category);
  }
  CopyGroup& category = *copy_groups_.findData(category_id);
  const std::string name = table.GetGroups().begin()->first;
  if (!category.getChildren().dataExists(name)) {
    auto child = std::make_shared<CopyGroup>();
    child->setCopyGroupID(name);
    category.addChild(child);
    child->setReadOnly(legacy.group_id == -1);
    child->setRealtime(legacy.group_id == -1);
  }
  CopyGroup::CopyTargets targets;
  targets.table_id = table.GetObjId();
  category.getChildren().findData(name)->AddCopyable(std::to_string(legacy.table_id), targets);
}

void Vehicle::ClearLegacyCopyGroups() {
  copy_groups_.removeData(CopyGroup::LEGACY_COPY_GROUP_CATEGORY_ID);
}

Vehicle::Tables Vehicle::GetAdjustableTables() const {
  Tables adjustable;
  for (const auto& entry : tables_) {
    if (entry.second->IsAdjustable() || entry.second->HasAdjustmentParams()) {
      adjustable.addData(entry.first, entry.second);
    }
  }
  return adjustable;
}

}  // namespace vehicle
