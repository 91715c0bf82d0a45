#include "vehicle/definition/DataType.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include "ArchiveTestSupport.h"

namespace vehicle {
namespace {

using Store = util::DataHash<std::string, std::shared_ptr<DataType>>;
using VehicleV2::CONST_OFFSET;
using VehicleV2::CONST_SCALAR;

Store ReadXml(const std::string& xml) {
  TiXmlDocument doc;
  doc.Parse(xml.c_str());
  Store store;
  std::string error;
  EXPECT_TRUE(ReadHashData(doc.RootElement(), store, error));
  EXPECT_EQ(error, "");
  return store;
}

std::shared_ptr<DataType> ReadOne(const std::string& inner) {
  Store store = ReadXml("<root><datatype id=\"t\" " + inner + "</datatype></root>");
  EXPECT_TRUE(store.dataExists("t"));
  return store.dataExists("t") ? store.findData("t") : std::make_shared<DataType>();
}

class DataTypeFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TiXmlDocument doc;
    ASSERT_TRUE(doc.LoadFile(ECUCAL_TEST_DATA_DIR "/types/datatypes.xml"));
    std::string error;
    ASSERT_TRUE(ReadHashData(doc.RootElement(), store_, error));
  }
  std::shared_ptr<DataType> Get(const char* id) { return store_.findData(id); }
  Store store_;
};

TEST_F(DataTypeFileTest, ReadsEveryFieldFromAttributes) {
  auto t = Get("afr");
  EXPECT_EQ(t->unit, "AFR");
  EXPECT_EQ(t->endian, util::ENDIAN_BIG);
  EXPECT_EQ(t->storage, util::data::STORAGE_S16);
  EXPECT_EQ(t->min, 10.5);
  EXPECT_EQ(t->max, 20.0);
  EXPECT_EQ(t->GetSmallDelta(), 0.1);
  EXPECT_EQ(t->GetLargeDelta(), 1.0);  // leading number only
  EXPECT_EQ(t->format, "%.1f");
  EXPECT_EQ(t->std_conv.type, VehicleV2::CONV_SLOPE_INT);
  EXPECT_EQ(t->std_conv.constants, (std::map<VehicleV2::ConversionConstants_e, double>{
                                       {CONST_SCALAR, 0.5}, {CONST_OFFSET, -40.0}}));
  EXPECT_EQ(t->GetDataLabels(), (std::vector<std::string>{"lean", "rich"}));
  EXPECT_TRUE(t->HasLabels());
  EXPECT_EQ(t->GetBitMask(), 0x0FF0u);
  EXPECT_TRUE(t->HasBitMask());
  EXPECT_EQ(t->delta_type, DELTA_INVERTED);
  EXPECT_EQ(t->data_target, TARGET_TABLE);
  EXPECT_EQ(t->Validate(), DataType::VALID);
}

TEST_F(DataTypeFileTest, ReadsChildElementsAndKeepsUnparsableNumbersUnset) {
  auto t = Get("by_children");
  EXPECT_EQ(t->unit, "rpm");
  EXPECT_EQ(t->endian, util::ENDIAN_LITTLE);
  EXPECT_EQ(t->storage, util::data::STORAGE_U32);
  EXPECT_EQ(t->min, DataType::VALUE_NOT_SET);
  EXPECT_EQ(t->max, DataType::VALUE_NOT_SET);
  EXPECT_EQ(t->GetBitMask(), 017u);  // octal
  EXPECT_EQ(t->std_conv.type, VehicleV2::CONV_DIRECT);
  EXPECT_TRUE(t->std_conv.constants.empty());  // direct ignores the scalar
  EXPECT_EQ(t->delta_type, DELTA_NORMAL);
  EXPECT_EQ(t->data_target, TARGET_INVALID);
  EXPECT_FALSE(t->HasLabels());
}

