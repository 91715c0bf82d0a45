#include "vehicle/definition/DataType.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <tuple>

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
  // The large delta keeps its leading number only.
  EXPECT_EQ(std::make_tuple(t->unit, t->endian, t->storage, t->min, t->max, t->GetSmallDelta(),
                            t->GetLargeDelta(), t->format, t->std_conv.type, t->GetBitMask(),
                            t->delta_type, t->data_target),
            std::make_tuple(std::string("AFR"), util::ENDIAN_BIG, util::data::STORAGE_S16, 10.5,
                            20.0, 0.1, 1.0, std::string("%.1f"), VehicleV2::CONV_SLOPE_INT, 0x0FF0u,
                            DELTA_INVERTED, TARGET_TABLE));
  EXPECT_EQ(t->std_conv.constants, (std::map<VehicleV2::ConversionConstants_e, double>{
                                       {CONST_SCALAR, 0.5}, {CONST_OFFSET, -40.0}}));
  EXPECT_EQ(t->GetDataLabels(), (std::vector<std::string>{"lean", "rich"}));
  EXPECT_EQ(t->Validate(), DataType::VALID);
}

TEST_F(DataTypeFileTest, ReadsChildElementsAndKeepsUnparsableNumbersUnset) {
  auto t = Get("by_children");
  // An octal mask; direct conversions ignore the scalar.
  EXPECT_EQ(
      std::make_tuple(t->unit, t->endian, t->storage, t->min, t->max, t->GetBitMask(),
                      t->std_conv.type, t->std_conv.constants.size(), t->delta_type, t->data_target,
                      t->HasLabels()),
      std::make_tuple(std::string("rpm"), util::ENDIAN_LITTLE, util::data::STORAGE_U32,
                      DataType::VALUE_NOT_SET, DataType::VALUE_NOT_SET, 017u,
                      VehicleV2::CONV_DIRECT, size_t{0}, DELTA_NORMAL, TARGET_INVALID, false));
}

TEST_F(DataTypeFileTest, ExpressionConversionsAndConstants) {
  auto e = Get("expr");
  EXPECT_EQ(std::make_tuple(e->std_conv.type, e->str_conv.to_bin, e->str_conv.to_float,
                            e->str_conv.compound, e->data_target, e->HasBitMask()),
            std::make_tuple(VehicleV2::CONV_INVALID, std::string("x*10"), std::string("x/10"),
                            std::string("input1+input2"), TARGET_DTC, false));

  // to_float alone is ignored: one direction cannot be edited.
  auto float_only = Get("float_only");
  EXPECT_EQ(float_only->str_conv.to_float, "");
  EXPECT_EQ(float_only->Validate(), DataType::INVALID_CONVERSION);

  // Constants need a type word.
  EXPECT_TRUE(Get("no_type")->std_conv.constants.empty());
  // An unknown type word still reads constants; unparsable text is kept
  // only up to its leading number.
  auto t = Get("bad_word");
  EXPECT_EQ(
      std::make_tuple(t->std_conv.type, t->std_conv.constants[CONST_OFFSET],
                      t->std_conv.constants[CONST_SCALAR], t->endian, t->storage, t->data_target),
      std::make_tuple(VehicleV2::CONV_INVALID, 7.0, 1.5, util::ENDIAN_INVALID,
                      util::data::STORAGE_INVALID, TARGET_INVALID));
}

TEST(DataTypeTest, DefaultsAndCompoundConstructor) {
  DataType t;
  EXPECT_EQ(std::make_tuple(t.min, t.GetLargeDelta(), t.endian, t.storage, t.delta_type,
                            t.GetBitMask(), t.HasBitMask()),
            std::make_tuple(DataType::VALUE_NOT_SET, DataType::VALUE_NOT_SET, util::ENDIAN_INVALID,
                            util::data::STORAGE_INVALID, DELTA_INVALID, 0xFFFFFFFFu, false));
  t.SetBitMask(0);
  EXPECT_TRUE(t.HasBitMask());
  // A mask that is not a number masks everything; all bits set is no mask.
  EXPECT_EQ(ReadOne(R"(mask="none">)")->GetBitMask(), 0u);
  EXPECT_FALSE(ReadOne(R"(mask="0xFFFFFFFF">)")->HasBitMask());

  DataType compound("%.2f", "psi", "input1*2");
  EXPECT_EQ(std::make_tuple(compound.format, compound.unit, compound.str_conv.compound),
            std::make_tuple(std::string("%.2f"), std::string("psi"), std::string("input1*2")));
}

TEST(DataTypeTest, SameIdTwiceRefinesOneObject) {
  Store store = ReadXml(R"(<root>
      <datatype id="t" unit="a" endian="big" storage="8" min="1"/>
      <datatype id="t" unit="b" storage="16"><conv><label>x</label></conv></datatype>
    </root>)");
  ASSERT_EQ(store.size(), 1u);
  auto t = store.findData("t");
  EXPECT_EQ(std::make_tuple(t->unit, t->endian, t->storage, t->min, t->GetDataLabels()),
            std::make_tuple(std::string("b"), util::ENDIAN_BIG, util::data::STORAGE_U16, 1.0,
                            std::vector<std::string>{"x"}));
}

TEST(DataTypeTest, ValidateReportsTheFirstFailingRule) {
  const std::string ok = R"(unit="u" endian="big" storage="8" )";
  const std::string table = ok + R"(target="table")";
  const struct {
    std::string attributes;  // on the datatype element, after the id
    std::string children;
    validate_codes_t code;
  } cases[] = {
      {R"(endian="big" storage="8")", R"(<conv type="direct"/>)", 7},
      {R"(unit="u" endian="mixed" storage="8")", "", 8},
      {R"(unit="u" endian="big" storage="12")", "", 9},
      {ok, R"(<conv type="custom"/>)", 0},
      {ok + R"(target="dtc")", R"(<conv type="labels"/>)", 0},
      {ok, "", 14},
      {ok, R"(<conv to_float="x"/>)", 14},  // to_float counts only with to_bin
      {ok, R"(<conv to_bin="x" to_float="x"/>)", 0},
      {ok, R"(<conv compound="input1"/>)", 0},
      {ok, R"(<conv to_bin="x"/>)", 14},
      {table, R"(<conv type="direct"/>)", 0},
      {table, R"(<conv to_bin="x" to_float="x"/>)", 0},
      {table, R"(<conv compound="input1"/>)", 0},
      {table, R"(<conv to_bin="x"/>)", 14},
      {table, R"(<conv type="cubic"/>)", 14},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ReadOne(c.attributes + ">" + c.children)->Validate(), c.code)
        << c.attributes << c.children;
  DataType no_id;
  no_id.unit = "u";
  EXPECT_EQ(no_id.Validate(), 1);
}

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

TEST_F(DataTypeFileTest, ArchiveRoundTripKeepsAllButLabels) {
  const DataType& original = *Get("afr");
  DataType copy;
  ArchiveRoundTrip(original, copy);
  EXPECT_EQ(copy, original);
  // Members the equality ignores.
  EXPECT_EQ(std::make_tuple(copy.GetObjId(), copy.endian, copy.min, copy.max, copy.small_delta,
                            copy.large_delta, copy.format, copy.GetBitMask()),
            std::make_tuple(original.GetObjId(), original.endian, original.min, original.max,
                            original.small_delta, original.large_delta, original.format,
                            original.GetBitMask()));
  EXPECT_FALSE(copy.HasLabels());
}

}  // namespace
}  // namespace vehicle
