#include "vehicle/data/TableDataRepository.h"

#include <vector>

#include "vehicle/copy/DeleteFeatureRemover.h"
#include "vehicle/definition/Table.h"

namespace vehicle {

TableData::AxisHash TableDataRepository::GetAxes(const AxisDataRepository& axes,
                                                 const std::shared_ptr<Table>& table) const {
  TableData::AxisHash found;
  if (!table)
    return found;
  for (const auto& entry : table->GetAxes()) {
    std::shared_ptr<AxisData> axis =
        entry.second ? axes.GetAxis(entry.second->GetDefSignature()) : nullptr;
    if (!axis)
      break;
    found.emplace(entry.first, std::move(axis));
  }
  return found;
}

// ---------------------------------------------------------------- building

bool TableDataRepository::BuildTable(const AxisDataRepository& axes,
                                     const std::shared_ptr<Table>& table) {
  return BuildLinkedTable(axes, nullptr, table);
}

bool TableDataRepository::BuildTable(AxisDataRepository& axes,
                                     const std::shared_ptr<Table>& table) {
  return BuildLinkedTable(axes, &axes, table);
}

bool TableDataRepository::BuildTables(const AxisDataRepository& axes, TableHash& tables,
                                      TableHash& removed, const DeleteFeatureRemover& remover,
                                      bool buildRemoved, bool keep) {
  return BuildLinkedTables(axes, nullptr, tables, removed, remover, buildRemoved, keep);
}

bool TableDataRepository::BuildTables(AxisDataRepository& axes, TableHash& tables,
                                      TableHash& removed, const DeleteFeatureRemover& remover,
                                      bool buildRemoved, bool keep) {
  return BuildLinkedTables(axes, &axes, tables, removed, remover, buildRemoved, keep);
}

bool TableDataRepository::BuildUnrestrictedTables(const AxisDataRepository& axes,
                                                  const TableHash& tables) {
  return BuildLinkedUnrestrictedTables(axes, nullptr, tables);
}

bool TableDataRepository::BuildUnrestrictedTables(AxisDataRepository& axes,
                                                  const TableHash& tables) {
  return BuildLinkedUnrestrictedTables(axes, &axes, tables);
}

bool TableDataRepository::BuildLinkedTable(const AxisDataRepository& axes, AxisDataRepository* link,
                                           const std::shared_ptr<Table>& table) {
  if (!table)
    return false;
  auto data = std::make_shared<TableData>(table);
  if (!data->BuildTable(GetAxes(axes, table)))
    return false;
  if (link != nullptr)
    data->SetAxisDataRepository(*link);
  // A rebuild that keeps the store replaces what an earlier build stored.
  tables_.setData(data->GetTableId(), data);
  return true;
}

bool TableDataRepository::BuildLinkedTables(const AxisDataRepository& axes,
                                            AxisDataRepository* link, TableHash& tables,
                                            TableHash& removed, const DeleteFeatureRemover& remover,
                                            bool buildRemoved, bool keep) {
  // One store for both would be emptied by the restoring step below.
  if (&tables == &removed)
    return false;
  if (!keep)
    tables_.clear();

  // Definitions an earlier build set aside go back first; otherwise each
  // rebuild would lose them for every build after it.
  for (const auto& entry : removed)
    tables.data.insert_or_keep(entry.first, entry.second);
  removed.clear();

  // The store is not changed while it is walked: the tables to set aside
  // are moved after the walk, in the order they were met.
  std::vector<std::string> set_aside;
  bool all = true;
  for (const auto& entry : tables) {
    const bool remove = remover.TableShouldBeRemoved(entry.first);
    if ((!remove || buildRemoved) && !BuildLinkedTable(axes, link, entry.second))
      all = false;
    if (remove)
      set_aside.push_back(entry.first);
  }
  for (const std::string& id : set_aside) {
    removed.setData(id, tables.findData(id));
    tables.removeData(id);
  }
  return all;
}

bool TableDataRepository::BuildLinkedUnrestrictedTables(const AxisDataRepository& axes,
                                                        AxisDataRepository* link,
                                                        const TableHash& tables) {
  bool all = true;
  for (const auto& entry : tables) {
    if (!BuildLinkedTable(axes, link, entry.second))
      all = false;
  }
  return all;
}

// ---------------------------------------------------------------- lookups

std::shared_ptr<TableData> TableDataRepository::GetTable(const std::string& id) const {
  auto found = tables_.data.find(id);
  return found == tables_.data.end() ? nullptr : found->second;
}

// ---------------------------------------------------------------- renaming

bool TableDataRepository::ChangeTableId(const std::string& oldId, const std::string& newId) {
  if (!ChangeTableIdInTables(oldId, newId))
    return false;
  ChangeTableIdInMasterSlave(oldId, newId);
  return true;
}

bool TableDataRepository::ChangeTableIdInTables(const std::string& oldId,
                                                const std::string& newId) {
  auto found = tables_.data.find(oldId);
  if (found == tables_.data.end())
    return false;
  if (oldId == newId)
    return true;
  if (newId.empty() || tables_.dataExists(newId))
    return false;
  const std::shared_ptr<TableData> table = found->second;
  tables_.removeData(oldId);
  table->ChangeTableId(newId);
  tables_.setData(newId, table);
  return true;
}

void TableDataRepository::ChangeTableIdInMasterSlave(const std::string& oldId,
                                                     const std::string& newId) {
  if (newId.empty())
    return;  // an empty master id would turn the slaves into masters
  for (auto& entry : tables_) {
    if (entry.second->IsSlave() && entry.second->GetMasterTableId() == oldId)
      entry.second->SetMasterTableId(newId);
  }
}

}  // namespace vehicle
