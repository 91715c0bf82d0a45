#pragma once

namespace vehicle {
namespace deltas {

// The smallest edit step of a float value shown with `digits` digits after
// the decimal point: 1.0 for 0 digits, 0.1 for 1, ... A negative count is
// taken as 0.
double GenerateFloatSmallDelta(int digits);
// Ten times the small step.
double GenerateFloatLargeDelta(int digits);

}  // namespace deltas
}  // namespace vehicle