TEST_F(DataTypeFileTest, ExpressionConversions) {
  auto expr = Get("expr");
  EXPECT_EQ(expr->std_conv.type, VehicleV2::CONV_INVALID);
  EXPECT_EQ(expr->str_conv.to_bin, "x*10");
  EXPECT_EQ(expr->str_conv.to_float, "x/10");
  EXPECT_EQ(expr->str_conv.compound, "input1+input2");
  EXPECT_EQ(expr->data_target, TARGET_DTC);
  EXPECT_FALSE(expr->HasBitMask());

  // to_float alone is ignored: one direction cannot be edited.
  auto float_only = Get("float_only");
  EXPECT_EQ(float_only->str_conv.to_float, "");
  EXPECT_EQ(float_only->Validate(), DataType::INVALID_CONVERSION);
}

TEST_F(DataTypeFileTest, ConstantsNeedATypeWord) {
  EXPECT_TRUE(Get("no_type")->std_conv.constants.empty());
  // An unknown type word still reads constants; unparsable text is kept
  // only up to its leading number.
  auto t = Get("bad_word");
  EXPECT_EQ(t->std_conv.type, VehicleV2::CONV_INVALID);
  EXPECT_EQ(t->std_conv.constants.at(CONST_OFFSET), 7.0);
  EXPECT_EQ(t->std_conv.constants.at(CONST_SCALAR), 1.5);
  EXPECT_EQ(t->endian, util::ENDIAN_INVALID);
  EXPECT_EQ(t->storage, util::data::STORAGE_INVALID);
  EXPECT_EQ(t->data_target, TARGET_INVALID);
}

TEST(DataTypeTest, DefaultsAreTheAbsentValues) {
  DataType t;
  EXPECT_EQ(t.min, DataType::VALUE_NOT_SET);
  EXPECT_EQ(t.GetLargeDelta(), DataType::VALUE_NOT_SET);
  EXPECT_EQ(t.endian, util::ENDIAN_INVALID);
  EXPECT_EQ(t.storage, util::data::STORAGE_INVALID);
  EXPECT_EQ(t.delta_type, DELTA_INVALID);
  EXPECT_EQ(t.GetBitMask(), 0xFFFFFFFFu);
  EXPECT_FALSE(t.HasBitMask());
  t.SetBitMask(0);
  EXPECT_TRUE(t.HasBitMask());
}

TEST(DataTypeTest, CodeBuiltConstructors) {
  DataType compound("%.2f", "psi", "input1*2");
  EXPECT_EQ(compound.format, "%.2f");
  EXPECT_EQ(compound.unit, "psi");
  EXPECT_EQ(compound.str_conv.compound, "input1*2");
  EXPECT_EQ(compound.storage, util::data::STORAGE_INVALID);

  DataType::std_conv_t conv;
  conv.type = VehicleV2::CONV_PT_SLOPE;
  conv.constants[CONST_SCALAR] = 2.0;
  DataType plain(util::ENDIAN_LITTLE, util::data::STORAGE_U16, "C", "%d", conv);
  EXPECT_EQ(plain.endian, util::ENDIAN_LITTLE);
  EXPECT_EQ(plain.storage, util::data::STORAGE_U16);
  EXPECT_EQ(plain.std_conv, conv);
  EXPECT_EQ(plain.max, DataType::VALUE_NOT_SET);
  EXPECT_EQ(plain.delta_type, DELTA_INVALID);
}

TEST(DataTypeTest, WordsAreLowerCasedBeforeLookup) {
  auto t =
      ReadOne(R"(unit="u" endian="LiTtLe" storage="FLOAT" target="DTC"><conv type="INV-OFFSET"/>)");
  EXPECT_EQ(t->endian, util::ENDIAN_LITTLE);
  EXPECT_EQ(t->storage, util::data::STORAGE_FLOAT);
  EXPECT_EQ(t->data_target, TARGET_DTC);
  EXPECT_EQ(t->std_conv.type, VehicleV2::CONV_INV_OFFSET);
}

TEST(DataTypeTest, SameIdTwiceRefinesOneObject) {
  Store store = ReadXml(R"(<root>
      <datatype id="t" unit="a" endian="big" storage="8" min="1"/>
      <datatype id="t" unit="b" storage="16"><conv><label>x</label></conv></datatype>
    </root>)");
  ASSERT_EQ(store.size(), 1u);
  auto t = store.findData("t");
  EXPECT_EQ(t->unit, "b");
  EXPECT_EQ(t->endian, util::ENDIAN_BIG);
  EXPECT_EQ(t->storage, util::data::STORAGE_U16);
  EXPECT_EQ(t->min, 1.0);
  EXPECT_EQ(t->GetDataLabels(), std::vector<std::string>{"x"});
}

