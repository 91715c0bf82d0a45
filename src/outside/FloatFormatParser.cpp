#include "outside/FloatFormatParser.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

namespace util {

namespace {

// The one conversion of a format, with the literal text around it.
struct Conversion {
  std::string prefix;  // literal text before the '%', still in format form ("%%" kept)
  std::string flags;
  int width = -1;      // -1: none
  int precision = -1;  // -1: none
  char conv = 0;
  std::string suffix;  // literal text after the conversion, still in format form
};

bool IsFloating(char c) {
  return std::strchr("fFeEgG", c) != nullptr;
}
bool IsInteger(char c) {
  return std::strchr("diuxXo", c) != nullptr;
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Reads up to a few digits; false when there are more than `limit` allows.
bool ReadNumber(const std::string& text, size_t& i, int limit, int& out) {
  out = 0;
  while (i < text.size() && IsDigit(text[i])) {
    out = out * 10 + (text[i] - '0');
    if (out > limit) {
      return false;
    }
    ++i;
  }
  return true;
}

bool Parse(const std::string& format, Conversion& out) {
  if (format.find('\0') != std::string::npos) {
    return false;
  }
  bool found = false;
  size_t i = 0;
  size_t convStart = 0;
  size_t convEnd = 0;
  while (i < format.size()) {
    if (format[i] != '%') {
      ++i;
      continue;
    }
    if (i + 1 < format.size() && format[i + 1] == '%') {
      i += 2;
      continue;
    }
    if (found) {
      return false;
    }
    found = true;
    convStart = i++;
    while (i < format.size() && std::strchr("-+ #0", format[i]) != nullptr) {
      out.flags += format[i++];
    }
    if (i < format.size() && IsDigit(format[i])) {
      if (!ReadNumber(format, i, FloatFormatParser::kMaxWidth, out.width)) {
        return false;
      }
    }
    if (i < format.size() && format[i] == '.') {
      ++i;
      if (!ReadNumber(format, i, FloatFormatParser::kMaxPrecision, out.precision)) {
        return false;
      }
    }
    bool longModifier = false;
    if (i < format.size() && format[i] == 'l') {
      longModifier = true;
      ++i;
    }
    if (i >= format.size()) {
      return false;
    }
    out.conv = format[i++];
    if (!IsFloating(out.conv) && !(IsInteger(out.conv) && !longModifier)) {
      return false;
    }
    // '#' is undefined for the decimal integer conversions.
    if (std::strchr("diu", out.conv) != nullptr && out.flags.find('#') != std::string::npos) {
      return false;
    }
    convEnd = i;
  }
  if (!found) {
    return false;
  }
  out.prefix = format.substr(0, convStart);
  out.suffix = format.substr(convEnd);
  return true;
}

std::string Print(const char* format, ...) __attribute__((format(printf, 1, 2)));

std::string Print(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  const int needed = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string result;
  if (needed > 0) {
    std::vector<char> buffer(static_cast<size_t>(needed) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), format, args);
    result.assign(buffer.data(), static_cast<size_t>(needed));
  }
  va_end(args);
  return result;
}

std::string Rebuild(const Conversion& c, const std::string& length, char conv, bool withPrecision) {
  std::string f = c.prefix + "%" + c.flags;
  if (c.width >= 0) {
    f += std::to_string(c.width);
  }
  if (withPrecision && c.precision >= 0) {
    f += "." + std::to_string(c.precision);
  }
  return f + length + conv + c.suffix;
}

}  // namespace

bool FloatFormatParser::IsValidFormat(const std::string& format) {
  Conversion c;
  return Parse(format, c);
}

int FloatFormatParser::GetDigitsAfterDecimal(const std::string& format) {
  Conversion c;
  if (!Parse(format, c) || IsInteger(c.conv)) {
    return 0;
  }
  if (c.precision < 0) {
    return 6;
  }
  if ((c.conv == 'g' || c.conv == 'G') && c.precision == 0) {
    return 1;
  }
  return c.precision;
}

// The formats handed to Print() below are built from a validated conversion, so each holds
// exactly one conversion whose argument type matches the value passed.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
std::string FloatFormatParser::Format(const std::string& format, double value) {
  Conversion c;
  if (!Parse(format, c)) {
    return Print("%g", value);
  }
  if (IsFloating(c.conv)) {
    return Print(Rebuild(c, "", c.conv, true).c_str(), value);
  }
  // 2^63 bounds both the signed and the unsigned 64-bit range for values this class prints.
  const double limit = 9223372036854775808.0;
  const double rounded = std::round(value);
  if (!std::isfinite(rounded) || rounded >= limit || rounded < -limit) {
    return Print(Rebuild(c, "", 'g', false).c_str(), value);
  }
  const long long integer = static_cast<long long>(rounded);
  if (c.conv == 'd' || c.conv == 'i') {
    return Print(Rebuild(c, "ll", c.conv, true).c_str(), integer);
  }
  return Print(Rebuild(c, "ll", c.conv, true).c_str(), static_cast<unsigned long long>(integer));
}
#pragma GCC diagnostic pop

}  // namespace util
