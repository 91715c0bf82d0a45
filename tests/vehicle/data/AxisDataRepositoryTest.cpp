#include "vehicle/data/AxisDataRepository.h"

#include <gtest/gtest.h>

#include "TablesFixture.h"
#include "vehicle/data/AxisByteData.h"
#include "vehicle/data/AxisData.h"

namespace {

using tables_fixture::TablesTest;
using vehicle::AXIS_X;
using vehicle::AXIS_Y;
using vehicle::AXIS_Z;
using AxisDataRepositoryTest = TablesTest;

TEST_F(AxisDataRepositoryTest, EqualDefinitionsShareOneAxisDataBuiltOnce) {
  auto x = AxisOf("Map A", AXIS_X);
  EXPECT_EQ(DataOf("Map A", AXIS_X), DataOf("Map B", AXIS_X));
  // Known definition signature: the (empty) image is never read.
  EXPECT_TRUE(axes_.BuildAxis(x, {}));
  EXPECT_EQ(axes_.GetAxis(x->GetDefSignature())->GetDouble(0u), 1000.0);
  EXPECT_EQ(axes_.GetAxis("no such signature"), nullptr);
  EXPECT_EQ(axes_.GetData("no such signature"), nullptr);
}

TEST_F(AxisDataRepositoryTest, SameBytesReadAlikeShareOneBuffer) {
  auto load = DataOf("Map A", AXIS_Y);
  auto halves = DataOf("Load Halves", AXIS_Z);
  ASSERT_NE(load, halves);
  EXPECT_EQ(AxisOf("Map A", AXIS_Y)->GetDataSignature(),
            AxisOf("Load Halves", AXIS_Z)->GetDataSignature());
  EXPECT_EQ(halves->GetDouble(1u), 10.0);  // stored 20, scaled by one half
  EXPECT_TRUE(halves->PutDouble(1u, 21.0));
  EXPECT_EQ(load->GetDouble(1u), 42.0);
  EXPECT_TRUE(load->IsDirty());
  EXPECT_TRUE(axes_.IsDirty());
  axes_.ClearDirtyState();
  EXPECT_FALSE(axes_.IsDirty());
}

// The RPM axis (four 16-bit values) and "Raw RPM Bytes" (four 8-bit values)
// name the same bytes; each must read its own shape from the image, whichever
// is built first.
TEST(AxisDataRepositoryShapeTest, SameDataSignatureOfAnotherShapeGetsItsOwnBuffer) {
  auto vehicle = tables_fixture::LoadVehicle();
  const auto rom = tables_fixture::Image();
  auto rpm = vehicle->GetTables().findData("Map A")->GetAxis(AXIS_X);
  auto raw = vehicle->GetTables().findData("Raw RPM Bytes")->GetAxis(AXIS_Z);
  ASSERT_EQ(rpm->GetDataSignature(), raw->GetDataSignature());
  for (bool rpm_first : {true, false}) {
    SCOPED_TRACE(rpm_first);
    vehicle::AxisDataRepository axes;
    ASSERT_TRUE(axes.BuildAxis(rpm_first ? rpm : raw, rom));
    ASSERT_TRUE(axes.BuildAxis(rpm_first ? raw : rpm, rom));
    EXPECT_EQ(axes.GetAxis(rpm->GetDefSignature())->GetDoubleList(),
              (std::vector<double>{1000, 2000, 3000, 4000}));
    EXPECT_EQ(axes.GetAxis(raw->GetDefSignature())->GetDoubleList(),
              (std::vector<double>{0x03, 0xE8, 0x07, 0xD0}));
    EXPECT_EQ(axes.GetByteData().size(), 2u);
    EXPECT_EQ(axes.GetData(rpm->GetDataSignature())->GetSize(), rpm_first ? 8u : 4u);
  }
}

TEST_F(AxisDataRepositoryTest, AxisOutsideTheImageAddsNothing) {
  vehicle::AxisDataRepository axes;
  auto body = AxisOf("Map B", AXIS_Z);
  const std::vector<unsigned char> small(rom_.begin(), rom_.begin() + 0x44);
  EXPECT_FALSE(axes.BuildAxis(body, small));
  EXPECT_FALSE(axes.HasAxis(body->GetDefSignature()));
  EXPECT_EQ(axes.GetData(body->GetDataSignature()), nullptr);
  EXPECT_FALSE(axes.BuildAxes(vehicle_->GetAxes(), small));
}

TEST_F(AxisDataRepositoryTest, CopiesShareNothingWithTheSourceAndStartClean) {
  DataOf("Map A", AXIS_Z)->PutDouble(0u, 77.0);
  vehicle::AxisDataRepository copy(axes_);
  EXPECT_FALSE(copy.IsDirty());
  auto body = copy.GetAxis(AxisOf("Map A", AXIS_Z)->GetDefSignature());
  ASSERT_NE(body, nullptr);
  EXPECT_NE(body, DataOf("Map A", AXIS_Z));
  EXPECT_EQ(body->GetSegmentCount(), 0u);
  EXPECT_EQ(copy.GetAxis(AxisOf("Boost", AXIS_Z)->GetDefSignature())->GetSegmentCount(), 2u);

  axes_.ClearDirtyState();
  EXPECT_TRUE(body->PutDouble(0u, 5.0));
  EXPECT_TRUE(copy.IsDirty());
  EXPECT_FALSE(axes_.IsDirty());
  EXPECT_EQ(DataOf("Map A", AXIS_Z)->GetDouble(0u), 77.0);
  // Buffers stay shared inside the copy, and separate shapes stay separate.
  copy.GetAxis(AxisOf("Load Halves", AXIS_Z)->GetDefSignature())->PutDouble(0u, 1.0);
  EXPECT_EQ(copy.GetAxis(AxisOf("Map A", AXIS_Y)->GetDefSignature())->GetDouble(0u), 2.0);
  EXPECT_EQ(copy.GetAxis(AxisOf("Raw RPM Bytes", AXIS_Z)->GetDefSignature())->GetDouble(1u), 0xE8);

  vehicle::AxisDataRepository assigned;
  assigned = copy;
  EXPECT_EQ(assigned.GetAxis(AxisOf("Map A", AXIS_Z)->GetDefSignature())->GetDouble(0u), 5.0);
}

}  // namespace
