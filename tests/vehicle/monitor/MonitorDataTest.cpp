#include "vehicle/monitor/MonitorData.h"

#include <gtest/gtest.h>

#include <tinyxml.h>

#include <cmath>
#include <tuple>
#include <vector>

#include "MonitorFixtures.h"

namespace {

using namespace monitor_fixtures;
using util::data::Storage_e;
using vehicle::MonitorData;
using Bytes = std::vector<uint8_t>;

float Decode(const std::shared_ptr<vehicle::DataType>& type, const Bytes& reply) {
  MonitorData data(Plain("m", type));
  data.SetRawValue(reply.begin(), reply.end());
  return data.GetValue();
}

struct WidthCase {
  Storage_e storage;
  Bytes big;  // the value's bytes, most significant first
  double value;
};

const WidthCase kWidthCases[] = {
    {util::data::STORAGE_U8, {0xFF}, 255.0},
    {util::data::STORAGE_S8, {0xFF}, -1.0},
    {util::data::STORAGE_U16, {0x12, 0x34}, 4660.0},
    {util::data::STORAGE_S16, {0xFF, 0x38}, -200.0},
    {util::data::STORAGE_U32, {0x00, 0x01, 0x00, 0x02}, 65538.0},
    {util::data::STORAGE_S32, {0xFF, 0xFF, 0xFF, 0xFE}, -2.0},
    {util::data::STORAGE_FLOAT, {0x41, 0x20, 0x00, 0x00}, 10.0},
};

TEST(MonitorDataTest, EveryWidthAndByteOrderDecodes) {
  for (const WidthCase& c : kWidthCases) {
    for (util::e_endian endian : {util::ENDIAN_BIG, util::ENDIAN_LITTLE}) {
      const auto type = PlainType(c.storage, endian);
      Bytes exact = c.big;
      if (endian == util::ENDIAN_LITTLE)
        exact.assign(c.big.rbegin(), c.big.rend());
      SCOPED_TRACE(testing::Message() << "storage " << c.storage << " endian " << endian);

      EXPECT_EQ(MonitorData(Plain("m", type)).GetMonitorWidth(), c.big.size());
      EXPECT_DOUBLE_EQ(Decode(type, exact), c.value);

      // Bytes after the value belong to something else and must not be read.
      Bytes longer = exact;
      longer.insert(longer.end(), {0x7F, 0x01, 0x80});
      EXPECT_DOUBLE_EQ(Decode(type, longer), c.value);

      // Too few bytes cannot give the value (for one-byte values: no bytes).
      const Bytes shorter(exact.begin(), exact.end() - 1);
      EXPECT_EQ(Decode(type, shorter), MonitorData::VALUE_NOT_SET);
    }
  }
}

TEST(MonitorDataTest, NoReplyReversedReplyNoWidthOrFailingExpressionReadsNotSet) {
  const auto type = PlainType(util::data::STORAGE_U8, util::ENDIAN_BIG);
  MonitorData data(Plain("m", type));
  EXPECT_EQ(data.GetValue(), MonitorData::VALUE_NOT_SET);
  const Bytes reply = {5, 6};
  data.SetRawValue(reply.begin(), reply.end());
  EXPECT_EQ(data.GetValue(), 5.0f);
  data.SetRawValue(reply.end(), reply.begin());  // keeps no bytes
  EXPECT_TRUE(data.GetRawValue().IsEmpty());
  EXPECT_EQ(data.GetValue(), MonitorData::VALUE_NOT_SET);

  const auto widthless = PlainType(util::data::STORAGE_INVALID, util::ENDIAN_BIG);
  EXPECT_EQ(MonitorData(Plain("m", widthless)).GetMonitorWidth(), 0u);
  EXPECT_EQ(Decode(widthless, {1, 2, 3, 4}), MonitorData::VALUE_NOT_SET);

  MonitorData untyped(Plain("m", nullptr));
  EXPECT_EQ(untyped.GetMonitorWidth(), 0u);
  EXPECT_EQ(untyped.GetValue(), MonitorData::VALUE_NOT_SET);

  // So does an expression that fails.
  const auto divided = PlainType(util::data::STORAGE_U8, util::ENDIAN_BIG, VehicleV2::CONV_INVALID);
  divided->str_conv.to_bin = divided->str_conv.to_float = "100/x";
  EXPECT_DOUBLE_EQ(Decode(divided, {4}), 25.0);
  EXPECT_EQ(Decode(divided, {0}), MonitorData::VALUE_NOT_SET);
}

TEST(MonitorDataTest, OutOfFloatRangeBecomesInfinity) {
  const auto type =
      PlainType(util::data::STORAGE_U8, util::ENDIAN_BIG, VehicleV2::CONV_SLOPE_INT, 1e300, 0.0);
  const float value = Decode(type, {2});
  EXPECT_TRUE(std::isinf(value));
  EXPECT_GT(value, 0.0f);
}

TEST(MonitorDataTest, RequestDetailsComeFromTheMonitor) {
  auto monitor = Plain("m", PlainType(util::data::STORAGE_U8, util::ENDIAN_LITTLE), 0xFF6000);
  monitor->SetModule(vehicle::MODULE_TCM);
  MonitorData data(monitor);
  EXPECT_EQ(std::make_tuple(data.IsBuilt(), data.IsCompound(), data.GetMonitor(), data.GetAddress(),
                            data.GetModule(), data.GetProtocol(), data.GetRawValue().GetEndian(),
                            data.GetPid()),
            std::make_tuple(true, false, monitor, 0xFF6000u, vehicle::MODULE_TCM,
                            Ecu::MONITOR_PROTOCOL_RAM, util::ENDIAN_LITTLE, 0u));
}

TEST(MonitorDataTest, PidReadsTheIdBytesMostSignificantFirst) {
  const struct {
    const char* ids;
    uint32_t pid;
  } cases[] = {
      {"0x10, 0x05", 0x1005u},
      {"0x7", 0x07u},
      {"0x12,0x34,0x56,0x78", 0x12345678u},
      {"1,2,3,4,5", 0u},
  };
  for (const auto& c : cases) {
    TiXmlDocument doc;
    const std::string xml =
        std::string("<r><monitor id=\"m\"><comms protocol=\"data_ident\" id=\"") + c.ids +
        "\" offset=\"0\"/></monitor></r>";
    doc.Parse(xml.c_str());
    vehicle::Monitor::MonitorStore store;
    std::string error;
    vehicle::ReadHashData(doc.RootElement(), store, error);
    EXPECT_EQ(MonitorData(store.findData("m")).GetPid(), c.pid) << c.ids;
  }
}

struct CompoundFixture : testing::Test {
  void Reply(MonitorData& data, const Bytes& bytes) {
    data.SetRawValue(bytes.begin(), bytes.end());
  }

