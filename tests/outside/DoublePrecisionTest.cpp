#include "outside/DoublePrecision.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

namespace {

using util::DoublePrecision;

// Exact comparisons: the result must be the double nearest to the rounded decimal.
TEST(DoublePrecisionTest, RoundsHalfAwayFromZeroAndLeavesNonFiniteAlone) {
  const struct {
    double value;
    int digits;
    double expected;
  } cases[] = {
      // Decimal halves whose nearest double lies just below the half.
      {1.005, 2, 1.01},
      {-1.005, 2, -1.01},
      {2.675, 2, 2.68},
      {1.45, 1, 1.5},
      {1.0005, 3, 1.001},
      {0.285, 2, 0.29},
      // Exact halves and ordinary cases.
      {0.125, 2, 0.13},
      {2.5, 0, 3},
      {-2.5, 0, -3},
      {0.1 + 0.2, 2, 0.3},
      {0.1 + 0.2, 16, 0.3},
      {0.1 + 0.2, 17, 0.30000000000000004},
      // Carries into a new leading digit; everything rounds away, or nothing needs to.
      {9.995, 2, 10},
      {0.96, 1, 1},
      {99.5, 0, 100},
      {0.0049, 2, 0},
      {0.005, 2, 0.01},
      {1e-20, 5, 0},
      {0.0, 3, 0},
      {-0.0049, 2, 0},
      {1e300, 2, 1e300},
      {1.5, INT_MAX, 1.5},
      {1.5, -1, 1.5},
      // Values read from single-precision storage round by the digits they were written as;
      // beyond single precision the double's own digits count.
      {static_cast<double>(1.005f), 2, 1.01},
      {static_cast<double>(0.1f), 2, 0.1},
      {static_cast<double>(2.675f), 2, 2.68},
      {static_cast<double>(0.1f), 12, 0.100000001490},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.expected, DoublePrecision::RoundDigitsAfterDecimal(c.value, c.digits))
        << c.value << " at " << c.digits;

  // Non-finite values come back unchanged; a zero result is never negative.
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_TRUE(std::isnan(
      DoublePrecision::RoundDigitsAfterDecimal(std::numeric_limits<double>::quiet_NaN(), 2)));
  EXPECT_EQ(inf, DoublePrecision::RoundDigitsAfterDecimal(inf, 2));
  EXPECT_EQ(-inf, DoublePrecision::RoundDigitsAfterDecimal(-inf, 0));
  EXPECT_FALSE(std::signbit(DoublePrecision::RoundDigitsAfterDecimal(-0.001, 2)));
}

}  // namespace
