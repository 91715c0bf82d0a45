#include "vehicle/data/AxisByteData.h"

#include <gtest/gtest.h>

#include "AxisDataTestSupport.h"

namespace {

using axis_test::CountingHandler;
using Bytes = std::vector<unsigned char>;

vehicle::AxisByteData Buffer(const Bytes& bytes) {
  vehicle::AxisByteData buffer;
  buffer.Resize(static_cast<unsigned int>(bytes.size()));
  buffer.SetBytes(bytes);
  return buffer;
}

TEST(AxisByteDataTest, ReadsAndWritesStayInsideTheBuffer) {
  vehicle::AxisByteData empty;
  util::Binary none = empty.GetBinary(0, 2, util::ENDIAN_LITTLE);
  EXPECT_TRUE(none.IsEmpty());
  EXPECT_EQ(none.endian, util::ENDIAN_INVALID);

  vehicle::AxisByteData buffer = Buffer({0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
  EXPECT_EQ(buffer.GetBinary(8, 2, util::ENDIAN_BIG), util::Binary({8, 9}, util::ENDIAN_BIG));
  EXPECT_TRUE(buffer.GetBinary(9, 2, util::ENDIAN_BIG).IsEmpty());
  EXPECT_TRUE(buffer.GetBinary(0xFFFFFFFFu, 2, util::ENDIAN_BIG).IsEmpty());

  const auto values = buffer.GetBinaries(2, 4, util::ENDIAN_BIG);
  ASSERT_EQ(values.size(), 3u);
  EXPECT_EQ(values.back().bytes, Bytes({8, 9}));
  EXPECT_TRUE(buffer.GetBinaries(2, 11, util::ENDIAN_BIG).empty());
  EXPECT_TRUE(buffer.GetBinaries(11, 1, util::ENDIAN_BIG).empty());
  EXPECT_TRUE(buffer.GetBinaries(2, 0, util::ENDIAN_BIG).empty());
  EXPECT_TRUE(buffer.GetBinaries(0, 2, util::ENDIAN_BIG).empty());

  // Writes skip padding and never grow the buffer.
  buffer = Buffer(Bytes(9, 0xEE));
  buffer.SetBinaries(
      {util::Binary({1, 2}, util::ENDIAN_BIG), util::Binary(),
       util::Binary({5, 6}, util::ENDIAN_BIG), util::Binary({7, 8}, util::ENDIAN_BIG)},
      2, 3);
  // The last value would end past the buffer: dropped whole.
  EXPECT_EQ(buffer.GetBytes(), Bytes({1, 2, 0xEE, 0xEE, 0xEE, 0xEE, 5, 6, 0xEE}));

  buffer.SetBytes(Bytes(20, 0x11));
  EXPECT_EQ(buffer.GetBytes(), Bytes(9, 0x11));
  buffer.SetBinary(util::Binary({1, 2}, util::ENDIAN_BIG), 8);
  EXPECT_EQ(buffer.GetBytes(), Bytes(9, 0x11));
  buffer.SetBinary(util::Binary({1, 2}, util::ENDIAN_BIG), 7);
  EXPECT_EQ(buffer.GetBytes()[8], 2);
  bool called = false;
  buffer.WriteAt(8, 2, [&called](unsigned char*) { called = true; });
  buffer.WriteAt(0xFFFFFFFFu, 2, [&called](unsigned char*) { called = true; });
  EXPECT_FALSE(called);

  EXPECT_TRUE(vehicle::AxisByteData().Equals(Bytes()));
  EXPECT_FALSE(buffer.Equals(Bytes(8, 0x11)));
}

TEST(AxisByteDataTest, HandlersAreToldAroundEveryWriteOnce) {
  vehicle::AxisByteData buffer = Buffer({1, 2, 3, 4});
  struct SeesOldBytes : CountingHandler {
    void OnAxisByteDataChanging() override {
      CountingHandler::OnAxisByteDataChanging();
      first_byte = buffer->GetBytes()[0];
    }
    const vehicle::AxisByteData* buffer = nullptr;
    int first_byte = -1;
  } handler;
  handler.buffer = &buffer;
  buffer.RegisterAxisByteDataEventListener(handler);
  buffer.RegisterAxisByteDataEventListener(handler);

  buffer.SetBinary(util::Binary({9}, util::ENDIAN_BIG), 0);
  EXPECT_EQ(handler.first_byte, 1);
  buffer.SetBytes(buffer.GetBytes());  // unchanged bytes still notify
  buffer.SetBinaries({util::Binary({7}, util::ENDIAN_BIG)}, 1, 1);
  buffer.WriteAt(3, 1, [](unsigned char* at) { *at = 8; });
  EXPECT_EQ(buffer.GetBytes(), Bytes({7, 2, 3, 8}));
  EXPECT_EQ(handler.changing, 4);
  EXPECT_EQ(handler.changed, 4);

  // No notification for empty writes, resizing, copies or assignment.
  buffer.SetBinary(util::Binary(), 0);
  buffer.SetBinaries({}, 1, 1);
  buffer.WriteAt(4, 1, [](unsigned char* at) { *at = 0; });
  buffer.Resize(8);
  vehicle::AxisByteData copy(buffer);
  EXPECT_EQ(copy.GetListenerCount(), 0u);
  copy.SetBytes({5});
  buffer = copy;
  EXPECT_EQ(buffer.GetBytes()[0], 5);
  EXPECT_EQ(buffer.GetListenerCount(), 1u);
  EXPECT_EQ(handler.changing, 4);

  buffer.UnregisterAxisByteDataEventListener(handler);
  buffer.SetBytes({1});
  EXPECT_EQ(handler.changed, 4);
}

}  // namespace
