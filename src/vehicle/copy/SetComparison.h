#pragma once

#include <set>
#include <string>

namespace vehicle {

// One ordered merge walk: every element of `a` that `b` holds is added to
// `in_both`, every element of `a` that `b` lacks to `only_in_a`. Elements
// only in `b` are ignored; the output sets are added to, not cleared.
void GetDifferencesAndCommonalitiesOfSets(const std::set<std::string>& a,
                                          const std::set<std::string>& b,
                                          std::set<std::string>& in_both,
                                          std::set<std::string>& only_in_a);

}  // namespace vehicle
