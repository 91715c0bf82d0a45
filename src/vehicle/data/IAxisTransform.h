#pragma once

#include <vector>

namespace vehicle {

// Reshapes lists of values in place, the same way for every list: adds or
// removes elements (rows, columns or depth slices of an axis or table body).
class IAxisTransform {
 public:
  virtual ~IAxisTransform() = default;
  // Edits every inner list in place and returns the number of elements added
  // to (positive) or removed from (negative) each of them; 0 means nothing
  // was changed.
  virtual int Transform(std::vector<std::vector<double>>& lists) const = 0;
};

}  // namespace vehicle
