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
