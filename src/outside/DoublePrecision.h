#pragma once

namespace util {

// Decimal rounding of doubles.
class DoublePrecision {
 public:
  // `value` rounded to `digits` digits after the decimal point, halves away from zero.
  //
  // Rounding works on the value's decimal digits, not on its binary expansion, so a value
  // written as 1.005 rounds to 1.01 although the nearest double lies just below 1.005. The
  // digits used are the shortest that read back as the same double; for a value that is exactly
  // a single-precision number and a rounding position within single precision (at most 7
  // significant digits kept), the shortest digits that read back as that single are used,
  // because such values come from single-precision storage.
  //
  // NaN and infinities are returned unchanged, and so is the value when `digits` is negative.
  // A result of zero is +0.0.
  static double RoundDigitsAfterDecimal(double value, int digits);
};

}  // namespace util
