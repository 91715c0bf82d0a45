#pragma once

#include <string>

namespace util {

// Checks and applies the printf-style number formats that definitions give for displaying values.
//
// An accepted format is literal text (where "%%" stands for a percent sign) around exactly one
// conversion:  %[flags][width][.precision][l]conv  with
//   flags      any of "-+ #0"
//   width      decimal digits, at most kMaxWidth
//   precision  decimal digits (none means 0), at most kMaxPrecision
//   conv       f F e E g G (floating) or d i u x X o (integer); "l" only before a floating one
// Rejected, because handing them to snprintf with one double would be unsafe: no conversion, two
// or more conversions, s c p n a A and every other conversion, "*" width or precision, and
// length modifiers that change the argument type.
//
// snprintf with an integer conversion and a double argument is undefined behaviour. Callers that
// format a double must therefore use Format(), which converts the value for integer conversions,
// rather than calling snprintf with the format themselves.
class FloatFormatParser {
 public:
  static const int kMaxWidth = 64;
  static const int kMaxPrecision = 32;

  static bool IsValidFormat(const std::string& format);

  // Digits printed after the decimal point: the precision for f F e E (6 when none is given),
  // the number of significant digits for g G (6 when none is given, at least 1), 0 for integer
  // conversions and for formats that are not valid.
  static int GetDigitsAfterDecimal(const std::string& format);

  // The value printed with the format. Integer conversions print the value rounded half away
  // from zero (d i signed; u x X o as the 64-bit two's complement of negative values). A value
  // that cannot be converted (NaN, infinite, beyond 64 bits) is printed with "%g" in place of
  // the integer conversion, keeping flags, width and the literal text. A format that is not
  // valid prints the value with "%g".
  static std::string Format(const std::string& format, double value);
};

}  // namespace util
