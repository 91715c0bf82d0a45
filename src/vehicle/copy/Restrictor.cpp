#include "vehicle/copy/Restrictor.h"

#include "vehicle/copy/SetComparison.h"

namespace vehicle {

void Restrictor::DetermineStockAndNonstockRestrictedIds(
    const std::set<std::string>& ids_differing_from_stock) {
  GetDifferencesAndCommonalitiesOfSets(restricted_, ids_differing_from_stock, different_from_stock_,
                                       same_as_stock_);
}

void Restrictor::SetRestrictedIdsDifferentFromStockToSameAsStock() {
  same_as_stock_.insert(different_from_stock_.begin(), different_from_stock_.end());
  different_from_stock_.clear();
}

void Restrictor::ClearAllDifferentFromStockAndSameAsStockIds() {
  same_as_stock_.clear();
  different_from_stock_.clear();
}

}  // namespace vehicle
