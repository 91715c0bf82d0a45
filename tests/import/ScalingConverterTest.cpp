#include "import/ScalingConverter.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "vehicle/definition/DataType.h"

namespace {

using import::ConvertedScaling;
using import::ConvertScaling;
using import::Scaling;

Scaling Of(const std::string& to, const std::string& from = "") {
  Scaling scaling;
  scaling.units = "u";
  scaling.to_expr = to;
  scaling.from_expr = from;
  return scaling;
}

TEST(ScalingConverterTest, FindsTheConversionKindAndItsExactConstants) {
  const struct {
    const char* expression;
    util::data::Storage_e storage;
    VehicleV2::ConversionTypes_e type;
    double scalar, offset;
  } cases[] = {
      {"x", util::data::STORAGE_U16, VehicleV2::CONV_DIRECT, 0, 0},
      {"", util::data::STORAGE_U8, VehicleV2::CONV_DIRECT, 0, 0},
      {"x*0.5-40", util::data::STORAGE_S8, VehicleV2::CONV_SLOPE_INT, 0.5, -40},
      {"(x-128)/1.28", util::data::STORAGE_U8, VehicleV2::CONV_SLOPE_INT, 0.78125, -100},
      {"x*.0078125", util::data::STORAGE_U16, VehicleV2::CONV_SLOPE_INT, 0.0078125, 0},
      {"x*10/32", util::data::STORAGE_U32, VehicleV2::CONV_SLOPE_INT, 0.3125, 0},
      {"x*2", util::data::STORAGE_FLOAT, VehicleV2::CONV_SLOPE_INT, 2, 0},
      {"29241/x", util::data::STORAGE_U16, VehicleV2::CONV_INV_OFFSET, 29241, 0},
      {"500000/(x+1)", util::data::STORAGE_U8, VehicleV2::CONV_INV_OFFSET, 500000, 1},
      {"14.7/(1+x*0.0078125)", util::data::STORAGE_U8, VehicleV2::CONV_INV_OFFSET, 1881.6, 128},
      {"2^(x/32)", util::data::STORAGE_U8, VehicleV2::CONV_INVALID, 0, 0},
      {"x^2", util::data::STORAGE_S16, VehicleV2::CONV_INVALID, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expression);
    ConvertedScaling out;
    std::string why;
    ASSERT_TRUE(ConvertScaling(Of(c.expression, "x"), c.storage, util::ENDIAN_BIG, out, why))
        << why;
    const auto& conv = out.type->std_conv;
    EXPECT_EQ(conv.type, c.type);
    if (c.type == VehicleV2::CONV_SLOPE_INT || c.type == VehicleV2::CONV_INV_OFFSET) {
      EXPECT_EQ(conv.constants.at(VehicleV2::CONST_SCALAR), c.scalar);
      EXPECT_EQ(conv.constants.at(VehicleV2::CONST_OFFSET), c.offset);
    }
    if (c.type == VehicleV2::CONV_INVALID) {
      EXPECT_EQ(out.type->str_conv.to_float, c.expression);
    }
    EXPECT_EQ(out.type->storage, c.storage);
    EXPECT_EQ(out.type->data_target, vehicle::TARGET_TABLE);
  }
}

TEST(ScalingConverterTest, RangeStepsFormatAndWritabilityFollowTheStorageAndInverse) {
  ConvertedScaling out;
  std::string why;
  ASSERT_TRUE(ConvertScaling(Of("x*0.5-40"), util::data::STORAGE_U8, util::ENDIAN_BIG, out, why));
  const auto& t = *out.type;
  EXPECT_EQ(std::make_tuple(t.min, t.max, t.small_delta, t.large_delta, t.format),
            std::make_tuple(-40.0, 87.5, 0.5, 5.0, std::string("%.2f")));
  EXPECT_FALSE(out.read_only);  // a straight line needs no inverse

  Scaling given = Of("x");
  given.has_min = given.has_max = true;
  given.min = 0;
  given.max = 100;
  given.format = "0.000";  // a number pattern
  ASSERT_TRUE(ConvertScaling(given, util::data::STORAGE_U8, util::ENDIAN_BIG, out, why));
  EXPECT_EQ(std::make_pair(out.type->max, out.type->format),
            std::make_pair(100.0, std::string("%.3f")));

  // Without a usable inverse the values are read-only.
  ASSERT_TRUE(ConvertScaling(Of("x*x"), util::data::STORAGE_U8, util::ENDIAN_BIG, out, why));
  EXPECT_TRUE(out.read_only);
  ASSERT_TRUE(ConvertScaling(Of("x*x", "x*2"), util::data::STORAGE_U8, util::ENDIAN_BIG, out, why));
  EXPECT_FALSE(out.read_only);
  ASSERT_FALSE(out.notes.empty());
  EXPECT_NE(out.notes.front().find("does not undo"), std::string::npos) << out.notes.front();
}

TEST(ScalingConverterTest, RefusesExpressionsTheParserCannotUse) {
  const struct {
    const char* expression;
    const char* words;
  } cases[] = {
      {"x*/2", "rejected by the expression parser"},
      {"x*gain", "uses \"gain\""},
      {"x/0", "no finite value"},
  };
  for (const auto& c : cases) {
    ConvertedScaling out;
    std::string why;
    EXPECT_FALSE(
        ConvertScaling(Of(c.expression, "x"), util::data::STORAGE_U8, util::ENDIAN_BIG, out, why))
        << c.expression;
    EXPECT_NE(why.find(c.words), std::string::npos) << why;
  }
}

}  // namespace
