#pragma once

#include <vector>

#include "vehicle/data/IAxisTransform.h"

namespace vehicle {

// Inserts or removes elements at one position of every list.
//
// A positive count inserts that many values before `position` (position ==
// size appends), spaced evenly between the neighbouring values; at either
// end they continue the slope of the two nearest values (a one-value list
// repeats its value). A negative count removes that many values starting at
// `position`. Lists keep at least one value.
//
// Transform changes nothing and returns 0 unless every list is non-empty, all
// lists have the same length, the position and count fit it and no list
// would grow beyond kMaxLength values.
class InsertRemoveAxisTransform : public IAxisTransform {
 public:
  static const unsigned int kMaxLength = 65536;

  InsertRemoveAxisTransform(unsigned int position, int count)
      : position_(position), count_(count) {}

  int Transform(std::vector<std::vector<double>>& lists) const override;

 private:
  unsigned int position_;
  int count_;
};

}  // namespace vehicle
