#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "AxisDataTestSupport.h"
#include "vehicle/data/AxisData.h"

namespace {

using axis_test::Build;
using axis_test::CountingHandler;
using axis_test::LoadAxis;
using Bytes = std::vector<unsigned char>;
using Values = std::vector<double>;
constexpr double NOT_SET = vehicle::AxisData::VALUE_NOT_SET;

// The axis built from `bytes`, with a handler counting its buffer's writes.
struct Listened {
  Listened(const char* id, const Bytes& bytes) : axis(Build(id, bytes)) {
    axis->BuildAxis(buffer = axis->BuildByteData(bytes));
    buffer->RegisterAxisByteDataEventListener(handler);
  }
  ~Listened() { buffer->UnregisterAxisByteDataEventListener(handler); }
  std::shared_ptr<vehicle::AxisData> axis;
  std::shared_ptr<vehicle::AxisByteData> buffer;
  CountingHandler handler;
};

TEST(AxisDataEditTest, WritesMergeUnderTheMaskInTheAxisByteOrder) {
  auto nibble = Build("nibble", {0xA5, 0x00});
  ASSERT_TRUE(nibble->PutDouble(0u, 0x3C));
  EXPECT_EQ(nibble->GetBinList(), Bytes({0xAC, 0x00}));

  auto little = Build("mid_le", {0x34, 0x12, 0x00, 0x00});
  ASSERT_TRUE(little->PutDouble(0u, 0xABCD));
  EXPECT_EQ(little->GetBinList(), Bytes({0xC4, 0x1B, 0x00, 0x00}));

  // Lists and raw bytes merge the same way, and padding is kept.
  ASSERT_TRUE(nibble->PutDoubleList({0xFF, 0x01}));
  EXPECT_EQ(nibble->GetBinList(), Bytes({0xAF, 0x01}));
  ASSERT_TRUE(nibble->PutBinList({0x00, 0xF2}));
  EXPECT_EQ(nibble->GetBinList(), Bytes({0xA0, 0x02}));
  const auto rom =
      axis_test::Image(0x20, 0x10, {0, 1, 0xAA, 0xAA, 0, 2, 0xBB, 0xBB, 0, 3, 0, 0, 0, 4, 0, 0});
  auto padded = Build("padded", rom);
  ASSERT_TRUE(padded->PutDoubleList({5, 6, 7, 8}));
  EXPECT_EQ(padded->GetBinList(),
            Bytes({0, 5, 0xAA, 0xAA, 0, 6, 0xBB, 0xBB, 0, 7, 0, 0, 0, 8, 0, 0}));
}

TEST(AxisDataEditTest, UnchangedValueWritesNothingButListsAlwaysNotify) {
  Listened plain("plain", {1, 2, 3, 4});
  EXPECT_FALSE(plain.axis->PutDouble(1u, 2));
  EXPECT_EQ(plain.handler.changed, 0);
  EXPECT_TRUE(plain.axis->PutDouble(0, 1, 0, 7));
  EXPECT_EQ(plain.handler.changed, 1);
  EXPECT_TRUE(plain.axis->PutDoubleList({1, 7, 3, 4}));
  EXPECT_EQ(plain.handler.changed, 2);
  EXPECT_FALSE(plain.axis->PutDouble(9u, 1));
}

TEST(AxisDataEditTest, RowsColumnsAndListsMustHoldOneValuePerElement) {
  Listened body("body", {1, 2, 3, 4, 5, 6});
  EXPECT_FALSE(body.axis->PutRow({9, 9}, 0, 0));
  EXPECT_FALSE(body.axis->PutColumn({9}, 0, 0));
  EXPECT_FALSE(body.axis->PutDepth({{9, 9, 9}}, 0));
  EXPECT_FALSE(body.axis->PutDepth({{9, 9, 9}, {9, 9}}, 0));
  EXPECT_FALSE(body.axis->PutDoubleList({9, 9, 9, 9, 9}));
  EXPECT_FALSE(body.axis->PutDoubleList({9, 9, 9, 9, 9, 9, 9}));
  EXPECT_FALSE(body.axis->PutBinList({9, 9, 9}));
  EXPECT_EQ(body.handler.changing, 0);
  EXPECT_EQ(body.axis->GetDoubleList(), Values({1, 2, 3, 4, 5, 6}));

  // Any changed element counts, even when the last one did not change.
  EXPECT_TRUE(body.axis->PutRow({9, 9, 3}, 0, 0));
  EXPECT_TRUE(body.axis->PutColumn({8, 6}, 0, 0));
  EXPECT_TRUE(body.axis->PutDepth({{1, 2, 3}, {4, 5, 6}}, 0));
  EXPECT_FALSE(body.axis->PutDepth({{1, 2, 3}, {4, 5, 6}}, 0));
  EXPECT_EQ(body.axis->GetDoubleList(), Values({1, 2, 3, 4, 5, 6}));

  auto gears = Build("gears", Bytes());
  EXPECT_TRUE(gears->PutRow({1}, 0, 0));
  EXPECT_TRUE(gears->PutColumn({}, 0, 0));
}

TEST(AxisDataEditTest, RawListsCoverTheWholeBuffer) {
  auto plain = Build("plain", {1, 2, 3, 4});
  EXPECT_TRUE(plain->PutUnmaskedBinList({0, 5, 6, 7, 8}, 1, vehicle::AxisData::INVALID_INDEX));
  EXPECT_EQ(plain->GetBinList(), Bytes({5, 6, 7, 8}));
  EXPECT_FALSE(plain->PutUnmaskedBinList({5, 6, 7, 8}, 1, 4));
  EXPECT_FALSE(plain->PutUnmaskedBinList({5, 6, 7, 8}, 5, vehicle::AxisData::INVALID_INDEX));
  EXPECT_EQ(plain->ConvertDoublesToBytes({1, 300}), Bytes({1, 255, 0, 0}));

  auto ram = Build("ram", Bytes());
  EXPECT_TRUE(ram->PutBinList({}));
  EXPECT_FALSE(ram->PutBinList({1, 2}));
  EXPECT_EQ(ram->GetSize(), 0u);
  ASSERT_TRUE(ram->PutBinList({1, 2, 3}));
  EXPECT_EQ(ram->GetDoubleList(), Values({1, 2, 3}));
  EXPECT_FALSE(ram->CopyAxis(*Build("plain", {1, 2, 3, 4})));
  EXPECT_EQ(ram->GetDoubleList(), Values({1, 2, 3}));
}

TEST(AxisDataEditTest, ExpressionThatThrowsWritesNothing) {
  Listened expr("expr", {6, 6});                // raw 6 reads 10
  EXPECT_FALSE(expr.axis->PutDouble(0u, 1.0));  // 100 / (1 - 1)
  EXPECT_FALSE(expr.axis->PutRow({50, 1.0}, 0, 0));
  EXPECT_FALSE(expr.axis->PutDoubleList({50, 1.0}));
  EXPECT_TRUE(expr.axis->ConvertDoublesToBytes({50, 1.0}).empty());
  EXPECT_EQ(expr.handler.changing, 0);
  EXPECT_EQ(expr.axis->GetBinList(), Bytes({6, 6}));
  EXPECT_TRUE(expr.axis->PutDouble(0u, 51.0));
  EXPECT_EQ(expr.axis->GetBinList(), Bytes({2, 6}));
}

// Clamping to set limits is exercised through the command's `set`.
TEST(AxisDataEditTest, BoundsCheckIgnoresUnsetLimitsAndRoundingFollowsTheStorage) {
  auto calc = Build("calc", Bytes());  // 0 .. 100
  calc->GetAxis()->SetMax(NOT_SET);
  double value = 1e6;
  EXPECT_FALSE(calc->BoundsCheck(value));
  EXPECT_EQ(value, 1e6);
  value = 5;
  EXPECT_TRUE(Build("gears", Bytes())->BoundsCheck(value));

  auto direct = Build("padded", axis_test::Image(0x20, 0, {}));
  EXPECT_EQ(direct->Round(12.5), 13);
  EXPECT_EQ(direct->Round(12.49), 12);
  EXPECT_EQ(direct->Round(-2.5), -2);
  EXPECT_EQ(direct->Round(1e12), 1e12);
  EXPECT_EQ(direct->Round(std::numeric_limits<double>::infinity()),
            std::numeric_limits<double>::infinity());
  EXPECT_TRUE(std::isnan(direct->Round(std::nan(""))));
  EXPECT_EQ(Build("float", Bytes(8, 0))->Round(1.234), 1.23);
  EXPECT_EQ(Build("half", Bytes(4, 0))->Round(1.25), 1.25);
}

TEST(AxisDataEditTest, StepsAreAtLeastOneRawCount) {
  EXPECT_EQ(vehicle::deltas::GenerateFloatSmallDelta(2), 0.01);
  EXPECT_EQ(vehicle::deltas::GenerateFloatLargeDelta(2), 0.1);
  EXPECT_EQ(vehicle::deltas::GenerateFloatSmallDelta(8), 1e-08);
  EXPECT_EQ(vehicle::deltas::GenerateFloatSmallDelta(-3), 1.0);

  auto half = Build("half", Bytes(4, 0));  // 0.5 * raw, 0 .. 127.5
  EXPECT_EQ(half->CalculateDelta<unsigned char>(1), 0.5);
  EXPECT_EQ(half->CalculateDelta<unsigned char>(2), 1.0);
  EXPECT_FALSE(half->SanityCheckDeltas());  // small step 0.1 raised
  EXPECT_EQ(half->GetSmallDelta(), 0.5);
  EXPECT_EQ(half->GetLargeDelta(), 5);
  EXPECT_TRUE(half->SanityCheckDeltas());

  auto float_axis = Build("float", Bytes(8, 0));
  EXPECT_TRUE(float_axis->SanityCheckDeltas());
  EXPECT_EQ(float_axis->GetSmallDelta(), 0.5);

  // Limits snap to storable values unless unset.
  half = Build("half", Bytes(4, 0));
  half->GetAxis()->SetMin(0.3);
  half->SanityCheckMin();
  EXPECT_EQ(half->GetMin(), 0.5);
  half->GetAxis()->SetMax(NOT_SET);
  half->SanityCheckMax();
  EXPECT_EQ(half->GetMax(), NOT_SET);
  // An unset maximum stands for the top of the storage range.
  EXPECT_EQ(half->CalculateDelta<unsigned char>(1), 0.5);
}

}  // namespace
