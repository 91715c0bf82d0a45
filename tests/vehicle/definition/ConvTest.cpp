#include "vehicle/definition/Conv.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <ostream>
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

const char* Name(Storage_e storage) {
  static const char* names[] = {"u8", "s8", "u16", "s16", "u32", "s32", "float"};
  return storage == STORAGE_INVALID ? "invalid" : names[storage];
}

// --- Direct writes at every storage, both byte orders, clamping edges. ---

struct WriteCase {
  Storage_e storage;
  double value;
  uint32_t raw;
};

void PrintTo(const WriteCase& c, std::ostream* os) {
  *os << Name(c.storage) << " " << c.value << " -> " << c.raw;
}

class DirectWriteTest : public ::testing::TestWithParam<WriteCase> {};

// An identity expression writes exactly as the direct conversion does.
TEST_P(DirectWriteTest, WritesClampedRawInBothByteOrders) {
  const WriteCase& c = GetParam();
  DirectConv conv(Type(c.storage));
  StrConv identity(Expressions(c.storage, "x", "x"));
  const uint32_t width = StorageWidth(c.storage);
  for (const Conv* writer :
       {static_cast<const Conv*>(&conv), static_cast<const Conv*>(&identity)}) {
    EXPECT_EQ(Write(*writer, c.value, ENDIAN_BIG), Bytes(c.raw, width, ENDIAN_BIG));
    EXPECT_EQ(Write(*writer, c.value, ENDIAN_LITTLE), Bytes(c.raw, width, ENDIAN_LITTLE));
  }
  EXPECT_EQ(conv.ToLongBin(c.value), c.raw);
}

INSTANTIATE_TEST_SUITE_P(
    Edges, DirectWriteTest,
    ::testing::Values(
        WriteCase{STORAGE_U8, 0, 0}, WriteCase{STORAGE_U8, 255, 0xFF},
        WriteCase{STORAGE_U8, 256, 0xFF}, WriteCase{STORAGE_U8, -1, 0},
        WriteCase{STORAGE_U8, 2.5, 3}, WriteCase{STORAGE_U8, 2.49, 2},
        WriteCase{STORAGE_U8, kNaN, 0}, WriteCase{STORAGE_U8, kInf, 0xFF},
        WriteCase{STORAGE_U8, -kInf, 0}, WriteCase{STORAGE_S8, -1, 0xFF},
        WriteCase{STORAGE_S8, -200, 0x80}, WriteCase{STORAGE_S8, 300, 0x7F},
        WriteCase{STORAGE_S8, -2.5, 0xFD}, WriteCase{STORAGE_S8, 127.4, 0x7F},
        WriteCase{STORAGE_S8, -128, 0x80}, WriteCase{STORAGE_S8, kNaN, 0},
        WriteCase{STORAGE_S8, kInf, 0x7F}, WriteCase{STORAGE_S8, -kInf, 0x80},
        WriteCase{STORAGE_U16, 0x1234, 0x1234}, WriteCase{STORAGE_U16, 65535, 0xFFFF},
        WriteCase{STORAGE_U16, 70000, 0xFFFF}, WriteCase{STORAGE_U16, -5, 0},
        WriteCase{STORAGE_U16, kInf, 0xFFFF}, WriteCase{STORAGE_U16, kNaN, 0},
        WriteCase{STORAGE_S16, -1, 0xFFFF}, WriteCase{STORAGE_S16, -32768, 0x8000},
        WriteCase{STORAGE_S16, -40000, 0x8000}, WriteCase{STORAGE_S16, 40000, 0x7FFF},
        WriteCase{STORAGE_S16, -kInf, 0x8000}, WriteCase{STORAGE_S16, kNaN, 0},
        // Halves round away from zero.
        WriteCase{STORAGE_S16, 2.5, 3}, WriteCase{STORAGE_S16, -2.5, 0xFFFD},
        WriteCase{STORAGE_S16, -2.4, 0xFFFE}, WriteCase{STORAGE_S16, -0.4, 0},
        WriteCase{STORAGE_U32, 0x12345600, 0x12345600},
        WriteCase{STORAGE_U32, 4294967295.0, 0xFFFFFFFF}, WriteCase{STORAGE_U32, 5e9, 0xFFFFFFFF},
        WriteCase{STORAGE_U32, 1e300, 0xFFFFFFFF}, WriteCase{STORAGE_U32, -1, 0},
        WriteCase{STORAGE_U32, kNaN, 0}, WriteCase{STORAGE_U32, kInf, 0xFFFFFFFF},
        WriteCase{STORAGE_U32, -kInf, 0},
        // Passes through single precision: 2^24 + 1 is not representable.
        WriteCase{STORAGE_U32, 16777217, 16777216}, WriteCase{STORAGE_S32, -1, 0xFFFFFFFF},
        WriteCase{STORAGE_S32, 3e9, 0x7FFFFFFF}, WriteCase{STORAGE_S32, -3e9, 0x80000000},
        WriteCase{STORAGE_S32, -2.5, 0xFFFFFFFD}, WriteCase{STORAGE_S32, kInf, 0x7FFFFFFF},
        WriteCase{STORAGE_S32, -kInf, 0x80000000}, WriteCase{STORAGE_S32, kNaN, 0},
        WriteCase{STORAGE_FLOAT, 1.5, 0x3FC00000}, WriteCase{STORAGE_FLOAT, -2, 0xC0000000},
        WriteCase{STORAGE_FLOAT, 0.1, 0x3DCCCCCD}, WriteCase{STORAGE_FLOAT, kNaN, 0},
        WriteCase{STORAGE_FLOAT, kInf, 0x7F7FFFFF}, WriteCase{STORAGE_FLOAT, 1e300, 0x7F7FFFFF},
        WriteCase{STORAGE_FLOAT, -1e300, 0xFF7FFFFF}, WriteCase{STORAGE_FLOAT, -kInf, 0xFF7FFFFF}),
    [](const ::testing::TestParamInfo<WriteCase>& info) {
      return std::string(Name(info.param.storage)) + "_" + std::to_string(info.index);
    });

