#pragma once

#include <string>

#include "vehicle/copy/TableRestrictor.h"
#include "vehicle/copy/ToggleRestrictor.h"

namespace vehicle {

// Decides, for a ROM being built, whether a restricted table or toggle is
// left out (no restricted item differs from stock) or kept and marked.
// Refers to the two restrictors of the same Vehicle, which outlives it.
class DeleteFeatureRemover {
 public:
  DeleteFeatureRemover(TableRestrictor& tables, ToggleRestrictor& toggles)
      : tables_(&tables), toggles_(&toggles) {}
  virtual ~DeleteFeatureRemover() = default;

  bool DeleteFeaturesHaveBeenModifiedFromStock() const;
  bool TableShouldBeRemoved(const std::string& id) const;
  bool ToggleShouldBeRemoved(const std::string& id) const;
  bool DeleteFeaturesAreInMap() const;

  const TableRestrictor& GetTableRestrictor() const { return *tables_; }
  const ToggleRestrictor& GetToggleRestrictor() const { return *toggles_; }

 private:
  TableRestrictor* tables_;
  ToggleRestrictor* toggles_;
};

}  // namespace vehicle
