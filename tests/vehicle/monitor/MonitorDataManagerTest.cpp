#include "vehicle/monitor/MonitorDataManager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

#include "MonitorFixtures.h"

namespace {

using namespace monitor_fixtures;
using vehicle::MonitorData;
using vehicle::MonitorDataManager;
using MonitorPtr = std::shared_ptr<vehicle::Monitor>;
using List = MonitorDataManager::MonitorDataList;

MonitorPtr U8(const std::string& id) {
  return Plain(id, PlainType(util::data::STORAGE_U8, util::ENDIAN_BIG));
}

void Reply(const std::shared_ptr<MonitorData>& data, std::vector<uint8_t> bytes) {
  data->SetRawValue(bytes.begin(), bytes.end());
}

struct ManagerFixture : testing::Test {
  MonitorPtr a = U8("a");
  MonitorPtr b = U8("b");
  MonitorPtr d = U8("d");
  MonitorPtr sum = Compound("sum", "input1+input2", {a, b});
  MonitorPtr diff = Compound("diff", "input1-input2", {a, d});
  MonitorPtr nested = Compound("nested", "input1*input2", {sum, diff});
  MonitorDataManager manager;
};

TEST_F(ManagerFixture, CreatingTwiceGivesTheSameObjectsAndLinks) {
  auto first = manager.CreateMonitorData(sum);
  auto second = manager.CreateMonitorData(sum);
  EXPECT_EQ(first, second);
  EXPECT_EQ(std::distance(manager.begin_active(), manager.end_active()), 3);
  EXPECT_EQ(first->GetInputMonitorDataList(),
            (List{manager.GetActiveMonitorData(a), manager.GetActiveMonitorData(b)}));
  EXPECT_EQ(manager.GetActiveMonitorData(d), nullptr);
  EXPECT_EQ(manager.CreateMonitorData(nullptr), nullptr);
}

TEST_F(ManagerFixture, CompoundOverCompoundSharesInputObjects) {
  auto top = manager.CreateMonitorData(nested);
  EXPECT_EQ(std::distance(manager.begin_active(), manager.end_active()), 6);
  Reply(manager.GetActiveMonitorData(a), {10});
  Reply(manager.GetActiveMonitorData(b), {2});
  Reply(manager.GetActiveMonitorData(d), {4});
  EXPECT_FLOAT_EQ(top->GetValue(), (10 + 2) * (10 - 4));
  // Data made for an input earlier is the one linked.
  EXPECT_EQ(manager.GetActiveMonitorData(sum)->GetInputMonitorDataList()[0],
            manager.GetActiveMonitorData(diff)->GetInputMonitorDataList()[0]);
}

TEST_F(ManagerFixture, SharedInputsAreFlattenedOnce) {
  auto sum_data = manager.CreateMonitorData(sum);
  auto diff_data = manager.CreateMonitorData(diff);
  List out;
  manager.FlattenMonitorDataList(out, sum_data);
  manager.FlattenMonitorDataList(out, diff_data);
  const List expected = {manager.GetActiveMonitorData(a), manager.GetActiveMonitorData(b),
                         manager.GetActiveMonitorData(d)};
  EXPECT_EQ(out, expected);

  manager.FlattenMonitorDataList(out, manager.GetActiveMonitorData(a));
  EXPECT_EQ(out, expected);

  // The active set contributes each plain value once, and the list is
  // emptied first.
  List plain = {sum_data};
  manager.CreateMonitorData(nested);
  manager.GetNonCompoundMonitorDataList(plain);
  using Set = std::set<std::shared_ptr<MonitorData>>;
  EXPECT_EQ(Set(plain.begin(), plain.end()), Set(expected.begin(), expected.end()));
  EXPECT_EQ(plain.size(), 3u);
}

TEST_F(ManagerFixture, ClearedObjectsAreReusedWithTheirLinksOnce) {
  auto sum_data = manager.CreateMonitorData(sum);
  auto a_data = manager.GetActiveMonitorData(a);
  Reply(a_data, {7});
  manager.ClearMonitorDataList();
  EXPECT_EQ(manager.begin_active(), manager.end_active());
  EXPECT_EQ(manager.GetActiveMonitorData(sum), nullptr);
  EXPECT_EQ(manager.GetPreviousMonitorData(sum), sum_data);
  EXPECT_EQ(manager.GetPreviousMonitorData(d), nullptr);

  EXPECT_EQ(manager.CreateMonitorData(a), a_data);
  EXPECT_EQ(a_data->GetValue(), 7.0f);
  EXPECT_EQ(manager.CreateMonitorData(sum), sum_data);
  EXPECT_EQ(sum_data->GetInputMonitorDataList(), (List{a_data, manager.GetActiveMonitorData(b)}));

  // Cleared twice in a row: nothing set aside is lost.
  manager.ClearMonitorDataList();
  manager.ClearMonitorDataList();
  EXPECT_EQ(manager.GetPreviousMonitorData(a), a_data);
}

TEST_F(ManagerFixture, LoopingInputsAreLeftUnlinked) {
  auto x = Compound("x", "input1+1", {a});
  auto y = Compound("y", "input1+1", {x});
  x->SetInputs({y});
  auto outside = Compound("outside", "input1", {x});
  auto x_data = manager.CreateMonitorData(x);
  EXPECT_TRUE(x_data->GetInputMonitorDataList().empty());
  EXPECT_EQ(x_data->GetValue(), MonitorData::VALUE_NOT_SET);
  EXPECT_EQ(manager.CreateMonitorData(outside)->GetValue(), MonitorData::VALUE_NOT_SET);
  List plain;
  manager.GetNonCompoundMonitorDataList(plain);
  EXPECT_TRUE(plain.empty());
  x->SetInputs({});
}

TEST(MonitorDataManagerTest, LongCompoundChainsNeedNoDeepRecursion) {
  const int length = 5000;
  MonitorPtr base = U8("base");
  MonitorPtr previous = base;
  for (int i = 0; i < length; ++i) {
    previous = Compound("c" + std::to_string(i), "input1+1", {previous});
  }
  MonitorDataManager manager({previous});
  Reply(manager.GetActiveMonitorData(base), {5});
  EXPECT_FLOAT_EQ(manager.GetActiveMonitorData(previous)->GetValue(), 5.0f + length);
  List plain;
  manager.GetNonCompoundMonitorDataList(plain);
  EXPECT_EQ(plain, List{manager.GetActiveMonitorData(base)});
}

TEST(MonitorDataManagerTest, FullMonitorList) {
  MonitorDataManager empty;
  EXPECT_TRUE(empty.IsEmpty());
  EXPECT_EQ(empty.GetMonitorListSize(), 0u);

  vehicle::Monitor::MonitorStore store;
  store.addData("a", U8("a"));
  store.addData("b", U8("b"));
  MonitorDataManager manager(store);
  EXPECT_FALSE(manager.IsEmpty());
  ASSERT_EQ(manager.GetMonitorListSize(), 2u);
  std::vector<MonitorPtr> in_store_order;
  for (const auto& entry : store)
    in_store_order.push_back(entry.second);
  EXPECT_EQ(manager.GetFullMonitorList(), in_store_order);
  EXPECT_EQ(manager.begin_active(), manager.end_active());
}

MonitorPtr Formatted(const std::string& format) {
  return Plain("m", PlainType(util::data::STORAGE_U8, util::ENDIAN_BIG, VehicleV2::CONV_DIRECT, 1.0,
                              0.0, format));
}

TEST(MonitorDataManagerTest, ValueStringUsesOnlySafeFormats) {
  const struct {
    const char* format;
    float value;
    const char* text;
  } cases[] = {
      {"%.1f", 12.34f, "12.3"},
      {"%5.1f rpm", 12.34f, " 12.3 rpm"},
      {"%d", 12.6f, "13"},  // an integer conversion gets an integer
      // Unsafe or unusable formats fall back to two decimals.
      {"%s", 12.345f, "12.35"},
      {"%f%f", 1.0f, "1.00"},
      {"rpm", 1.0f, "1.00"},
      {"", -2.5f, "-2.50"},
  };
  MonitorDataManager manager;
  for (const auto& c : cases) {
    EXPECT_EQ(manager.GetValueString(Formatted(c.format), c.value), c.text) << c.format;
  }
  EXPECT_EQ(manager.GetValueString(nullptr, 3.0f), "3.00");
  EXPECT_EQ(manager.GetValueString(Plain("m", nullptr), 3.0f), "3.00");
}

TEST(MonitorDataManagerTest, ValueStringKeepsAtMost31Characters) {
  MonitorDataManager manager;
  const std::string wide = manager.GetValueString(Formatted("%.30f"), 123.0f);
  EXPECT_EQ(wide, std::string("123.000000000000000000000000000").substr(0, 31));
  EXPECT_EQ(manager.GetValueString(Formatted("%.2f"), 3.0e38f).size(), 31u);
}

}  // namespace
