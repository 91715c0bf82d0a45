#include "dtc/MazdaPPCDTCParser.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "DTCTestSupport.h"

using namespace dtctest;
using testing::ElementsAre;

namespace {

const char kParser[] = "MAZDA_PPC_DTC_PARSER";

// 16-byte entries at 0 with the state address at +12.
Image Table() {
  return ImageBuilder(0x120)
      .BE16(0x00, 0x0420)
      .BE32(0x0C, 0x100)
      .Bytes(0x100, {0x01, 0x02})  // enabled
      .BE16(0x10, 0x0300)
      .BE32(0x1C, 0x104)  // state 0
      .BE16(0x20, 0x0420)
      .BE32(0x2C, 0x108)
      .Bytes(0x108, {0x80, 0x00})  // again
      .BE16(0x30, 0x0500)
      .BE32(0x3C, 0x40000001)  // beyond the limit
      .BE16(0x40, 0xFFFF)
      .image();
}

TiXmlElement TableParams() {
  return Params({{"dtc_definition_address", "0"}});
}

TEST(MazdaPPCDTCParserTest, StatesAreFoundThroughTheirAddress) {
  const ParseResult result = ParseWith(kParser, Table(), TableParams());
  ASSERT_TRUE(result.ok);
  EXPECT_THAT(Names(result.toggles), ElementsAre("P0420"));
  EXPECT_THAT(Segments(result.toggles.at("P0420")),
              ElementsAre(Seg{0x100, {0x01, 0x02}, {0x00, 0x00}, {}},
                          Seg{0x108, {0x80, 0x00}, {0x00, 0x00}, {}}));
}

TEST(MazdaPPCDTCParserTest, StateAddressOutsideImageThrows) {
  Image image = Table();
  ImageBuilder b(image.size());
  b.Bytes(0, image).BE32(0x1C, 0x40000000);
  EXPECT_THROW(ParseWith(kParser, b.image(), TableParams()), std::out_of_range);
}

TEST(MazdaPPCDTCParserTest, DisabledCodesStayDisabledWhenParsedAgain) {
  const ParseResult again = ReparseAfterDisabling(kParser, Table(), TableParams(), {"P0420"});
  EXPECT_TRUE(again.toggles.empty());
}

}  // namespace
