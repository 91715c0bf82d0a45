#include "vehicle/data/Deltas.h"

#include <cmath>

#include "outside/DoublePrecision.h"

namespace vehicle {
namespace deltas {

double GenerateFloatSmallDelta(int digits) {
  static const double kSteps[] = {1.0, 0.1, 0.01, 0.001, 0.0001, 1e-05, 1e-06};
  if (digits < 0)
    digits = 0;
  const double step = digits <= 6 ? kSteps[digits] : 1.0 / (std::pow(10.0, digits - 6) * 1000000.0);
  return util::DoublePrecision::RoundDigitsAfterDecimal(step, digits);
}

double GenerateFloatLargeDelta(int digits) {
  return 10.0 * GenerateFloatSmallDelta(digits);
}

}  // namespace deltas
}  // namespace vehicle
