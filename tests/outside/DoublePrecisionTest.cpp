#include "outside/DoublePrecision.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

namespace {

using util::DoublePrecision;

struct RoundCase {
  double value;
  int digits;
  double expected;
};

class DoublePrecisionTest : public ::testing::TestWithParam<RoundCase> {};

TEST_P(DoublePrecisionTest, RoundsHalfAwayFromZero) {
  const RoundCase& c = GetParam();
  // Exact comparison: the result must be the double nearest to the rounded decimal.
  EXPECT_EQ(c.expected, DoublePrecision::RoundDigitsAfterDecimal(c.value, c.digits))
      << c.value << " at " << c.digits;
}

INSTANTIATE_TEST_SUITE_P(
    Values, DoublePrecisionTest,
    ::testing::Values(
        // Decimal halves whose nearest double lies just below the half.
        RoundCase{1.005, 2, 1.01}, RoundCase{-1.005, 2, -1.01}, RoundCase{2.675, 2, 2.68},
        RoundCase{1.0005, 3, 1.001}, RoundCase{0.285, 2, 0.29}, RoundCase{1.45, 1, 1.5},
        // Exact halves and ordinary cases.
        RoundCase{0.125, 2, 0.13}, RoundCase{2.5, 0, 3}, RoundCase{-2.5, 0, -3},
        RoundCase{1.234, 2, 1.23}, RoundCase{1234.5678, 0, 1235}, RoundCase{1234.5678, 3, 1234.568},
        RoundCase{0.1 + 0.2, 2, 0.3}, RoundCase{0.1 + 0.2, 16, 0.3},
        RoundCase{0.1 + 0.2, 17, 0.30000000000000004},
        // Carries across digits and into a new leading digit.
        RoundCase{9.995, 2, 10}, RoundCase{0.96, 1, 1}, RoundCase{99.5, 0, 100},
        // Everything rounds away, or nothing needs to.
        RoundCase{0.0049, 2, 0}, RoundCase{-0.0049, 2, 0}, RoundCase{0.005, 2, 0.01},
        RoundCase{0.4, 0, 0}, RoundCase{0.5, 0, 1}, RoundCase{1e-20, 5, 0},
        RoundCase{1e300, 2, 1e300}, RoundCase{123.0, 6, 123}, RoundCase{0.0, 3, 0},
        RoundCase{1.5, INT_MAX, 1.5}, RoundCase{1.5, -1, 1.5},
        // Values read from single-precision storage round by the digits they were written as.
        RoundCase{static_cast<double>(1.005f), 2, 1.01},
        RoundCase{static_cast<double>(0.1f), 2, 0.1},
        RoundCase{static_cast<double>(2.675f), 2, 2.68},
        // Beyond single precision the double's own digits count.
        RoundCase{static_cast<double>(0.1f), 12, 0.100000001490}));

TEST(DoublePrecisionNonFiniteTest, ReturnsUnchanged) {
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_TRUE(std::isnan(
      DoublePrecision::RoundDigitsAfterDecimal(std::numeric_limits<double>::quiet_NaN(), 2)));
  EXPECT_EQ(inf, DoublePrecision::RoundDigitsAfterDecimal(inf, 2));
  EXPECT_EQ(-inf, DoublePrecision::RoundDigitsAfterDecimal(-inf, 0));
}

TEST(DoublePrecisionNonFiniteTest, ZeroResultIsPositive) {
  EXPECT_FALSE(std::signbit(DoublePrecision::RoundDigitsAfterDecimal(-0.001, 2)));
}

}  // namespace
