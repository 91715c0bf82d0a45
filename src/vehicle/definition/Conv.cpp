#include "vehicle/definition/Conv.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>

namespace vehicle {

namespace {

using util::data::Storage_e;

constexpr double kUint32Max = 4294967295.0;

double Clamp(double value, double low, double high) {
  return std::min(std::max(value, low), high);
}

// The IEEE quotient, without relying on a division by zero (which the
// language leaves undefined).
double Quotient(double numerator, double denominator) {
  if (denominator != 0.0)
    return numerator / denominator;
  if (numerator == 0.0 || std::isnan(numerator))
    return std::numeric_limits<double>::quiet_NaN();
  return std::copysign(HUGE_VAL, numerator) * std::copysign(1.0, denominator);
}

// Single precision, saturating at the largest finite single instead of
// leaving the float range (a narrowing the language leaves undefined).
float NarrowToFloat(double value) {
  if (std::isnan(value))
    return std::numeric_limits<float>::quiet_NaN();
  return static_cast<float>(Clamp(value, -FLT_MAX, FLT_MAX));
}

// Bits of a single for "float" storage. A ROM cell holding NaN or infinity
// would poison every later read, so NaN stores 0.0 and infinities the largest
// finite single of their sign.
unsigned long FloatBits(float value) {
  if (std::isnan(value))
    value = 0.0f;
  value = std::min(std::max(value, -FLT_MAX), FLT_MAX);
  uint32_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

// round(value) clamped to low..high and stored as two's complement modulo
// `modulus`; NaN gives 0.
unsigned long SignedPattern(double value, double low, double high, double modulus) {
  if (std::isnan(value))
    return 0;
  double clamped = Clamp(std::round(value), low, high);
  if (clamped < 0)
    clamped += modulus;
  return static_cast<unsigned long>(clamped);
}

std::string Expression(const std::shared_ptr<DataType>& data_type,
                       std::string DataType::str_conv_t::*text) {
  return data_type ? data_type->str_conv.*text : std::string();
}

Parser SeededParser(const std::string& expression) {
  Parser parser(expression);
  parser.SetVariable("pi", 3.141592653589793);
  parser.SetVariable("e", 2.718281828459045);
  return parser;
}

double Constant(const std::shared_ptr<DataType>& data_type, VehicleV2::ConversionConstants_e key) {
  if (!data_type)
    return 0.0;
  auto found = data_type->std_conv.constants.find(key);
  return found == data_type->std_conv.constants.end() ? 0.0 : found->second;
}

}  // namespace

std::string CompoundInputOperand::GetText() const {
  return "input" + std::to_string(number_);
}

Conv::Conv(const std::shared_ptr<DataType>& data_type)
    : data_type_(data_type),
      storage_(data_type ? data_type->storage : util::data::STORAGE_INVALID) {}

void Conv::SetOperandValue(const IOperand& /*operand*/, const double& /*value*/) {}

double Conv::CompoundToDouble() {
  return 0.0;
}

double Conv::BinToDouble(unsigned long raw) const {
  switch (storage_) {
    case util::data::STORAGE_S8: {
      const double low = static_cast<double>(raw & 0xFFu);
      return low >= 0x80 ? low - 0x100 : low;
    }
    case util::data::STORAGE_S16: {
      const double low = static_cast<double>(raw & 0xFFFFu);
      return low >= 0x8000 ? low - 0x10000 : low;
    }
    case util::data::STORAGE_S32: {
      const double low = static_cast<double>(raw & 0xFFFFFFFFu);
      return low >= 2147483648.0 ? low - 4294967296.0 : low;
    }
    case util::data::STORAGE_FLOAT: {
      const uint32_t bits = static_cast<uint32_t>(raw);
      float value = 0.0f;
      std::memcpy(&value, &bits, sizeof value);
      return value;
    }
    default:
      return static_cast<double>(static_cast<uint32_t>(raw));
  }
}

Conv::IntegerRange Conv::IntegerRangeOf(util::data::Storage_e storage) {
  switch (storage) {
    case util::data::STORAGE_U8:
      return {0, 255, 256};
    case util::data::STORAGE_S8:
      return {-128, 127, 256};
    case util::data::STORAGE_U16:
      return {0, 65535, 65536};
    case util::data::STORAGE_S16:
      return {-32768, 32767, 65536};
    case util::data::STORAGE_S32:
      return {-2147483648.0, 2147483647.0, 4294967296.0};
    default:
      // "32", and an invalid storage, which has no range of its own.
      return {0, kUint32Max, 4294967296.0};
  }
}

unsigned long Conv::ToLongBin(float value) const {
  if (storage_ == util::data::STORAGE_FLOAT)
    return FloatBits(value);
  return RoundToInteger(value, IntegerRangeOf(storage_));
}

unsigned long Conv::ToLongBin(double value) const {
  return ToLongBin(NarrowToFloat(value));
}

unsigned long Conv::ReadRaw(const util::Binary& in) const {
  switch (util::data::StorageWidth(storage_)) {
    case 1:
      return in.ToUint8();
    case 2:
      return in.ToUint16();
    case 4:
      return in.ToUint32();
    default:
      return 0;
  }
}

void Conv::WriteRaw(unsigned long raw, util::Binary& out) const {
  const uint32_t width = util::data::StorageWidth(storage_);
  if (width == 0)
    return;
  out.bytes.resize(width);
  for (uint32_t i = 0; i < width; ++i) {
    const uint32_t shift = 8 * i;
    const uint8_t byte = static_cast<uint8_t>((raw >> shift) & 0xFFu);
    if (out.endian == util::ENDIAN_BIG) {
      out.bytes[width - 1 - i] = byte;
    } else if (out.endian == util::ENDIAN_LITTLE) {
      out.bytes[i] = byte;
    }
  }
}

void DirectConv::ToBin(double value, util::Binary& out) const {
  WriteRaw(ToLongBin(value), out);
}

double DirectConv::ToDouble(const util::Binary& in) const {
  return BinToDouble(ReadRaw(in));
}

ScalarOffsetConv::ScalarOffsetConv(const std::shared_ptr<DataType>& data_type)
    : Conv(data_type),
      scalar_(Constant(data_type, VehicleV2::CONST_SCALAR)),
      offset_(Constant(data_type, VehicleV2::CONST_OFFSET)) {}

void SlopeIntConv::ToBin(double value, util::Binary& out) const {
  WriteRaw(ToRaw(value), out);
}

unsigned long SlopeIntConv::ToRaw(double value) const {
  return ToLongBin(Quotient(value - offset_, scalar_));
}

double SlopeIntConv::ToDouble(const util::Binary& in) const {
  return BinToDouble(ReadRaw(in)) * scalar_ + offset_;
}

void PtSlopeConv::ToBin(double value, util::Binary& out) const {
  WriteRaw(ToLongBin(Quotient(value, scalar_) - offset_), out);
}

double PtSlopeConv::ToDouble(const util::Binary& in) const {
  return (BinToDouble(ReadRaw(in)) + offset_) * scalar_;
}

void InvOffsetConv::ToBin(double value, util::Binary& out) const {
  const double raw = value - offset_ == 0.0 ? 0.0 : Quotient(scalar_, value) - offset_;
  WriteRaw(ToLongBin(raw), out);
}

double InvOffsetConv::ToDouble(const util::Binary& in) const {
  const double denominator = BinToDouble(ReadRaw(in)) + offset_;
  return denominator == 0.0 ? 0.0 : scalar_ / denominator;
}

StrConv::StrConv(const std::shared_ptr<DataType>& data_type)
    : Conv(data_type),
      to_bin_(SeededParser(Expression(data_type, &DataType::str_conv_t::to_bin))),
      to_float_(SeededParser(Expression(data_type, &DataType::str_conv_t::to_float))),
      compound_(SeededParser(Expression(data_type, &DataType::str_conv_t::compound))) {}

void StrConv::ToBin(double value, util::Binary& out) const {
  to_bin_.SetVariable("x", value);
  const double result = to_bin_.Evaluate();
  unsigned long raw = 0;
  switch (GetStorage()) {
    case util::data::STORAGE_FLOAT:
      raw = FloatBits(NarrowToFloat(result));
      break;
    case util::data::STORAGE_S8:
      raw = SignedPattern(result, -128, 127, 256);
      break;
    case util::data::STORAGE_S16:
      raw = SignedPattern(result, -32768, 32767, 65536);
      break;
    case util::data::STORAGE_S32:
      raw = SignedPattern(result, -2147483648.0, 2147483647.0, 4294967296.0);
      break;
    default:
      raw = ToLongBin(std::round(result));
      break;
  }
  WriteRaw(raw, out);
}

double StrConv::ToDouble(const util::Binary& in) const {
  to_float_.SetVariable("x", BinToDouble(ReadRaw(in)));
  return to_float_.Evaluate();
}

void StrConv::SetOperandValue(const IOperand& operand, const double& value) {
  compound_.SetVariable(operand.GetText(), value);
}

double StrConv::CompoundToDouble() {
  try {
    return compound_.Evaluate();
  } catch (const std::exception&) {
    return 0.0;
  }
}

std::shared_ptr<Conv> GetConv(const std::shared_ptr<DataType>& data_type) {
  if (!data_type)
    return std::make_shared<DirectConv>(data_type);
  switch (data_type->std_conv.type) {
    case VehicleV2::CONV_SLOPE_INT:
      return std::make_shared<SlopeIntConv>(data_type);
    case VehicleV2::CONV_PT_SLOPE:
      return std::make_shared<PtSlopeConv>(data_type);
    case VehicleV2::CONV_INV_OFFSET:
      return std::make_shared<InvOffsetConv>(data_type);
    case VehicleV2::CONV_INVALID:
      if (!data_type->str_conv.to_bin.empty() || !data_type->str_conv.compound.empty()) {
        return std::make_shared<StrConv>(data_type);
      }
      return std::make_shared<DirectConv>(data_type);
    default:
      // "direct", and "labels" and "custom", whose values are stored as they are.
      return std::make_shared<DirectConv>(data_type);
  }
}

}  // namespace vehicle
