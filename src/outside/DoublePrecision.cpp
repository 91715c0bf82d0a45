#include "outside/DoublePrecision.h"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace util {

namespace {

// A non-negative number as 0.d1d2d3... x 10^exponent.
struct Decimal {
  std::string digits;
  int exponent = 0;
};

// Splits printf "%.*e" output ("d.ddde+XX") into a Decimal.
Decimal FromScientific(const char* text) {
  Decimal d;
  const char* p = text;
  for (; *p != '\0' && *p != 'e'; ++p) {
    if (*p >= '0' && *p <= '9') {
      d.digits += *p;
    }
  }
  d.exponent = (*p == 'e' ? std::atoi(p + 1) : 0) + 1;
  return d;
}

// Shortest digits (at most 17) that read back as `magnitude`.
Decimal ShortestDouble(double magnitude) {
  char buffer[48];
  for (int precision = 15; precision <= 17; ++precision) {
    std::snprintf(buffer, sizeof buffer, "%.*e", precision - 1, magnitude);
    if (std::strtod(buffer, nullptr) == magnitude) {
      break;
    }
  }
  return FromScientific(buffer);
}

// Shortest digits (at most 9) that read back as the single `magnitude`.
Decimal ShortestFloat(float magnitude) {
  char buffer[48];
  for (int precision = 6; precision <= 9; ++precision) {
    std::snprintf(buffer, sizeof buffer, "%.*e", precision - 1, static_cast<double>(magnitude));
    if (std::strtof(buffer, nullptr) == magnitude) {
      break;
    }
  }
  return FromScientific(buffer);
}

bool IsSingle(double magnitude) {
  if (magnitude > FLT_MAX) {
    return false;
  }
  return static_cast<double>(static_cast<float>(magnitude)) == magnitude;
}

// The rounding below without any text, where the text cannot round another
// way: `magnitude` scaled by 10^digits lies clearly away from a half, farther
// than the decimal digits used below can differ from it plus the product's
// own error. Then the rounded integer k is the one the digits give, and
// k / 10^digits, both exact, is the double nearest that decimal, as strtod
// reads it. False when undecided.
bool RoundWithoutText(double magnitude, int digits, double& result) {
  static const double kPowers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  if (digits > 15) {
    return false;
  }
  const double power = kPowers[digits];
  const double scaled = magnitude * power;
  if (!(scaled < 1e15)) {
    return false;
  }
  const double whole = std::floor(scaled);
  const double fraction = scaled - whole;
  // Single-precision digits are used only when at most 7 are kept, which
  // needs a scaled value below 10^7. Any digits that read back as the number
  // lie within half its unit in the last place; the product adds its own
  // rounding.
  const bool single_digits = scaled < 2e7 && IsSingle(magnitude);
  int exponent = 0;
  std::frexp(magnitude, &exponent);
  const double half_unit = std::ldexp(1.0, exponent - (single_digits ? 25 : 54));
  const double error = half_unit * power * 1.001 + scaled * 0x1p-50 + 1e-12;
  if (std::fabs(fraction - 0.5) <= error) {
    return false;
  }
  result = (fraction > 0.5 ? whole + 1.0 : whole) / power;
  return true;
}

}  // namespace

double DoublePrecision::RoundDigitsAfterDecimal(double value, int digits) {
  if (!std::isfinite(value) || digits < 0) {
    return value;
  }
  if (value == 0.0) {
    return 0.0;
  }
  const bool negative = value < 0.0;
  const double magnitude = std::fabs(value);
  double quick = 0.0;
  if (RoundWithoutText(magnitude, digits, quick)) {
    if (quick == 0.0) {
      return 0.0;
    }
    return negative ? -quick : quick;
  }

  Decimal d = ShortestDouble(magnitude);
  if (static_cast<long>(d.exponent) + digits <= 7 && IsSingle(magnitude)) {
    d = ShortestFloat(static_cast<float>(magnitude));
  }

  // Number of leading digits that survive the rounding.
  const long keep = static_cast<long>(d.exponent) + digits;
  if (keep < static_cast<long>(d.digits.size())) {
    if (keep < 0) {
      return 0.0;
    }
    const bool up = d.digits[static_cast<size_t>(keep)] >= '5';
    d.digits.resize(static_cast<size_t>(keep));
    if (up) {
      size_t i = d.digits.size();
      while (i > 0 && d.digits[i - 1] == '9') {
        d.digits[--i] = '0';
      }
      if (i == 0) {
        d.digits.insert(d.digits.begin(), '1');
        ++d.exponent;
      } else {
        ++d.digits[i - 1];
      }
    }
    if (d.digits.empty()) {
      return 0.0;
    }
  }
  const std::string text = "0." + d.digits + "e" + std::to_string(d.exponent);
  const double result = std::strtod(text.c_str(), nullptr);
  if (result == 0.0) {
    return 0.0;
  }
  return negative ? -result : result;
}

}  // namespace util
