#include "vehicle/definition/Conv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace vehicle {
namespace {

using util::Binary;
using util::e_endian;
using util::ENDIAN_BIG;
using util::ENDIAN_LITTLE;
using util::data::Storage_e;
using namespace util::data;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

std::shared_ptr<DataType> Type(Storage_e storage,
                               VehicleV2::ConversionTypes_e kind = VehicleV2::CONV_DIRECT) {
  auto type = std::make_shared<DataType>();
  type->storage = storage;
  type->std_conv.type = kind;
  return type;
}

std::shared_ptr<DataType> Scaled(Storage_e storage, VehicleV2::ConversionTypes_e kind,
                                 double scalar, double offset) {
  auto type = Type(storage, kind);
  type->std_conv.constants[VehicleV2::CONST_SCALAR] = scalar;
  type->std_conv.constants[VehicleV2::CONST_OFFSET] = offset;
  return type;
}

std::shared_ptr<DataType> Expressions(Storage_e storage, const std::string& to_bin,
                                      const std::string& to_float,
                                      const std::string& compound = "") {
  auto type = Type(storage, VehicleV2::CONV_INVALID);
  type->str_conv.to_bin = to_bin;
  type->str_conv.to_float = to_float;
  type->str_conv.compound = compound;
  return type;
}

// The low `width` bytes of `raw` in the given order, written out by hand.
std::vector<uint8_t> Bytes(uint32_t raw, uint32_t width, e_endian endian) {
  std::vector<uint8_t> bytes;
  for (uint32_t i = 0; i < width; ++i)
    bytes.push_back(static_cast<uint8_t>(raw >> (8 * i)));
  if (endian == ENDIAN_BIG)
    std::reverse(bytes.begin(), bytes.end());
  return bytes;
}

uint32_t FloatBits(float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

std::vector<uint8_t> Write(const Conv& conv, double value, e_endian endian) {
  Binary out({}, endian);
  conv.ToBin(value, out);
  return out.bytes;
}

// Direct writes clamp to the storage's range and round halves away from zero;
// an identity expression writes exactly as the direct conversion does. A u32
// passes through single precision: 2^24 + 1 is not representable.
TEST(ConvTest, DirectWritesClampAndRoundInBothByteOrders) {
  const struct {
    Storage_e storage;
    std::vector<std::pair<double, uint32_t>> value_raw;
  } cases[] = {
      {STORAGE_U8, {{256, 0xFF}, {-1, 0}, {2.5, 3}, {kNaN, 0}, {kInf, 0xFF}}},
      {STORAGE_S8, {{-1, 0xFF}, {-200, 0x80}, {300, 0x7F}, {-2.5, 0xFD}}},
      {STORAGE_U16, {{0x1234, 0x1234}, {70000, 0xFFFF}}},
      {STORAGE_S16, {{-40000, 0x8000}, {40000, 0x7FFF}, {-2.4, 0xFFFE}, {-0.4, 0}}},
      {STORAGE_U32, {{5e9, 0xFFFFFFFF}, {1e300, 0xFFFFFFFF}, {-1, 0}, {16777217, 16777216}}},
      {STORAGE_S32, {{3e9, 0x7FFFFFFF}, {-3e9, 0x80000000}, {-2.5, 0xFFFFFFFD}, {kNaN, 0}}},
      {STORAGE_FLOAT,
       {{1.5, 0x3FC00000}, {0.1, 0x3DCCCCCD}, {kNaN, 0}, {kInf, 0x7F7FFFFF}, {-1e300, 0xFF7FFFFF}}},
  };
  for (const auto& c : cases) {
    DirectConv conv(Type(c.storage));
    StrConv identity(Expressions(c.storage, "x", "x"));
    const uint32_t width = StorageWidth(c.storage);
    for (const auto& value_raw : c.value_raw) {
      const double value = value_raw.first;
      const uint32_t raw = value_raw.second;
      SCOPED_TRACE(testing::Message() << c.storage << " " << value);
      for (const Conv* writer :
           {static_cast<const Conv*>(&conv), static_cast<const Conv*>(&identity)})
        for (e_endian endian : {ENDIAN_BIG, ENDIAN_LITTLE})
          EXPECT_EQ(Write(*writer, value, endian), Bytes(raw, width, endian));
      EXPECT_EQ(conv.ToLongBin(value), raw);
    }
  }
}

// Every scaled kind at every storage and both byte orders: a round trip, and
// clamping of values whose raw lies beyond the storage's range.
TEST(ConvTest, ScaledKindsRoundTripAndClamp) {
  const struct {
    VehicleV2::ConversionTypes_e kind;
    double scalar, offset;
    double raw;          // fits every storage
    double engineering;  // what raw means
    double huge, tiny;   // engineering values whose raw is above / below every range
  } cases[] = {{VehicleV2::CONV_SLOPE_INT, 0.5, -40, 100, 10, 1e12, -1e12},
               {VehicleV2::CONV_PT_SLOPE, 2, 1, 3, 8, 1e12, -1e12},
               {VehicleV2::CONV_INV_OFFSET, 1000, 0, 50, 20, 1e-12, -1e-12}};
  for (const auto& c : cases) {
    for (Storage_e storage : {STORAGE_U8, STORAGE_S8, STORAGE_U16, STORAGE_S16, STORAGE_U32,
                              STORAGE_S32, STORAGE_FLOAT}) {
      auto conv = GetConv(Scaled(storage, c.kind, c.scalar, c.offset));
      const uint32_t width = StorageWidth(storage);
      const bool is_float = storage == STORAGE_FLOAT;
      const uint32_t raw = is_float ? FloatBits(static_cast<float>(c.raw)) : uint32_t(c.raw);
      for (e_endian endian : {ENDIAN_BIG, ENDIAN_LITTLE}) {
        SCOPED_TRACE(testing::Message() << c.kind << " " << storage << " " << endian);
        EXPECT_EQ(Write(*conv, c.engineering, endian), Bytes(raw, width, endian));
        EXPECT_DOUBLE_EQ(conv->ToDouble(Binary(Bytes(raw, width, endian), endian)), c.engineering);
        if (is_float)
          continue;
        uint32_t max = 0xFFFFFFFFu >> (32 - 8 * width);
        uint32_t min = 0;
        if (IsSigned(storage)) {
          min = (max >> 1) + 1;  // two's-complement pattern of the most negative value
          max >>= 1;
        }
        EXPECT_EQ(Write(*conv, c.huge, endian), Bytes(max, width, endian));
        EXPECT_EQ(Write(*conv, c.tiny, endian), Bytes(min, width, endian));
        EXPECT_EQ(Write(*conv, kNaN, endian), Bytes(0, width, endian));
      }
    }
  }
}

// --- The rest of the integer conversion and byte writing. ---

TEST(ConvTest, SignExtendsOnlyTheLowBits) {
  const struct {
    Storage_e storage;
    unsigned long raw;
    double value;
  } cases[] = {
      {STORAGE_S8, 0x1FF, -1},
      {STORAGE_S8, 0x80, -128},
      {STORAGE_S8, 0x7F, 127},
      {STORAGE_S16, 0x17FFF, 32767},
      {STORAGE_S16, 0x8000, -32768},
      {STORAGE_S32, 0x80000000ul, -2147483648.0},
      {STORAGE_U32, 0xFFFFFFFFul, 4294967295.0},
      {STORAGE_INVALID, 0x80, 128},
  };
  for (const auto& c : cases)
    EXPECT_EQ(DirectConv(Type(c.storage)).BinToDouble(c.raw), c.value) << c.storage << " " << c.raw;
}

// The output takes the storage width; without a byte order it is only resized.
TEST(ConvTest, OutputIsResizedToTheStorageWidth) {
  DirectConv u16(Type(STORAGE_U16));
  Binary out({1, 2, 3, 4, 5, 6}, ENDIAN_BIG);
  u16.ToBin(0x1234, out);
  EXPECT_EQ(out.bytes, (std::vector<uint8_t>{0x12, 0x34}));
  Binary unordered({7}, util::ENDIAN_INVALID);
  u16.ToBin(0x1234, unordered);
  EXPECT_EQ(unordered.bytes, (std::vector<uint8_t>{7, 0}));
}

TEST(ConvTest, InvalidStorageReadsZeroAndWritesNothing) {
  for (auto type : {Type(STORAGE_INVALID), std::shared_ptr<DataType>()}) {
    DirectConv conv(type);
    Binary out({1, 2, 3}, ENDIAN_BIG);
    conv.ToBin(42, out);
    EXPECT_EQ(out.bytes, (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(conv.ToDouble(out), 0.0);
    // Without a range of its own it still never wraps.
    EXPECT_EQ(conv.ToLongBin(1e20), 0xFFFFFFFFu);
    EXPECT_EQ(conv.ToLongBin(-1.0), 0u);
    EXPECT_EQ(conv.ToLongBin(kNaN), 0u);
  }
}

TEST(ConvTest, MissingConstantsAreZero) {
  auto type = Type(STORAGE_U8, VehicleV2::CONV_SLOPE_INT);
  type->std_conv.constants[VehicleV2::CONST_OFFSET] = 5;
  SlopeIntConv conv(type);
  EXPECT_EQ(conv.ToDouble(Binary({200}, ENDIAN_BIG)), 5.0);
  // A zero scalar cannot be inverted: the raw value is pinned, never undefined.
  EXPECT_EQ(Write(conv, 6, ENDIAN_BIG), std::vector<uint8_t>{0xFF});
  EXPECT_EQ(Write(conv, 4, ENDIAN_BIG), std::vector<uint8_t>{0x00});
  EXPECT_EQ(Write(conv, 5, ENDIAN_BIG), std::vector<uint8_t>{0x00});
}

TEST(ConvTest, InvOffsetAvoidsDividingByZero) {
  InvOffsetConv conv(Scaled(STORAGE_S16, VehicleV2::CONV_INV_OFFSET, 1000, -5));
  EXPECT_EQ(conv.ToDouble(Binary({0x00, 0x05}, ENDIAN_BIG)), 0.0);            // raw + offset == 0
  EXPECT_EQ(Write(conv, -5, ENDIAN_BIG), (std::vector<uint8_t>{0, 0}));       // value - offset == 0
  EXPECT_EQ(Write(conv, 0, ENDIAN_BIG), (std::vector<uint8_t>{0x7F, 0xFF}));  // 1000 / 0
  EXPECT_EQ(Write(conv, 100, ENDIAN_BIG), (std::vector<uint8_t>{0, 15}));     // 1000/100 + 5
}

// --- Factory. ---

template <class T>
bool Is(const std::shared_ptr<Conv>& conv) {
  return std::dynamic_pointer_cast<T>(conv) != nullptr;
}

TEST(GetConvTest, ChoosesTheKind) {
  // The scaled kinds are told apart by their values above.
  EXPECT_TRUE(Is<DirectConv>(GetConv(nullptr)));
  EXPECT_TRUE(Is<DirectConv>(GetConv(Type(STORAGE_U8, VehicleV2::CONV_LABELS))));
  EXPECT_TRUE(Is<StrConv>(GetConv(Expressions(STORAGE_U8, "x", ""))));
  EXPECT_TRUE(Is<StrConv>(GetConv(Expressions(STORAGE_U8, "", "", "input1"))));
  // to_float alone cannot write, so it does not make an expression conversion.
  EXPECT_TRUE(Is<DirectConv>(GetConv(Expressions(STORAGE_U8, "", "x*2"))));
  // An expression needs the type word to be absent.
  auto custom = Expressions(STORAGE_U8, "x*2", "x/2");
  custom->std_conv.type = VehicleV2::CONV_CUSTOM;
  EXPECT_TRUE(Is<DirectConv>(GetConv(custom)));
}

// --- Expression conversions. ---

TEST(StrConvTest, WritesRoundClampAndEncode) {
  const struct {
    Storage_e storage;
    const char* to_bin;
    double value;
    uint32_t raw;
  } cases[] = {{STORAGE_U8, "x*10", 2.5, 25},
               {STORAGE_U8, "sqrt(x)", -1, 0},  // NaN
               {STORAGE_S32, "sqrt(x)", -1, 0},
               {STORAGE_S32, "x", 1e300 * 10, 0x7FFFFFFF},  // +infinity
               // No float narrowing on the signed path: all 31 bits survive.
               {STORAGE_S32, "x", 2147483646, 0x7FFFFFFE},
               {STORAGE_FLOAT, "x*2", 1.5, 0x40400000},
               {STORAGE_FLOAT, "sqrt(x)", -1, 0}};
  for (const auto& c : cases) {
    StrConv conv(Expressions(c.storage, c.to_bin, "x"));
    for (e_endian endian : {ENDIAN_BIG, ENDIAN_LITTLE})
      EXPECT_EQ(Write(conv, c.value, endian), Bytes(c.raw, StorageWidth(c.storage), endian))
          << c.to_bin << " at " << c.value;
  }
}

TEST(StrConvTest, EvaluatorErrorsReachTheCaller) {
  StrConv conv(Expressions(STORAGE_U8, "1/(x-1)", "1/x"));
  Binary out({}, ENDIAN_BIG);
  EXPECT_THROW(conv.ToDouble(Binary({0}, ENDIAN_BIG)), DivideByZeroException);
  EXPECT_THROW(conv.ToBin(1, out), DivideByZeroException);
  EXPECT_TRUE(out.bytes.empty());
}

TEST(StrConvTest, CompoundCombinesNamedInputs) {
  auto conv = GetConv(Expressions(STORAGE_U8, "", "", "input1*input2 + input10"));
  conv->SetOperandValue(CompoundInputOperand(1), 3.0);
  CompoundInputOperand operand(2);
  conv->SetOperandValue(operand, 4.0);
  operand.SetInputNumber(10);
  conv->SetOperandValue(operand, 0.5);
  EXPECT_EQ(conv->CompoundToDouble(), 12.5);
  conv->SetOperandValue(CompoundInputOperand(1), 1.0);
  EXPECT_EQ(conv->CompoundToDouble(), 4.5);
}

// As do kinds without a compound expression, whatever their operands.
TEST(StrConvTest, CompoundErrorsGiveZero) {
  auto divide = GetConv(Expressions(STORAGE_U8, "", "", "input1/input2"));
  divide->SetOperandValue(CompoundInputOperand(1), 3.0);
  divide->SetOperandValue(CompoundInputOperand(2), 0.0);
  EXPECT_EQ(divide->CompoundToDouble(), 0.0);
  divide->SetOperandValue(CompoundInputOperand(2), 2.0);
  EXPECT_EQ(divide->CompoundToDouble(), 1.5);

  auto broken = GetConv(Expressions(STORAGE_U8, "", "", "input1 +* 2"));
  EXPECT_EQ(broken->CompoundToDouble(), 0.0);

  auto direct = GetConv(Type(STORAGE_U8));
  direct->SetOperandValue(CompoundInputOperand(1), 5.0);
  EXPECT_EQ(direct->CompoundToDouble(), 0.0);
}

TEST(CompoundInputOperandTest, NamesTheInput) {
  CompoundInputOperand operand(1);
  EXPECT_EQ(operand.GetText(), "input1");
  operand.SetInputNumber(4294967295u);
  EXPECT_EQ(operand.GetText(), "input4294967295");
}

}  // namespace
}  // namespace vehicle
