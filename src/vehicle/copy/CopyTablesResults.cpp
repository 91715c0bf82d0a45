#include "vehicle/copy/CopyTablesResults.h"

namespace vehicle {

void CopyTablesResults::AddSuccessfulTableCopies(const TableSelections& selections) {
  successful_tables_.insert(selections.begin(), selections.end());
}

void CopyTablesResults::AddPartialTableCopies(const TableSelections& selections) {
  partial_tables_.insert(selections.begin(), selections.end());
}

void CopyTablesResults::AddFailedTableCopies(const TableSelections& selections) {
  failed_tables_.insert(selections.begin(), selections.end());
}

void CopyTablesResults::AddRestrictedTableCopies(const TableSelections& selections) {
  restricted_tables_.insert(selections.begin(), selections.end());
}

void CopyTablesResults::AddSuccessfulToggleCopies(const Ids& ids) {
  successful_toggles_.insert(ids.begin(), ids.end());
}

void CopyTablesResults::AddFailedToggleCopies(const Ids& ids) {
  failed_toggles_.insert(ids.begin(), ids.end());
}

void CopyTablesResults::AddRestrictedToggleCopies(const Ids& ids) {
  restricted_toggles_.insert(ids.begin(), ids.end());
}

void CopyTablesResults::AddInvalidCopies(const Ids& ids) {
  invalid_.insert(ids.begin(), ids.end());
}

bool CopyTablesResults::WasCopySuccessful() const {
  const bool ok = failed_tables_.empty() && failed_toggles_.empty() && invalid_.empty();
  if (successful_tables_.empty() && successful_toggles_.empty() && HasRestrictedTablesOrToggles())
    return false;
  return !copy_error_ && ok;
}

bool CopyTablesResults::HasRestrictedTablesOrToggles() const {
  return !restricted_tables_.empty() || !restricted_toggles_.empty();
}

bool CopyTablesResults::ContainsId(const tuner_editor::TableSelection& selection) const {
  const std::string& id = selection.GetTableId();
  return successful_tables_.count(selection) != 0 || failed_tables_.count(selection) != 0 ||
         restricted_tables_.count(selection) != 0 || successful_toggles_.count(id) != 0 ||
         failed_toggles_.count(id) != 0 || restricted_toggles_.count(id) != 0 ||
         invalid_.count(id) != 0;
}

void CopyTablesResults::AddRestrictedRemovedResults(CopyTablesResults other) {
  restrictions_loaded_ = true;
  AddRestrictedTableCopies(other.restricted_tables_);
  AddRestrictedToggleCopies(other.restricted_toggles_);
}

void CopyTablesResults::AddCopyTablesResults(const CopyTablesResults& other) {
  AddSuccessfulTableCopies(other.successful_tables_);
  AddPartialTableCopies(other.partial_tables_);
  AddFailedTableCopies(other.failed_tables_);
  AddSuccessfulToggleCopies(other.successful_toggles_);
  AddFailedToggleCopies(other.failed_toggles_);
  AddInvalidCopies(other.invalid_);
  AddRestrictedRemovedResults(other);
  copy_error_ = copy_error_ || other.copy_error_;
}

}  // namespace vehicle
