#include <gtest/gtest.h>

#include "AxisDataTestSupport.h"
#include "outside/Parser.h"
#include "vehicle/data/AxisData.h"
#include "vehicle/data/InsertRemoveAxisTransform.h"

namespace {

using axis_test::Build;
using axis_test::LoadAxis;
using Bytes = std::vector<unsigned char>;
using Values = std::vector<double>;

// A body of `depth` slices of x * y one-byte values 1, 2, 3, ... with one
// segment per slice, as the repository defines them.
std::shared_ptr<vehicle::AxisData> Body(unsigned depth, unsigned x, unsigned y) {
  auto axis = LoadAxis("body");
  axis->AdjustDimensions(depth, x, y);
  Bytes bytes(depth * x * y);
  for (size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<unsigned char>(i + 1);
  auto data = std::make_shared<vehicle::AxisData>(axis);
  auto buffer = data->BuildByteData(bytes);
  if (x >= 2 && y >= 2 && depth >= 2) {
    for (unsigned d = 0; d < depth; ++d)
      data->DefineSegment(d * x * y, x * y);
  }
  data->BuildAxis(buffer);
  return data;
}

// Gives back lists of another length than it claims.
struct LyingTransform : vehicle::IAxisTransform {
  int Transform(std::vector<Values>& lists) const override {
    for (Values& list : lists)
      list.push_back(0);
    return 2;
  }
};

TEST(AxisDataSignatureTest, DirtyLifeCycleOfRomAndRamOnlyAxes) {
  auto axis = Build("plain", {1, 2, 3, 4});
  EXPECT_TRUE(axis->IsUnchanged());
  EXPECT_FALSE(axis->IsDirty());

  ASSERT_TRUE(axis->PutDouble(1u, 9));
  EXPECT_FALSE(axis->IsUnchanged());
  EXPECT_TRUE(axis->IsDirty());
  EXPECT_FALSE(axis->IsRamDirty());  // ROM axes are never RAM dirty
  ASSERT_TRUE(axis->PutDouble(1u, 2));  // changed back
  EXPECT_FALSE(axis->IsDirty());
  EXPECT_FALSE(axis->IsUnchanged());

  ASSERT_TRUE(axis->PutDouble(1u, 9));
  axis->ClearDirtyState();
  ASSERT_TRUE(axis->PutDouble(0u, 5));
  EXPECT_TRUE(axis->IsDirty());
  ASSERT_TRUE(axis->PutDouble(0u, 1));  // back to the values at the clean point
  EXPECT_FALSE(axis->IsDirty());

  // RAM-only axes are only RAM dirty.
  auto ram = Build("ram", Bytes());
  ASSERT_TRUE(ram->PutBinList({1, 2, 3}));
  ASSERT_TRUE(ram->PutDouble(0u, 7));
  EXPECT_FALSE(ram->IsDirty());
  EXPECT_TRUE(ram->IsRamDirty());
  ram->ClearDirtyState();
  EXPECT_TRUE(ram->IsRamDirty());
  ram->ClearDirtyRamState();
  EXPECT_FALSE(ram->IsRamDirty());
}

TEST(AxisDataSignatureTest, SignatureIsCrcOfRoundedLittleEndianDoubles) {
  // Four zeros: CRC-32 of 32 zero bytes.
  EXPECT_EQ(Build("plain", Bytes(4, 0))->GetCurrentSig(), 0x190a55adu);

  // Shown with one digit, 1.23 and 1.19 are both 1.2.
  auto centi = Build("centi", {0, 123, 0, 0, 0, 0, 0, 0});
  const uint32_t before = centi->GetCurrentSig();
  ASSERT_TRUE(centi->PutDouble(0u, 1.19));
  EXPECT_EQ(centi->GetCurrentSig(), before);
  EXPECT_FALSE(centi->IsDirty());
}

// Which slices are dirty or differ is checked on the tables built on them.
TEST(AxisDataSignatureTest, SegmentsAreDefinedOnceAndAnEditedSliceDiffers) {
  auto body = Body(3, 2, 2);
  ASSERT_EQ(body->GetSegmentCount(), 3u);
  body->DefineSegment(4, 1);  // same start: ignored
  EXPECT_EQ(body->GetSegmentCount(), 3u);
  ASSERT_TRUE(body->PutDouble(1, 1, 0, 50));
  EXPECT_FALSE(body->Equals(*Body(3, 2, 2)));
}

TEST(AxisDataSignatureTest, ComparingAndCopyingGoByEngineeringValues) {
  const auto rom =
      axis_test::Image(0x20, 0x10, {0, 1, 0xEE, 0, 0, 2, 0, 0xEE, 0, 3, 0, 0, 0, 4, 0xEE, 0xEE});
  auto wide = Build("padded", rom);  // 16-bit, padded
  auto narrow = Build("plain", {1, 2, 3, 4});
  EXPECT_TRUE(narrow->Equals(*wide));
  EXPECT_TRUE(narrow->Equals(*Build("gears", Bytes())));

  Parser doubled("x*2");
  EXPECT_FALSE(narrow->Equals(*wide, doubled));
  ASSERT_TRUE(narrow->CopyAxis(*wide, doubled));
  EXPECT_EQ(narrow->GetDoubleList(), Values({2, 4, 6, 8}));
  EXPECT_TRUE(narrow->Equals(*wide, doubled));
  EXPECT_FALSE(Build("body", {2, 4, 6, 8, 0, 0})->Equals(*wide, doubled));  // 6 vs 4 values

  Parser same("x");
  EXPECT_TRUE(wide->Equals(*Build("plain", {1, 2, 3, 4}), same));  // padding does not count
  // Bits outside the mask do not count.
  auto nibble = Build("nibble", {0xF1, 0x02});
  EXPECT_TRUE(nibble->Equals(*Build("nibble", {0x01, 0xA2}), same));

  Parser broken("x/0");
  EXPECT_FALSE(narrow->CopyAxis(*wide, broken));
  EXPECT_FALSE(narrow->CopyAxis(*Build("calc", Bytes())));  // 5 values into 4
  EXPECT_EQ(narrow->GetDoubleList(), Values({2, 4, 6, 8}));
  ASSERT_TRUE(narrow->CopyAxis(*wide));
  EXPECT_EQ(narrow->GetDoubleList(), Values({1, 2, 3, 4}));
}

TEST(AxisDataSignatureTest, ReshapesReachEveryRowAndKeepDirtyStateAndSegmentsHonest) {
  auto body = Body(1, 3, 2);  // rows {1,2,3} {4,5,6}
  EXPECT_EQ(body->AdjustColumns(vehicle::InsertRemoveAxisTransform(1, 1)), 1);
  EXPECT_EQ(body->GetDimensions().x, 4u);
  EXPECT_EQ(body->GetAxisCount(), 8u);
  // One-byte storage: the halves are stored rounded up.
  EXPECT_EQ(body->GetRows(), std::vector<Values>({{1, 2, 2, 3}, {4, 5, 5, 6}}));
  EXPECT_TRUE(body->IsDirty());

  EXPECT_EQ(body->AdjustRows(vehicle::InsertRemoveAxisTransform(2, 1)), 1);
  EXPECT_EQ(body->GetColumn(3), Values({3, 6, 9}));
  EXPECT_EQ(body->AdjustRows(vehicle::InsertRemoveAxisTransform(0, -2)), -2);
  EXPECT_EQ(body->GetDoubleList(), Values({7, 8, 8, 9}));

  // Reshaping keeps dirty state and segments honest.
  body = Body(2, 2, 2);
  EXPECT_EQ(body->AdjustColumns(vehicle::InsertRemoveAxisTransform(2, 1)), 1);
  ASSERT_EQ(body->GetSegmentCount(), 2u);
  EXPECT_EQ(body->GetSegments()[1].start, 6u);
  EXPECT_TRUE(body->IsDirty());
  EXPECT_EQ(body->GetDirtySegmentIndexes(), std::vector<unsigned>({0, 1}));
  EXPECT_EQ(body->GetDepth(1), std::vector<Values>({{5, 6, 7}, {7, 8, 9}}));

  auto depths = LoadAxis("body");
  depths->AdjustDimensions(3, 1, 1);
  auto w = Build(depths, {10, 20, 30});
  EXPECT_EQ(w->AdjustDepths(vehicle::InsertRemoveAxisTransform(3, 1)), 1);
  EXPECT_EQ(w->GetDoubleList(), Values({10, 20, 30, 40}));

  // Many slices end.
  auto deep = Body(1, 2, 2);
  ASSERT_TRUE(deep->AdjustDimensions(300, 2, 2));
  EXPECT_EQ(deep->GetSegmentCount(), 300u);
  EXPECT_EQ(deep->GetSize(), 1200u);
}

TEST(AxisDataSignatureTest, BadOrSharedReshapeChangesNothing) {
  auto body = Body(2, 2, 2);
  const Values before = body->GetDoubleList();
  EXPECT_EQ(body->AdjustColumns(LyingTransform()), 0);
  EXPECT_EQ(body->AdjustRows(LyingTransform()), 0);
  EXPECT_EQ(body->AdjustDepths(LyingTransform()), 0);
  EXPECT_EQ(body->AdjustColumns(vehicle::InsertRemoveAxisTransform(9, 1)), 0);
  EXPECT_EQ(body->GetDoubleList(), before);
  EXPECT_TRUE(body->IsUnchanged());

  // A sibling on the same buffer would save past its own bytes.
  auto shared = body->BuildByteData(Bytes(8, 1));
  body->BuildAxis(shared);
  vehicle::AxisData sibling(body->GetAxis());
  sibling.BuildAxis(shared);
  EXPECT_EQ(body->AdjustColumns(vehicle::InsertRemoveAxisTransform(0, 1)), 0);
  EXPECT_FALSE(body->AdjustDimensions(2, 3, 2));
  EXPECT_EQ(body->GetSize(), 8u);
}

}  // namespace
