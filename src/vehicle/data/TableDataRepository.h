#pragma once

#include <memory>
#include <string>

#include "util/DataHash.h"
#include "vehicle/data/AxisDataRepository.h"
#include "vehicle/data/TableData.h"

namespace vehicle {

class DeleteFeatureRemover;
class Table;

// The tables of one ROM instance, by table id, each assembled from the axis
// data of an AxisDataRepository.
//
// The building operations come in two forms: given a const axis repository
// they only read it; given a mutable one they also link each table to it, so
// that an axis a table is later reshaped with joins the repository.
class TableDataRepository {
 public:
  typedef util::DataHash<std::string, std::shared_ptr<Table>> TableHash;
  typedef util::DataHash<std::string, std::shared_ptr<TableData>> TableDataHash;

  TableDataRepository() = default;
  virtual ~TableDataRepository() = default;

  // The axis data of each role of `table`, in role order, up to the first
  // axis the repository does not hold.
  TableData::AxisHash GetAxes(const AxisDataRepository& axes,
                              const std::shared_ptr<Table>& table) const;

  // Builds the table and, when built, stores it under its id (replacing a
  // table stored there before). False when it cannot be built.
  bool BuildTable(const AxisDataRepository& axes, const std::shared_ptr<Table>& table);
  bool BuildTable(AxisDataRepository& axes, const std::shared_ptr<Table>& table);

  // Builds the tables a vehicle uses. Unless `keep`, the store is emptied
  // first. The definitions set aside in `removed` by an earlier build are
  // put back into `tables`; then every table the feature remover takes out
  // moves from `tables` into `removed` (and is built only with
  // `buildRemoved`), the others are built. True when every table that was
  // to be built was built; false, with nothing done, when `tables` and
  // `removed` are the same store.
  bool BuildTables(const AxisDataRepository& axes, TableHash& tables, TableHash& removed,
                   const DeleteFeatureRemover& remover, bool buildRemoved, bool keep);
  bool BuildTables(AxisDataRepository& axes, TableHash& tables, TableHash& removed,
                   const DeleteFeatureRemover& remover, bool buildRemoved, bool keep);

  // Builds every table of `tables`, consulting no remover.
  bool BuildUnrestrictedTables(const AxisDataRepository& axes, const TableHash& tables);
  bool BuildUnrestrictedTables(AxisDataRepository& axes, const TableHash& tables);

  // Null when absent.
  std::shared_ptr<TableData> GetTable(const std::string& id) const;
  // Takes a table out of this instance; its definition is not touched.
  void RemoveTable(const std::string& id) { tables_.removeData(id); }
  const TableDataHash& GetTables() const { return tables_; }

  // Renames a table and makes its slaves follow. False, with nothing
  // changed, when `oldId` is not stored or `newId` already is.
  bool ChangeTableId(const std::string& oldId, const std::string& newId);
  bool ChangeTableIdInTables(const std::string& oldId, const std::string& newId);
  void ChangeTableIdInMasterSlave(const std::string& oldId, const std::string& newId);

 private:
  bool BuildLinkedTable(const AxisDataRepository& axes, AxisDataRepository* link,
                        const std::shared_ptr<Table>& table);
  bool BuildLinkedTables(const AxisDataRepository& axes, AxisDataRepository* link,
                         TableHash& tables, TableHash& removed, const DeleteFeatureRemover& remover,
                         bool buildRemoved, bool keep);
  bool BuildLinkedUnrestrictedTables(const AxisDataRepository& axes, AxisDataRepository* link,
                                     const TableHash& tables);

  TableDataHash tables_;
};

}  // namespace vehicle
