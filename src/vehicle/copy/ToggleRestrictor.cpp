#include "vehicle/copy/ToggleRestrictor.h"

#include "util/XmlRead.h"
#include "vehicle/copy/SetComparison.h"

namespace vehicle {

bool ToggleRestrictor::IsRestricted(const std::string& id) const {
  if (id.find(',') != std::string::npos) {
    for (const std::string& part : util::SplitList(id)) {
      if (restricted_.count(part) != 0) return unrestricted_.count(part) == 0;
    }
  }
  return restricted_.count(id) != 0 && unrestricted_.count(id) == 0;
}

void ToggleRestrictor::DetermineStockAndNonstockRestrictedIds(
    const std::set<std::string>& ids_differing_from_stock) {
  GetDifferencesAndCommonalitiesOfSets(restricted_, ids_differing_from_stock,
                                       different_from_stock_, same_as_stock_);
}

void ToggleRestrictor::SetRestrictedIdsDifferentFromStockToSameAsStock() {
  same_as_stock_.insert(different_from_stock_.begin(), different_from_stock_.end());
  different_from_stock_.clear();
}

void ToggleRestrictor::ClearAllDifferentFromStockAndSameAsStockIds() {
  same_as_stock_.clear();
  different_from_stock_.clear();
}

}  // namespace vehicle