TEST(DataTypeTest, NonNumericMaskIsZero) {
  auto t = ReadOne(R"(mask="none">)");
  EXPECT_EQ(t->GetBitMask(), 0u);
  EXPECT_TRUE(t->HasBitMask());
  EXPECT_FALSE(ReadOne(R"(mask="0xFFFFFFFF">)")->HasBitMask());
}

struct ValidateCase {
  const char* name;
  std::string id;
  std::string attributes;  // on the datatype element, after the id
  std::string children;
  validate_codes_t code;
};

void PrintTo(const ValidateCase& c, std::ostream* os) {
  *os << c.name;
}

class DataTypeValidateTest : public ::testing::TestWithParam<ValidateCase> {};

TEST_P(DataTypeValidateTest, FirstFailingRuleWins) {
  const ValidateCase& c = GetParam();
  std::shared_ptr<DataType> t;
  if (c.id.empty()) {
    // An id-less object cannot come out of a document; build it directly.
    TiXmlDocument doc;
    doc.Parse(("<datatype " + c.attributes + ">" + c.children + "</datatype>").c_str());
    t = std::make_shared<DataType>();
    t->SetObjId("x");
    std::string error;
    t->Read(doc.RootElement(), error, false);
    t->SetObjId("");
  } else {
    t = ReadOne(c.attributes + ">" + c.children);
  }
  EXPECT_EQ(t->Validate(), c.code);
}

const std::string kOk = R"(unit="u" endian="big" storage="8" )";

INSTANTIATE_TEST_SUITE_P(
    Codes, DataTypeValidateTest,
    ::testing::Values(
        ValidateCase{"NoId", "", kOk, R"(<conv type="direct"/>)", 1},
        ValidateCase{"NoUnit", "t", R"(endian="big" storage="8")", R"(<conv type="direct"/>)", 7},
        ValidateCase{"BadEndian", "t", R"(unit="u" endian="mixed" storage="8")", "", 8},
        ValidateCase{"BadStorage", "t", R"(unit="u" endian="big" storage="12")", "", 9},
        ValidateCase{"TypedNoTarget", "t", kOk, R"(<conv type="custom"/>)", 0},
        ValidateCase{"TypedDtc", "t", kOk + R"(target="dtc")", R"(<conv type="labels"/>)", 0},
        ValidateCase{"TypedTable", "t", kOk + R"(target="table")", R"(<conv type="direct"/>)", 0},
        ValidateCase{"NoConversion", "t", kOk, "", 14},
        ValidateCase{"ToFloatOnlyCountsWithToBin", "t", kOk, R"(<conv to_float="x"/>)", 14},
        ValidateCase{"ExpressionNoTarget", "t", kOk, R"(<conv to_bin="x" to_float="x"/>)", 0},
        ValidateCase{"CompoundNoTarget", "t", kOk, R"(<conv compound="input1"/>)", 0},
        ValidateCase{"ToBinOnlyNoTarget", "t", kOk, R"(<conv to_bin="x"/>)", 14},
        ValidateCase{"ExpressionTable", "t", kOk + R"(target="table")",
                     R"(<conv to_bin="x" to_float="x"/>)", 0},
        ValidateCase{"CompoundTable", "t", kOk + R"(target="table")",
                     R"(<conv compound="input1"/>)", 0},
        ValidateCase{"ToBinOnlyTable", "t", kOk + R"(target="table")", R"(<conv to_bin="x"/>)", 14},
        ValidateCase{"UnknownTypeTable", "t", kOk + R"(target="table")", R"(<conv type="cubic"/>)",
                     14}),
    [](const ::testing::TestParamInfo<ValidateCase>& info) { return info.param.name; });

