#include "vehicle/copy/SetComparison.h"

namespace vehicle {

void GetDifferencesAndCommonalitiesOfSets(const std::set<std::string>& a,
                                          const std::set<std::string>& b,
                                          std::set<std::string>& in_both,
                                          std::set<std::string>& only_in_a) {
  auto ia = a.begin();
  auto ib = b.begin();
  while (ia != a.end()) {
    if (ib == b.end() || *ia < *ib) {
      only_in_a.insert(*ia++);
    } else if (*ib < *ia) {
      ++ib;
    } else {
      in_both.insert(*ia++);
      ++ib;
    }
  }
}

}  // namespace vehicle
