#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <exception>
#include <limits>

#include "outside/DoublePrecision.h"
#include "outside/FloatFormatParser.h"
#include "vehicle/data/AxisData.h"

namespace vehicle {

namespace {

// Limits and deltas read from a document as "-3.4e38" are not bit-equal to
// the widened single marker; both mean "not set".
bool IsUnset(double value) {
  return std::fabs(value - AxisData::VALUE_NOT_SET) <= 1e31;
}

// The first 1 to 4 bytes as an integer, most significant first for
// big-endian, least significant first otherwise; 0 for other lengths.
uint32_t ReadInteger(const util::Binary& value) {
  const size_t n = value.Size();
  if (n < 1 || n > 4)
    return 0;
  uint32_t result = 0;
  for (size_t k = 0; k < n; ++k) {
    const size_t index = value.endian == util::ENDIAN_BIG ? k : n - 1 - k;
    result = (result << 8) | value.bytes[index];
  }
  return result;
}

// Steps below one raw count are raised to it; a step within 1e-8 of it is
// set to it exactly. False when raised from below.
bool RaiseStep(double& step, double smallest) {
  if (std::fabs(step - smallest) <= 1e-8) {
    step = smallest;
    return true;
  }
  if (step < smallest) {
    step = smallest;
    return false;
  }
  return true;
}

}  // namespace

bool AxisData::BoundsCheck(double& value) const {
  if (IsLabels())
    return true;
  const double max = GetMax();
  const double min = GetMin();
  if (!IsUnset(max) && max < value) {
    value = max;
    return true;
  }
  if (!IsUnset(min) && min > value) {
    value = min;
    return true;
  }
  return false;
}

double AxisData::Round(double value) const {
  const std::shared_ptr<DataType>& type = axis_->GetDataType();
  if (IsLabels() || !type)
    return value;
  if (GetStorage() == util::data::STORAGE_FLOAT)
    return util::DoublePrecision::RoundDigitsAfterDecimal(value, GetPrecision());
  if (type->std_conv.type == VehicleV2::CONV_DIRECT) {
    const double rounded = std::floor(value + 0.5);
    // Only whole numbers of the 32-bit range go through the integer; NaN,
    // infinities and larger values are already as whole as they get.
    if (!(rounded >= INT32_MIN && rounded <= INT32_MAX))
      return rounded;
    return static_cast<double>(static_cast<int32_t>(rounded));
  }
  return value;
}

bool AxisData::StoredValue(double value, double& stored) const {
  util::Binary bytes(std::vector<uint8_t>(), endian_);
  try {
    conv_->ToBin(value, bytes);
    stored = conv_->ToDouble(bytes);
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

void AxisData::SanityCheckMin() {
  const double min = GetMin();
  double stored = 0.0;
  if (IsLabels() || IsUnset(min) || !StoredValue(min, stored))
    return;
  if (std::fabs(stored - min) > 1e-8)
    axis_->SetMin(stored);
}

void AxisData::SanityCheckMax() {
  const double max = GetMax();
  double stored = 0.0;
  if (IsLabels() || IsUnset(max) || !StoredValue(max, stored))
    return;
  if (std::fabs(stored - max) > 1e-8)
    axis_->SetMax(stored);
}

bool AxisData::SanityCheckDeltas() {
  if (IsLabels())
    return true;
  const std::shared_ptr<DataType>& type = axis_->GetDataType();
  if (!type)
    return true;
  const util::data::Storage_e storage = GetStorage();
  if (storage == util::data::STORAGE_FLOAT && !IsUnset(type->small_delta) &&
      !IsUnset(type->large_delta))
    return true;
  if (!IsCalculated()) {
    SanityCheckMax();
    SanityCheckMin();
  }

  double small = 0.0;
  double large = 0.0;
  switch (storage) {
    case util::data::STORAGE_U8:
      small = CalculateDelta<unsigned char>(1);
      large = CalculateDelta<unsigned char>(2);
      break;
    case util::data::STORAGE_S8:
      small = CalculateDelta<signed char>(1);
      large = CalculateDelta<signed char>(2);
      break;
    case util::data::STORAGE_U16:
      small = CalculateDelta<unsigned short>(1);
      large = CalculateDelta<unsigned short>(2);
      break;
    case util::data::STORAGE_S16:
      small = CalculateDelta<short>(1);
      large = CalculateDelta<short>(2);
      break;
    case util::data::STORAGE_U32:
      small = CalculateDelta<unsigned int>(1);
      large = CalculateDelta<unsigned int>(2);
      break;
    case util::data::STORAGE_S32:
      small = CalculateDelta<int>(1);
      large = CalculateDelta<int>(2);
      break;
    case util::data::STORAGE_FLOAT: {
      const int digits = util::FloatFormatParser::GetDigitsAfterDecimal(GetFormat());
      small = deltas::GenerateFloatSmallDelta(digits);
      large = deltas::GenerateFloatLargeDelta(digits);
      break;
    }
    default:
      break;
  }
  const bool small_ok = RaiseStep(type->small_delta, small);
  const bool large_ok = RaiseStep(type->large_delta, large);
  return small_ok && large_ok;
}

template <typename T>
double AxisData::CalculateDelta(int n) const {
  const double min = GetMin();
  const double max = GetMax();
  util::Binary bytes(std::vector<uint8_t>(), endian_);
  int64_t raw_min = 0;
  int64_t raw_max = 0;
  // An unset limit stands for that end of T's range, not for -3.4e38.
  try {
    if (IsUnset(min)) {
      raw_min = std::numeric_limits<T>::min();
    } else {
      conv_->ToBin(min, bytes);
      raw_min = static_cast<T>(ReadInteger(bytes));
    }
    if (IsUnset(max)) {
      raw_max = std::numeric_limits<T>::max();
    } else {
      bytes.bytes.clear();
      conv_->ToBin(max, bytes);
      raw_max = static_cast<T>(ReadInteger(bytes));
    }
  } catch (const std::exception&) {
    return 0.0;
  }

  // Wide arithmetic, so stepping past either end of T's range cannot wrap.
  const int64_t hi = std::max(raw_min, raw_max);
  const int64_t lo = std::min(raw_min, raw_max);
  const int64_t step = raw_min > raw_max ? -static_cast<int64_t>(n) : n;
  int64_t a = raw_min + step;
  if (a > hi || a < lo)
    a = raw_max;
  int64_t b = raw_max - step;
  if (b < lo || b > hi)
    b = raw_min;

  // Engineering value of a raw count encoded at T's width.
  auto value_of = [this](int64_t raw, double& out) {
    const uint64_t bits = static_cast<uint64_t>(raw);
    util::Binary encoded(std::vector<uint8_t>(sizeof(T)), endian_);
    for (size_t k = 0; k < sizeof(T); ++k) {
      const uint8_t byte = static_cast<uint8_t>((bits >> (8 * k)) & 0xFFu);
      encoded.bytes[endian_ == util::ENDIAN_BIG ? sizeof(T) - 1 - k : k] = byte;
    }
    try {
      out = conv_->ToDouble(encoded);
    } catch (const std::exception&) {
      return false;
    }
    return true;
  };
  double va = 0.0, vb = 0.0, low_end = min, high_end = max;
  if (!value_of(a, va) || !value_of(b, vb))
    return 0.0;
  if ((IsUnset(min) && !value_of(raw_min, low_end)) ||
      (IsUnset(max) && !value_of(raw_max, high_end)))
    return 0.0;
  return std::max(std::fabs(low_end - va), std::fabs(high_end - vb));
}

template double AxisData::CalculateDelta<unsigned char>(int) const;
template double AxisData::CalculateDelta<signed char>(int) const;
template double AxisData::CalculateDelta<unsigned short>(int) const;
template double AxisData::CalculateDelta<short>(int) const;
template double AxisData::CalculateDelta<unsigned int>(int) const;
template double AxisData::CalculateDelta<int>(int) const;

}  // namespace vehicle