// --- Direct reads at every storage, both byte orders. ---

struct ReadCase {
  Storage_e storage;
  std::vector<uint8_t> big_endian_bytes;
  double value;
};

void PrintTo(const ReadCase& c, std::ostream* os) {
  *os << Name(c.storage) << " " << c.value;
}

class DirectReadTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(DirectReadTest, ReadsSignedUnsignedAndFloat) {
  const ReadCase& c = GetParam();
  DirectConv conv(Type(c.storage));
  EXPECT_EQ(conv.ToDouble(Binary(c.big_endian_bytes, ENDIAN_BIG)), c.value);
  std::vector<uint8_t> reversed(c.big_endian_bytes.rbegin(), c.big_endian_bytes.rend());
  EXPECT_EQ(conv.ToDouble(Binary(reversed, ENDIAN_LITTLE)), c.value);
}

INSTANTIATE_TEST_SUITE_P(
    Widths, DirectReadTest,
    ::testing::Values(ReadCase{STORAGE_U8, {0xFF}, 255}, ReadCase{STORAGE_S8, {0xFF}, -1},
                      ReadCase{STORAGE_S8, {0x80}, -128}, ReadCase{STORAGE_S8, {0x7F}, 127},
                      ReadCase{STORAGE_U16, {0x80, 0x01}, 32769},
                      ReadCase{STORAGE_S16, {0x80, 0x01}, -32767},
                      ReadCase{STORAGE_S16, {0x12, 0x34}, 0x1234},
                      ReadCase{STORAGE_U32, {0xFF, 0xFF, 0xFF, 0xFF}, 4294967295.0},
                      ReadCase{STORAGE_S32, {0xFF, 0xFF, 0xFF, 0xFE}, -2},
                      ReadCase{STORAGE_S32, {0x80, 0x00, 0x00, 0x00}, -2147483648.0},
                      ReadCase{STORAGE_FLOAT, {0x3F, 0xC0, 0x00, 0x00}, 1.5},
                      ReadCase{STORAGE_FLOAT, {0xC2, 0x28, 0x00, 0x00}, -42},
                      ReadCase{STORAGE_INVALID, {0x12, 0x34}, 0}));

