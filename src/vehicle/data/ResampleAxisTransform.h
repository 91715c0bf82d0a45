#pragma once

#include <vector>

#include "vehicle/data/IAxisTransform.h"

namespace vehicle {

// Resamples every list to a new number of values spanning the same range:
// value j of the result is the linear interpolation at old position
// j * (size - 1) / (new_count - 1), so the first and last values stay.
//
// Transform changes nothing and returns 0 unless all lists have the same
// length of at least 2 and the new count lies in 2 .. kMaxLength and differs
// from it; otherwise it returns new_count - old length.
class ResampleAxisTransform : public IAxisTransform {
 public:
  static const unsigned int kMaxLength = 65536;

  explicit ResampleAxisTransform(unsigned int new_count) : new_count_(new_count) {}

  int Transform(std::vector<std::vector<double>>& lists) const override;

 private:
  unsigned int new_count_;
};

}  // namespace vehicle
