#include "import/ScalingConverter.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <set>

#include "import/SourceValues.h"
#include "outside/Binary.h"
#include "outside/FloatFormatParser.h"
#include "outside/Parser.h"
#include "vehicle/definition/Conv.h"
#include "vehicle/definition/DataType.h"

namespace import {

namespace {

using util::data::Storage_e;

// Two values agree when they differ by no more than the rounding of the terms
// that made them explains.
bool Agree(double a, double b, double scale) {
  return std::fabs(a - b) <= 1e-12 * (std::fabs(a) + std::fabs(b) + std::fabs(scale));
}

// The expression of a scaling, evaluated with the library's parser.
class Expression {
 public:
  explicit Expression(const std::string& text) : parser_(text.empty() ? "x" : text) {}

  // False, with the reason, when the parser rejects the text or the text
  // uses a name other than x (the parser would silently read it as 0).
  bool Check(std::string& why) {
    try {
      parser_.SetVariable("x", 1.5);
      parser_.Evaluate();
    } catch (const ParserSyntaxException& e) {
      why = "expression \"" + parser_.GetExpression() +
            "\" is rejected by the expression parser: " + e.what();
      return false;
    } catch (const ParserException&) {
      // A division by zero at this one point says nothing about the text.
    }
    for (const auto& symbol : parser_.Symbols()) {
      if (symbol.first != "x" && symbol.first != "pi" && symbol.first != "e") {
        why = "expression \"" + parser_.GetExpression() + "\" uses \"" + symbol.first +
              "\", which is not the value x";
        return false;
      }
    }
    return true;
  }

  // The value at x; false when the expression divides by zero there (which
  // `divides` then says) or the result is not a finite number.
  bool At(double x, double& out, bool* divides = nullptr) {
    try {
      parser_.SetVariable("x", x);
      out = parser_.Evaluate();
    } catch (const ParserException&) {
      if (divides != nullptr)
        *divides = true;
      return false;
    }
    return std::isfinite(out);
  }

  const std::string& Text() const { return parser_.GetExpression(); }

