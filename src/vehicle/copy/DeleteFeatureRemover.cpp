#include "vehicle/copy/DeleteFeatureRemover.h"

namespace vehicle {

bool DeleteFeatureRemover::DeleteFeaturesHaveBeenModifiedFromStock() const {
  return tables_->HasRestrictedIdsDifferentFromStock() ||
         toggles_->HasRestrictedIdsDifferentFromStock();
}

bool DeleteFeatureRemover::TableShouldBeRemoved(const std::string& id) const {
  return tables_->IsRestricted(id) && !DeleteFeaturesHaveBeenModifiedFromStock();
}

bool DeleteFeatureRemover::ToggleShouldBeRemoved(const std::string& id) const {
  return toggles_->IsRestricted(id) && !DeleteFeaturesHaveBeenModifiedFromStock();
}

bool DeleteFeatureRemover::DeleteFeaturesAreInMap() const {
  return tables_->HasRestrictedIds() || toggles_->HasRestrictedIds();
}

}  // namespace vehicle
