#pragma once

#include <set>
#include <string>

#include "outside/TableSelection.h"

namespace vehicle {

// The report of copying chosen tables and toggles from one ROM into another:
// per selection whether it was copied whole, copied in part, failed, was
// left out as restricted, or named nothing both ROMs have. A plain value:
// sets collapse duplicates, getters return copies.
class CopyTablesResults {
 public:
  using TableSelections = std::set<tuner_editor::TableSelection>;
  using Ids = std::set<std::string>;

  void AddSuccessfulTableCopies(const TableSelections& selections);
  void AddPartialTableCopies(const TableSelections& selections);
  void AddFailedTableCopies(const TableSelections& selections);
  void AddRestrictedTableCopies(const TableSelections& selections);
  void AddSuccessfulToggleCopies(const Ids& ids);
  void AddFailedToggleCopies(const Ids& ids);
  void AddRestrictedToggleCopies(const Ids& ids);
  void AddInvalidCopies(const Ids& ids);

  TableSelections GetSuccessfulTableCopies() const { return successful_tables_; }
  TableSelections GetPartialTableCopies() const { return partial_tables_; }
  TableSelections GetFailedTableCopies() const { return failed_tables_; }
  TableSelections GetRestrictedTableCopies() const { return restricted_tables_; }
  Ids GetSuccessfulToggleCopies() const { return successful_toggles_; }
  Ids GetFailedToggleCopies() const { return failed_toggles_; }
  Ids GetRestrictedToggleCopies() const { return restricted_toggles_; }
  Ids GetInvalidTableCopies() const { return invalid_; }
  bool GetRestrictionsLoaded() const { return restrictions_loaded_; }
  bool GetCopyError() const { return copy_error_; }

  // Nothing failed or was invalid, no copy error, and not everything asked
  // for was restricted (restricted entries with nothing successful is not a
  // success). Partial copies do not fail it.
  bool WasCopySuccessful() const;
  bool HasPartialTableCopies() const { return !partial_tables_.empty(); }
  bool HasRestrictedTablesOrToggles() const;
  void CopyErrorOccured() { copy_error_ = true; }

  // The selection is a successful, failed or restricted table copy (partial
  // copies are not searched), or its id is a successful, failed or
  // restricted toggle copy or an invalid copy.
  bool ContainsId(const tuner_editor::TableSelection& selection) const;

  // Marks restrictions as loaded and adds the other's restricted tables and
  // toggles.
  void AddRestrictedRemovedResults(CopyTablesResults other);

  // Adds every set of the other and its restrictions (see
  // AddRestrictedRemovedResults). A copy error of either side stays in the
  // merged report, so it can never claim success after an error.
  void AddCopyTablesResults(const CopyTablesResults& other);

 private:
  TableSelections successful_tables_;
  TableSelections partial_tables_;
  TableSelections failed_tables_;
  TableSelections restricted_tables_;
  bool restrictions_loaded_ = false;
  Ids successful_toggles_;
  Ids failed_toggles_;
  Ids restricted_toggles_;
  Ids invalid_;
  bool copy_error_ = false;
};

}  // namespace vehicle