 private:
  Parser parser_;
};

struct RawRange {
  double lo, hi;
  double probe;  // a power of two inside the range, far from 0
};

RawRange RangeOf(Storage_e storage) {
  switch (storage) {
    case util::data::STORAGE_U8:
      return {0, 255, 128};
    case util::data::STORAGE_S8:
      return {-128, 127, 64};
    case util::data::STORAGE_U16:
      return {0, 65535, 32768};
    case util::data::STORAGE_S16:
      return {-32768, 32767, 16384};
    case util::data::STORAGE_U32:
      return {0, 4294967295.0, 2147483648.0};
    case util::data::STORAGE_S32:
      return {-2147483648.0, 2147483647.0, 1073741824.0};
    default:
      return {-3.4028234663852886e38, 3.4028234663852886e38, 1024};
  }
}

// Raw values to test a conversion at: every value of an 8-bit storage; the
// small values, the ends and evenly spread values of the wider ones; a spread
// of exactly representable values for floats.
std::vector<double> RawSamples(Storage_e storage) {
  std::set<double> samples;
  const RawRange range = RangeOf(storage);
  if (storage == util::data::STORAGE_FLOAT) {
    for (double v : {-1e6, -12345.5, -100.0, -3.25, -1.0, -0.5, 0.0, 0.25, 0.5, 1.0, 2.0, 3.0, 10.0,
                     100.0, 1000.75, 65536.0, 1e6, 3e7})
      samples.insert(v);
  } else if (range.hi - range.lo <= 255) {
    for (double v = range.lo; v <= range.hi; v += 1)
      samples.insert(v);
  } else {
    for (double v = -16; v <= 16; v += 1) {
      if (v >= range.lo && v <= range.hi)
        samples.insert(v);
    }
    for (int k = 0; k <= 64; ++k)
      samples.insert(std::floor(range.lo + (range.hi - range.lo) * k / 64.0));
    samples.insert(range.hi - 1);
    samples.insert(range.hi);
  }
  return {samples.begin(), samples.end()};
}

// The raw bytes of `value` in the storage and byte order.
util::Binary RawBytes(double value, Storage_e storage, util::e_endian endian) {
  uint32_t bits = 0;
  if (storage == util::data::STORAGE_FLOAT) {
    const float f = static_cast<float>(value);
    std::memcpy(&bits, &f, sizeof bits);
  } else if (value < 0) {
    bits = static_cast<uint32_t>(static_cast<int64_t>(value));
  } else {
    bits = static_cast<uint32_t>(value);
  }
  const uint32_t width = util::data::StorageWidth(storage);
  std::vector<uint8_t> bytes(width);
  for (uint32_t i = 0; i < width; ++i) {
    const uint32_t shift = endian == util::ENDIAN_BIG ? 8 * (width - 1 - i) : 8 * i;
    bytes[i] = static_cast<uint8_t>(bits >> shift);
  }
  return util::Binary(bytes, endian);
}

// The shortest decimal form of `value` for which `fits` holds; `value` itself
// when none does. Constants computed from a few evaluations carry rounding
// that the definition's own numbers ("0.351563", "128") do not.
template <class Fits>
double Shortest(double value, Fits fits) {
  char buffer[40];
  for (int precision = 1; precision <= 17; ++precision) {
    std::snprintf(buffer, sizeof buffer, "%.*g", precision, value);
    const double candidate = std::strtod(buffer, nullptr);
    if (fits(candidate))
      return candidate;
  }
  return value;
}

struct Sampled {
  std::vector<double> raw;
  std::vector<double> value;  // NaN where the expression has no value
};

enum class Shape { kLinear, kReciprocal, kOther };

struct Fit {
  Shape shape = Shape::kOther;
  double a = 0, b = 0;  // linear: a*x + b; reciprocal: a / (x + b)
};

bool FitsLine(const Sampled& s, double a, double b) {
  for (size_t i = 0; i < s.raw.size(); ++i) {
    if (std::isnan(s.value[i]))
      continue;
    const double line = a * s.raw[i] + b;
    if (!Agree(s.value[i], line, std::fabs(a * s.raw[i]) + std::fabs(b)))
      return false;
  }
  return true;
}

bool FitsReciprocal(const Sampled& s, double a, double b) {
  for (size_t i = 0; i < s.raw.size(); ++i) {
    if (std::isnan(s.value[i]) || s.raw[i] + b == 0)
      continue;
    if (!Agree(s.value[i], a / (s.raw[i] + b), 0))
      return false;
  }
  return true;
}

Fit FitShape(Expression& f, const Sampled& s, Storage_e storage) {
  Fit fit;
  const double probe = RangeOf(storage).probe;
  double f0 = 0, f1 = 0;
  if (f.At(0, f0) && f.At(probe, f1)) {
    // Dividing by a power of two is exact, so a slope written as a product
    // comes out exactly.
    const double a = (f1 - f0) / probe;
    if (a != 0 && FitsLine(s, a, f0)) {
      fit.shape = Shape::kLinear;
      fit.a = Shortest(a, [&](double c) { return FitsLine(s, c, f0); });
      fit.b = Shortest(f0, [&](double c) { return FitsLine(s, fit.a, c); });
      return fit;
    }
  }
  // s / (x + o) through (1, g1) and (probe, g2).
  double g1 = 0, g2 = 0;
  if (f.At(1, g1) && f.At(probe, g2) && g1 != g2 && g1 != 0 && g2 != 0) {
    const double o = (g2 * probe - g1) / (g1 - g2);
    const double scale = g1 * (1 + o);
    if (scale != 0 && std::isfinite(scale) && std::isfinite(o) && FitsReciprocal(s, scale, o)) {
      fit.shape = Shape::kReciprocal;
      fit.b = Shortest(o, [&](double c) { return FitsReciprocal(s, g1 * (1 + c), c); });
      fit.a = Shortest(g1 * (1 + fit.b), [&](double c) { return FitsReciprocal(s, c, fit.b); });
    }
  }
  return fit;
}

// Does the library's conversion of `type` read every sample as the source's
// expression does?
bool ConversionAgrees(const std::shared_ptr<vehicle::DataType>& type, const Sampled& s) {
  const std::shared_ptr<vehicle::Conv> conv = vehicle::GetConv(type);
  for (size_t i = 0; i < s.raw.size(); ++i) {
    if (std::isnan(s.value[i]))
      continue;
    double read = 0;
    try {
      read = conv->ToDouble(RawBytes(s.raw[i], type->storage, type->endian));
    } catch (const std::exception&) {
      return false;
    }
    if (!Agree(read, s.value[i], 0))
      return false;
  }
  return true;
}

// Digits after the point of a number pattern such as "0.00" or "#.##".
std::string FormatFromPattern(const std::string& pattern) {
  const size_t point = pattern.find('.');
  int digits = 0;
  if (point != std::string::npos) {
    for (size_t i = point + 1; i < pattern.size() && (pattern[i] == '0' || pattern[i] == '#'); ++i)
      ++digits;
  }
  return "%." + std::to_string(std::min(digits, 15)) + "f";
}

bool IsWhole(double value) {
  return std::fabs(value) < 1e15 && value == std::floor(value);
}

}  // namespace

bool ConvertScaling(const Scaling& scaling, Storage_e storage, util::e_endian endian,
                    ConvertedScaling& out, std::string& why) {
  out = ConvertedScaling();
  Expression to_value(scaling.to_expr);
  if (!to_value.Check(why))
    return false;

  Sampled sampled;
  sampled.raw = RawSamples(storage);
  size_t finite = 0;
  double pole = 0;  // a stored value at which the expression divides by zero
  bool divides = false;
  for (double raw : sampled.raw) {
    // Floats are read as singles: the source sees the single's value.
    const double x = storage == util::data::STORAGE_FLOAT ? static_cast<float>(raw) : raw;
    double value = 0;
    bool here = false;
    const bool ok = to_value.At(x, value, &here);
    sampled.value.push_back(ok ? value : std::nan(""));
    finite += ok ? 1 : 0;
    if (here && !divides && storage != util::data::STORAGE_FLOAT) {
      divides = true;
      pole = raw;
    }
  }
  if (finite == 0) {
    why = "expression \"" + to_value.Text() + "\" has no finite value for any stored value";
    return false;
  }

  auto type = std::make_shared<vehicle::DataType>();
  type->unit = scaling.units.empty() ? "-" : scaling.units;
  type->endian = endian;
  type->storage = storage;
  type->data_target = vehicle::TARGET_TABLE;
  type->delta_type = vehicle::DELTA_NORMAL;

  const Fit fit = FitShape(to_value, sampled, storage);
  bool done = false;
  if (fit.shape != Shape::kOther) {
    auto& conv = type->std_conv;
    if (fit.shape == Shape::kLinear && fit.a == 1 && fit.b == 0) {
      conv.type = VehicleV2::CONV_DIRECT;
    } else {
      conv.type =
          fit.shape == Shape::kLinear ? VehicleV2::CONV_SLOPE_INT : VehicleV2::CONV_INV_OFFSET;
      conv.constants[VehicleV2::CONST_SCALAR] = fit.a;
      conv.constants[VehicleV2::CONST_OFFSET] = fit.b;
    }
    done = ConversionAgrees(type, sampled);
    if (!done)
      conv = vehicle::DataType::std_conv_t();
  }
  if (!done) {
    type->str_conv.to_float = to_value.Text();
    Expression to_raw(scaling.from_expr);
    std::string inverse_why;
    if (scaling.from_expr.empty()) {
      out.read_only = true;
      out.notes.push_back("no inverse expression is given: imported read-only");
    } else if (!to_raw.Check(inverse_why)) {
      out.read_only = true;
      out.notes.push_back("inverse " + inverse_why + ": imported read-only");
    } else {
      type->str_conv.to_bin = to_raw.Text();
      for (size_t i = 0; i < sampled.raw.size(); ++i) {
        double back = 0;
        if (!std::isnan(sampled.value[i]) && to_raw.At(sampled.value[i], back) &&
            std::fabs(back - sampled.raw[i]) > 0.5 + 1e-9 * std::fabs(sampled.raw[i])) {
          out.notes.push_back("inverse expression \"" + to_raw.Text() +
                              "\" does not undo the expression at stored value " +
                              ExactText(sampled.raw[i]) + "; edits may store other values");
          break;
        }
      }
    }
    // The conversion needs a text to write with; a read-only table never writes.
    if (out.read_only)
      type->str_conv.to_bin = "x";
    if (!ConversionAgrees(type, sampled)) {
      why = "the library's conversion does not read \"" + to_value.Text() +
            "\" as the expression parser does";
      return false;
    }
  }
  if (divides && type->std_conv.type == VehicleV2::CONV_INVALID) {
    // The source shows no value there either, but an expression conversion
    // fails outright where an inv-offset one reads 0.
    out.notes.push_back("expression \"" + to_value.Text() + "\" divides by zero at stored value " +
                        ExactText(pole) + "; reading that value fails");
  }

  // Range: as given, else what the stored values can reach.
  double lo = 0, hi = 0;
  bool first = true;
  std::vector<double> reach = sampled.value;
  const RawRange range = RangeOf(storage);
  for (double end : {range.lo, range.hi}) {
    double value = 0;
    if (to_value.At(end, value))
      reach.push_back(value);
  }
  for (double value : reach) {
    if (std::isnan(value))
      continue;
    lo = first ? value : std::min(lo, value);
    hi = first ? value : std::max(hi, value);
    first = false;
  }
  type->min = scaling.has_min ? scaling.min : lo;
  type->max = scaling.has_max ? scaling.max : hi;
  if (type->min > type->max) {
    out.notes.push_back("range " + ExactText(type->min) + " to " + ExactText(type->max) +
                        " is reversed; the stored values' range is used");
    type->min = lo;
    type->max = hi;
  }

  // Edit steps: as given, else one stored step of a straight line.
  const bool linear = type->std_conv.type == VehicleV2::CONV_SLOPE_INT ||
                      type->std_conv.type == VehicleV2::CONV_DIRECT;
  if (scaling.has_fine && scaling.fine > 0) {
    type->small_delta = scaling.fine;
  } else if (linear && storage != util::data::STORAGE_FLOAT) {
    type->small_delta = std::fabs(fit.a);
  }
  if (scaling.has_coarse && scaling.coarse > 0) {
    type->large_delta = scaling.coarse;
  } else if (type->small_delta != vehicle::DataType::VALUE_NOT_SET) {
    type->large_delta = 10 * type->small_delta;
  }

  // Display format.
  const bool whole = linear && IsWhole(fit.a) && IsWhole(fit.b);
  const std::string fallback = whole ? "%.0f" : "%.2f";
  if (scaling.format.empty()) {
    type->format = fallback;
  } else if (scaling.printf_format) {
    if (util::FloatFormatParser::IsValidFormat(scaling.format)) {
      type->format = scaling.format;
    } else {
      type->format = fallback;
      out.notes.push_back("display format \"" + scaling.format + "\" is not one ecucal can use; " +
                          fallback + " instead");
    }
  } else {
    type->format = FormatFromPattern(scaling.format);
  }
  out.type = type;
  return true;
}

}  // namespace import
