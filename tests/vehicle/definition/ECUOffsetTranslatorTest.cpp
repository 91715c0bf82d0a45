#include "vehicle/definition/ECUOffsetTranslator.h"

#include <gtest/gtest.h>

namespace {

TEST(ECUOffsetTranslatorTest, Hc16ClosesTheHoleAboveTheBoundary) {
  const vehicle::IECUOffsetTranslator* hc16 =
      vehicle::getECUToRomOffsetTranslator(vehicle::CPU_HC16);
  ASSERT_NE(hc16, nullptr);
  const struct {
    unsigned address, offset;
  } cases[] = {
      {0x0, 0x0},         {0x27FFF, 0x27FFF},       {0x28000, 0x20000},
      {0x30000, 0x28000}, {0xFFFFFFFF, 0xFFFF7FFF},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(hc16->translate(c.address), c.offset) << std::hex << c.address;
  }
  EXPECT_EQ(vehicle::getECUToRomOffsetTranslator(vehicle::CPU_HC16), hc16) << "one shared instance";
}

}  // namespace