  std::shared_ptr<vehicle::Monitor> a =
      Plain("a", PlainType(util::data::STORAGE_U8, util::ENDIAN_BIG));
  std::shared_ptr<vehicle::Monitor> b =
      Plain("b", PlainType(util::data::STORAGE_U8, util::ENDIAN_BIG));
  std::shared_ptr<MonitorData> a_data = std::make_shared<MonitorData>(a);
  std::shared_ptr<MonitorData> b_data = std::make_shared<MonitorData>(b);
};

// Inputs are numbered in the order added, read afresh on every value, and
// may themselves be compound.
TEST_F(CompoundFixture, InputsAreNumberedInOrderReadAfreshAndMayNest) {
  auto diff_monitor = Compound("diff", "input1-input2", {a, b});
  auto diff = std::make_shared<MonitorData>(diff_monitor);
  diff->AddInputMonitorData(a_data);
  diff->AddInputMonitorData(b_data);
  EXPECT_TRUE(diff->IsCompound());
  MonitorData scaled(Compound("scaled", "input1*input2+input3", {diff_monitor, b, diff_monitor}));
  scaled.AddInputMonitorData(diff);
  scaled.AddInputMonitorData(b_data);
  scaled.AddInputMonitorData(diff);
  Reply(*a_data, {10});
  Reply(*b_data, {3});
  EXPECT_FLOAT_EQ(diff->GetValue(), 7.0f);
  EXPECT_FLOAT_EQ(scaled.GetValue(), 7 * 3 + 7);
  Reply(*a_data, {20});
  EXPECT_FLOAT_EQ(scaled.GetValue(), 17 * 3 + 17);
}

TEST_F(CompoundFixture, UnreadableOrMissingInputsReadNotSet) {
  MonitorData sum(Compound("sum", "input1+input2", {a, b}));
  sum.AddInputMonitorData(a_data);
  Reply(*a_data, {1});
  EXPECT_EQ(sum.GetValue(), MonitorData::VALUE_NOT_SET);  // one input short
  sum.AddInputMonitorData(b_data);
  EXPECT_EQ(sum.GetValue(), MonitorData::VALUE_NOT_SET);  // b has no reply
  Reply(*b_data, {2});
  EXPECT_FLOAT_EQ(sum.GetValue(), 3.0f);
}

TEST_F(CompoundFixture, InputsThatLoopBackReadNotSetWithoutHanging) {
  auto x_monitor = Compound("x", "input1+1", {a});
  auto y_monitor = Compound("y", "input1+1", {a});
  auto x = std::make_shared<MonitorData>(x_monitor);
  auto y = std::make_shared<MonitorData>(y_monitor);
  x->AddInputMonitorData(y);
  y->AddInputMonitorData(x);
  EXPECT_EQ(x->GetValue(), MonitorData::VALUE_NOT_SET);
  EXPECT_EQ(y->GetValue(), MonitorData::VALUE_NOT_SET);
  x->ClearInputMonitorData();
  EXPECT_EQ(x->GetInputMonitorDataList().size(), 0u);
}

}  // namespace
