#include "dtc/SubaruHitachiDTCParser.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "DTCTestSupport.h"

using namespace dtctest;
using testing::ElementsAre;

namespace {

const char kParser[] = "SUBARU_HITACHI_DTC_PARSER";

// 16 state bytes at 0 (up to the code table at 0x10); code i at 0x12 + 4i.
Image Table() {
  return ImageBuilder(0x60)
      .U8(0, 0x01)
      .BE16(0x12, 0x0420)  // enabled
      .U8(1, 0x00)
      .BE16(0x16, 0x0300)  // disabled
      .U8(2, 0x01)
      .BE16(0x1A, 0xFFFF)  // unused code
      .U8(3, 0x01)
      .BE16(0x1E, 0x4BB0)  // reserved code
      .U8(4, 0x01)
      .BE16(0x22, 0x0000)  // code 0000 is a real code
      .U8(5, 0x01)
      .BE16(0x26, 0x0420)  // same code again
      .U8(6, 0x02)
      .BE16(0x2A, 0x0101)  // only 0x01 means enabled
      .image();
}

TiXmlElement TableParams(const char* states = "0") {
  return Params({{"dtc_definition_address", "0x10"},
                 {"dtc_enabled_state_address", states},
                 {"dtc_struct_size", "4"},
                 {"dtc_pcode_idx", "2"}});
}

TEST(SubaruHitachiDTCParserTest, StateAndCodeSegments) {
  const ParseResult result = ParseWith(kParser, Table(), TableParams());
  ASSERT_TRUE(result.ok);
  EXPECT_THAT(Names(result.toggles), ElementsAre("P0000", "P0420"));
  EXPECT_THAT(
      Segments(result.toggles.at("P0420")),
      ElementsAre(Seg{0x00, {0x01}, {0x00}, {}}, Seg{0x12, {0x04, 0x20}, {0x00, 0x00}, {}},
                  Seg{0x05, {0x01}, {0x00}, {}}, Seg{0x26, {0x04, 0x20}, {0x00, 0x00}, {}}));
  EXPECT_THAT(
      Segments(result.toggles.at("P0000")),
      ElementsAre(Seg{0x04, {0x01}, {0x00}, {}}, Seg{0x22, {0x00, 0x00}, {0xFF, 0xFF}, {}}));
}

TEST(SubaruHitachiDTCParserTest, StatesMustLieBeforeTheCodes) {
  EXPECT_FALSE(ParseWith(kParser, Table(), TableParams("0x10")).ok);
  EXPECT_FALSE(ParseWith(kParser, Table(), TableParams("0x11")).ok);
}

TEST(SubaruHitachiDTCParserTest, DisabledCodesStayDisabledWhenParsedAgain) {
  EXPECT_TRUE(
      ReparseAfterDisabling(kParser, Table(), TableParams(), {"P0420", "P0000"}).toggles.empty());
}

}  // namespace
