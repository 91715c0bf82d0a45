#include "outside/Binary.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using util::Binary;

struct ReadCase {
  std::vector<uint8_t> bytes;
  util::e_endian endian;
  uint8_t u8;
  uint16_t u16;
  uint32_t u32;
};

class BinaryReadTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(BinaryReadTest, CombinesBytesInItsOwnOrder) {
  const ReadCase& c = GetParam();
  const Binary b(c.bytes, c.endian);
  EXPECT_EQ(c.u8, b.ToUint8());
  EXPECT_EQ(c.u16, b.ToUint16());
  EXPECT_EQ(c.u32, b.ToUint32());
}

INSTANTIATE_TEST_SUITE_P(
    Widths, BinaryReadTest,
    ::testing::Values(
        ReadCase{{0xAB}, util::ENDIAN_BIG, 0xAB, 0x00AB, 0x000000AB},
        ReadCase{{0x34, 0x12}, util::ENDIAN_LITTLE, 0x34, 0x1234, 0x00001234},
        ReadCase{{0x12, 0x34, 0x56, 0x78}, util::ENDIAN_BIG, 0x12, 0x1234, 0x12345678},
        ReadCase{{0x78, 0x56, 0x34, 0x12}, util::ENDIAN_LITTLE, 0x78, 0x5678, 0x12345678},
        // Bytes past the width are ignored.
        ReadCase{{1, 2, 3, 4, 5, 6}, util::ENDIAN_BIG, 0x01, 0x0102, 0x01020304},
        ReadCase{{1, 2, 3, 4, 5, 6}, util::ENDIAN_LITTLE, 0x01, 0x0201, 0x04030201},
        // Short values read as if zero-extended, whatever the order.
        ReadCase{{0x12, 0x34, 0x56}, util::ENDIAN_BIG, 0x12, 0x1234, 0x00123456},
        ReadCase{{0x56, 0x34, 0x12}, util::ENDIAN_LITTLE, 0x56, 0x3456, 0x00123456},
        ReadCase{{}, util::ENDIAN_INVALID, 0, 0, 0}, ReadCase{{}, util::ENDIAN_LITTLE, 0, 0, 0},
        // No byte order: read as big-endian.
        ReadCase{{0x12, 0x34}, util::ENDIAN_INVALID, 0x12, 0x1234, 0x00001234}));

TEST(BinaryTest, DefaultIsEmptyWithoutByteOrderAndEqualityNeedsBoth) {
  EXPECT_TRUE(Binary().IsEmpty());
  EXPECT_EQ(util::ENDIAN_INVALID, Binary().GetEndian());
  const Binary a({1, 2}, util::ENDIAN_BIG);
  EXPECT_EQ(a, Binary({1, 2}, util::ENDIAN_BIG));
  EXPECT_NE(a, Binary({1, 2}, util::ENDIAN_LITTLE));
  EXPECT_NE(a, Binary({9, 2}, util::ENDIAN_BIG));
}

}  // namespace