TEST(DataTypeTest, TableTargetNeedsADeltaType) {
  // Reading always sets the delta type, so only a type built in code lacks it.
  DataType::std_conv_t direct;
  direct.type = VehicleV2::CONV_DIRECT;
  DataType t(util::ENDIAN_BIG, util::data::STORAGE_U8, "u", "", direct);
  t.SetObjId("t");
  EXPECT_EQ(t.Validate(), DataType::VALID);  // no target: delta not checked
  t.data_target = TARGET_TABLE;
  EXPECT_EQ(t.Validate(), DataType::INVALID_DELTA_TYPE);
  t.std_conv.type = VehicleV2::CONV_INVALID;
  t.str_conv.compound = "input1";
  EXPECT_EQ(t.Validate(), DataType::INVALID_DELTA_TYPE);
  t.str_conv.compound.clear();
  EXPECT_EQ(t.Validate(), DataType::INVALID_CONVERSION);
  t.delta_type = DELTA_NORMAL;
  t.str_conv.to_bin = t.str_conv.to_float = "x";
  EXPECT_EQ(t.Validate(), DataType::VALID);
}

TEST(DataTypeTest, EqualityIgnoresLayoutOnlyFields) {
  DataType a;
  a.unit = "kPa";
  a.storage = util::data::STORAGE_U16;
  a.std_conv.type = VehicleV2::CONV_SLOPE_INT;
  a.std_conv.constants[CONST_SCALAR] = 0.25;
  a.str_conv.to_bin = "x";
  a.delta_type = DELTA_NORMAL;
  a.data_target = TARGET_TABLE;

  DataType b = a;
  b.SetObjId("other");
  b.endian = util::ENDIAN_LITTLE;
  b.min = 1;
  b.max = 2;
  b.small_delta = b.large_delta = 3;
  b.format = "%x";
  b.labels = {"l"};
  b.str_conv.compound = "input1";
  EXPECT_EQ(a, b);

  auto differs = [&a](void (*change)(DataType&)) {
    DataType c = a;
    change(c);
    return c != a;
  };
  EXPECT_TRUE(differs([](DataType& c) { c.unit = "psi"; }));
  EXPECT_TRUE(differs([](DataType& c) { c.storage = util::data::STORAGE_S16; }));
  EXPECT_TRUE(differs([](DataType& c) { c.std_conv.type = VehicleV2::CONV_PT_SLOPE; }));
  EXPECT_TRUE(differs([](DataType& c) { c.std_conv.constants[CONST_SCALAR] = 0.2500001; }));
  EXPECT_TRUE(differs([](DataType& c) { c.std_conv.constants[CONST_OFFSET] = 0; }));
  EXPECT_TRUE(differs([](DataType& c) { c.str_conv.to_bin = "x "; }));
  EXPECT_TRUE(differs([](DataType& c) { c.str_conv.to_float = "x"; }));
  EXPECT_TRUE(differs([](DataType& c) { c.SetBitMask(0xFF); }));
  EXPECT_TRUE(differs([](DataType& c) { c.delta_type = DELTA_INVERTED; }));
  EXPECT_TRUE(differs([](DataType& c) { c.data_target = TARGET_DTC; }));
}

TEST(DataTypeTest, ArchiveRoundTripKeepsAllButLabels) {
  TiXmlDocument doc;
  ASSERT_TRUE(doc.LoadFile(ECUCAL_TEST_DATA_DIR "/types/datatypes.xml"));
  Store store;
  std::string error;
  ReadHashData(doc.RootElement(), store, error);
  const DataType& original = *store.findData("afr");

  DataType copy;
  ArchiveRoundTrip(original, copy);
  EXPECT_EQ(copy.GetObjId(), "afr");
  EXPECT_EQ(copy, original);
  EXPECT_EQ(copy.endian, original.endian);
  EXPECT_EQ(copy.min, original.min);
  EXPECT_EQ(copy.max, original.max);
  EXPECT_EQ(copy.small_delta, original.small_delta);
  EXPECT_EQ(copy.large_delta, original.large_delta);
  EXPECT_EQ(copy.format, original.format);
  EXPECT_EQ(copy.std_conv.constants, original.std_conv.constants);
  EXPECT_EQ(copy.GetBitMask(), 0x0FF0u);
  EXPECT_FALSE(copy.HasLabels());
}

}  // namespace
}  // namespace vehicle
