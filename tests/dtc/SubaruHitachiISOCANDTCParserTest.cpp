#include "dtc/SubaruHitachiISOCANDTCParser.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "DTCTestSupport.h"

using namespace dtctest;
using testing::ElementsAre;

namespace {

const char kParser[] = "SUBARU_HITACHI_ISOCAN_DTC_PARSER";

// 21 state bytes at 0; the code of bit k of byte n at 0x100 + 16n + 2k.
Image Table() {
  return ImageBuilder(0x260)
      .U8(0, 0x05)  // bits 0 and 2
      .Bytes(0x100, {0x04, 0x20})
      .Bytes(0x104, {0x00, 0x00})  // zero code outside byte 20: skipped
      .U8(1, 0x80)
      .Bytes(0x11E, {0x04, 0x20})  // same code again
      .U8(2, 0x00)
      .Bytes(0x120, {0x03, 0x00})  // bit clear
      .U8(20, 0x03)                // zero codes of bits 0 and 1 count here
      .image();
}

TiXmlElement TableParams(const char* endian) {
  return Params({{"dtc_definition_address", "0x100"},
                 {"dtc_enabled_state_address", "0"},
                 {"dtc_count", "21"},
                 {"endian", endian}});
}

TEST(SubaruHitachiISOCANDTCParserTest, StateBitsAndCodes) {
  const ParseResult result = ParseWith(kParser, Table(), TableParams("BIG"));
  ASSERT_TRUE(result.ok);
  EXPECT_THAT(Names(result.toggles), ElementsAre("P0000", "P0420"));
  EXPECT_THAT(
      Segments(result.toggles.at("P0420")),
      ElementsAre(Seg{0x00, {0x01}, {0x00}, {0x01}}, Seg{0x100, {0x04, 0x20}, {0x00, 0x00}, {}},
                  Seg{0x01, {0x80}, {0x00}, {0x80}}, Seg{0x11E, {0x04, 0x20}, {0x00, 0x00}, {}}));
  EXPECT_THAT(
      Segments(result.toggles.at("P0000")),
      ElementsAre(Seg{0x14, {0x01}, {0x00}, {0x01}}, Seg{0x240, {0x00, 0x00}, {0xFF, 0xFF}, {}},
                  Seg{0x14, {0x02}, {0x00}, {0x02}}, Seg{0x242, {0x00, 0x00}, {0xFF, 0xFF}, {}}));
}

TEST(SubaruHitachiISOCANDTCParserTest, AnyOtherEndianMakesTheSecondByteHigh) {
  for (const char* endian : {"little", "", "middle"}) {
    const ParseResult result = ParseWith(kParser, Table(), TableParams(endian));
    EXPECT_THAT(Names(result.toggles), ElementsAre("P0000", "P2004")) << endian;
  }
}

TEST(SubaruHitachiISOCANDTCParserTest, DisabledCodesStayDisabledWhenParsedAgain) {
  EXPECT_TRUE(ReparseAfterDisabling(kParser, Table(), TableParams("big"), {"P0420", "P0000"})
                  .toggles.empty());
}

}  // namespace