// --- Scaled kinds: every kind at every storage and both byte orders. ---

struct ScaledCase {
  const char* name;
  VehicleV2::ConversionTypes_e kind;
  double scalar;
  double offset;
  double raw;          // fits every storage
  double engineering;  // what raw means
  double huge;         // an engineering value whose raw exceeds every range
  double tiny;         // one whose raw is below every range
};

void PrintTo(const ScaledCase& c, std::ostream* os) {
  *os << c.name;
}

const ScaledCase kScaledCases[] = {
    {"SlopeInt", VehicleV2::CONV_SLOPE_INT, 0.5, -40, 100, 10, 1e12, -1e12},
    {"PtSlope", VehicleV2::CONV_PT_SLOPE, 2, 1, 3, 8, 1e12, -1e12},
    {"InvOffset", VehicleV2::CONV_INV_OFFSET, 1000, 0, 50, 20, 1e-12, -1e-12},
};

const Storage_e kStorages[] = {STORAGE_U8,  STORAGE_S8,  STORAGE_U16,  STORAGE_S16,
                               STORAGE_U32, STORAGE_S32, STORAGE_FLOAT};

class ScaledConvTest : public ::testing::TestWithParam<std::tuple<ScaledCase, Storage_e>> {};

TEST_P(ScaledConvTest, RoundTripsAndClamps) {
  const ScaledCase& c = std::get<0>(GetParam());
  const Storage_e storage = std::get<1>(GetParam());
  auto conv = GetConv(Scaled(storage, c.kind, c.scalar, c.offset));
  const uint32_t width = StorageWidth(storage);
  const bool is_float = storage == STORAGE_FLOAT;
  const uint32_t raw = is_float ? FloatBits(static_cast<float>(c.raw)) : uint32_t(c.raw);

  for (e_endian endian : {ENDIAN_BIG, ENDIAN_LITTLE}) {
    SCOPED_TRACE(endian == ENDIAN_BIG ? "big" : "little");
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

INSTANTIATE_TEST_SUITE_P(KindsByStorage, ScaledConvTest,
                         ::testing::Combine(::testing::ValuesIn(kScaledCases),
                                            ::testing::ValuesIn(kStorages)),
                         [](const ::testing::TestParamInfo<ScaledConvTest::ParamType>& info) {
                           return std::string(std::get<0>(info.param).name) + "_" +
                                  Name(std::get<1>(info.param));
                         });

// --- The rest of the integer conversion and byte writing. ---

TEST(ConvTest, SignExtendsOnlyTheLowBits) {
  DirectConv s8(Type(STORAGE_S8));
  EXPECT_EQ(s8.BinToDouble(0x1FF), -1);
  DirectConv s16(Type(STORAGE_S16));
  EXPECT_EQ(s16.BinToDouble(0x17FFF), 32767);
  DirectConv u32(Type(STORAGE_U32));
  EXPECT_EQ(u32.BinToDouble(0xFFFFFFFFul), 4294967295.0);
  DirectConv none(nullptr);
  EXPECT_EQ(none.BinToDouble(0x80), 128);
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

  DirectConv u32(Type(STORAGE_U32));
  Binary grown({9}, ENDIAN_LITTLE);
  u32.ToBin(0x0A0B0C, grown);
  EXPECT_EQ(grown.bytes, (std::vector<uint8_t>{0x0C, 0x0B, 0x0A, 0x00}));
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
  EXPECT_EQ(conv.GetScalar(), 0.0);
  EXPECT_EQ(conv.GetOffset(), 5.0);
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

TEST(ConvTest, KindsWithoutCompoundIgnoreOperands) {
  auto conv = GetConv(Type(STORAGE_U8));
  conv->SetOperandValue(CompoundInputOperand(1), 5.0);
  EXPECT_EQ(conv->CompoundToDouble(), 0.0);
}

// --- Factory. ---

template <class T>
bool Is(const std::shared_ptr<Conv>& conv) {
  return std::dynamic_pointer_cast<T>(conv) != nullptr;
}

TEST(GetConvTest, ChoosesTheKind) {
  EXPECT_TRUE(Is<DirectConv>(GetConv(nullptr)));
  EXPECT_TRUE(Is<DirectConv>(GetConv(Type(STORAGE_U8, VehicleV2::CONV_DIRECT))));
  EXPECT_TRUE(Is<SlopeIntConv>(GetConv(Type(STORAGE_U8, VehicleV2::CONV_SLOPE_INT))));
  EXPECT_TRUE(Is<PtSlopeConv>(GetConv(Type(STORAGE_U8, VehicleV2::CONV_PT_SLOPE))));
  EXPECT_TRUE(Is<InvOffsetConv>(GetConv(Type(STORAGE_U8, VehicleV2::CONV_INV_OFFSET))));
  EXPECT_TRUE(Is<DirectConv>(GetConv(Type(STORAGE_U8, VehicleV2::CONV_LABELS))));
  EXPECT_TRUE(Is<DirectConv>(GetConv(Type(STORAGE_U8, VehicleV2::CONV_INVALID))));
  EXPECT_TRUE(Is<StrConv>(GetConv(Expressions(STORAGE_U8, "x", ""))));
  EXPECT_TRUE(Is<StrConv>(GetConv(Expressions(STORAGE_U8, "", "", "input1"))));
  // to_float alone cannot write, so it does not make an expression conversion.
  EXPECT_TRUE(Is<DirectConv>(GetConv(Expressions(STORAGE_U8, "", "x*2"))));
  // An expression needs the type word to be absent.
  auto custom = Expressions(STORAGE_U8, "x*2", "x/2");
  custom->std_conv.type = VehicleV2::CONV_CUSTOM;
  EXPECT_TRUE(Is<DirectConv>(GetConv(custom)));
}

TEST(GetConvTest, EachCallMakesANewConversionThatKeepsItsType) {
  auto type = Type(STORAGE_U8);
  auto first = GetConv(type);
  auto second = GetConv(type);
  EXPECT_NE(first, second);
  EXPECT_EQ(first->GetDataType(), type);
  type.reset();
  EXPECT_EQ(first->GetDataType()->storage, STORAGE_U8);
}

TEST(GetConvTest, WorksOnATypeReadFromADocument) {
  TiXmlDocument doc;
  ASSERT_TRUE(doc.LoadFile(ECUCAL_TEST_DATA_DIR "/types/datatypes.xml"));
  util::DataHash<std::string, std::shared_ptr<DataType>> store;
  std::string error;
  ReadHashData(doc.RootElement(), store, error);
  auto conv = GetConv(store.findData("afr"));  // slope-int 0.5, -40, "16S", big
  EXPECT_EQ(conv->ToDouble(Binary({0xFF, 0xCE}, ENDIAN_BIG)), -65.0);  // raw -50
  EXPECT_EQ(Write(*conv, 10.0, ENDIAN_BIG), (std::vector<uint8_t>{0x00, 100}));

  auto expr = GetConv(store.findData("expr"));  // to_bin x*10, to_float x/10, "8"
  EXPECT_EQ(expr->ToDouble(Binary({25}, ENDIAN_LITTLE)), 2.5);
  EXPECT_EQ(Write(*expr, 2.5, ENDIAN_LITTLE), std::vector<uint8_t>{25});
}

// --- Expression conversions. ---

TEST(StrConvTest, ReadsThroughToFloat) {
  StrConv tenth(Expressions(STORAGE_U8, "x*10", "x*0.1"));
  EXPECT_DOUBLE_EQ(tenth.ToDouble(Binary({25}, ENDIAN_BIG)), 2.5);

  StrConv signed16(Expressions(STORAGE_S16, "x", "x"));
  EXPECT_EQ(signed16.ToDouble(Binary({0xFE, 0xFF}, ENDIAN_LITTLE)), -2);

  StrConv single(Expressions(STORAGE_FLOAT, "x", "x*2"));
  EXPECT_EQ(single.ToDouble(Binary({0x3F, 0xC0, 0, 0}, ENDIAN_BIG)), 3.0);

  StrConv constants(Expressions(STORAGE_U8, "x", "x*pi+e"));
  EXPECT_DOUBLE_EQ(constants.ToDouble(Binary({2}, ENDIAN_BIG)),
                   2 * 3.141592653589793 + 2.718281828459045);
}

struct StrWriteCase {
  Storage_e storage;
  const char* to_bin;
  double value;
  uint32_t raw;
};

void PrintTo(const StrWriteCase& c, std::ostream* os) {
  *os << Name(c.storage) << " " << c.to_bin << " at " << c.value << " -> " << c.raw;
}

class StrConvWriteTest : public ::testing::TestWithParam<StrWriteCase> {};

TEST_P(StrConvWriteTest, RoundsClampsAndEncodes) {
  const StrWriteCase& c = GetParam();
  StrConv conv(Expressions(c.storage, c.to_bin, "x"));
  const uint32_t width = StorageWidth(c.storage);
  EXPECT_EQ(Write(conv, c.value, ENDIAN_BIG), Bytes(c.raw, width, ENDIAN_BIG));
  EXPECT_EQ(Write(conv, c.value, ENDIAN_LITTLE), Bytes(c.raw, width, ENDIAN_LITTLE));
}

INSTANTIATE_TEST_SUITE_P(
    Storages, StrConvWriteTest,
    ::testing::Values(StrWriteCase{STORAGE_U8, "x*10", 2.5, 25},
                      StrWriteCase{STORAGE_U8, "sqrt(x)", -1, 0},  // NaN
                      StrWriteCase{STORAGE_S8, "sqrt(x)", -1, 0},
                      StrWriteCase{STORAGE_S32, "sqrt(x)", -1, 0},
                      StrWriteCase{STORAGE_S32, "x", 1e300 * 10, 0x7FFFFFFF},  // +infinity
                      // No float narrowing on the signed path: all 31 bits survive.
                      StrWriteCase{STORAGE_S32, "x", 2147483646, 0x7FFFFFFE},
                      StrWriteCase{STORAGE_FLOAT, "x*2", 1.5, 0x40400000},
                      StrWriteCase{STORAGE_FLOAT, "sqrt(x)", -1, 0}));

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

TEST(StrConvTest, CompoundErrorsGiveZero) {
  auto divide = GetConv(Expressions(STORAGE_U8, "", "", "input1/input2"));
  divide->SetOperandValue(CompoundInputOperand(1), 3.0);
  divide->SetOperandValue(CompoundInputOperand(2), 0.0);
  EXPECT_EQ(divide->CompoundToDouble(), 0.0);
  divide->SetOperandValue(CompoundInputOperand(2), 2.0);
  EXPECT_EQ(divide->CompoundToDouble(), 1.5);

  auto broken = GetConv(Expressions(STORAGE_U8, "", "", "input1 +* 2"));
  EXPECT_EQ(broken->CompoundToDouble(), 0.0);
}

TEST(CompoundInputOperandTest, NamesTheInput) {
  CompoundInputOperand operand(1);
  EXPECT_EQ(operand.GetText(), "input1");
  operand.SetInputNumber(4294967295u);
  EXPECT_EQ(operand.GetText(), "input4294967295");
}

}  // namespace
}  // namespace vehicle
