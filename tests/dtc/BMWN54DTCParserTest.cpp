#include "dtc/BMWN54DTCParser.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "DTCTestSupport.h"

using namespace dtctest;
using testing::ElementsAre;

namespace {

const char kParser[] = "BMW_N54_DTC_PARSER";

// Entries of 8 bytes at 0x10: code low byte first, state byte at +6.
Image Table() {
  return ImageBuilder(0x60)
      .LE16(0x10, 0x0420)
      .U8(0x16, 0x05)  // enabled
      .LE16(0x18, 0x0101)
      .U8(0x1E, 0x00)  // disabled
      .LE16(0x20, 0x0420)
      .U8(0x26, 0x01)  // same code again
      .LE16(0x28, 0xC100)
      .U8(0x2E, 0x80)  // U0100
      .LE16(0x30, 0x0000)
      .U8(0x36, 0x01)  // end of table
      .LE16(0x38, 0x0300)
      .U8(0x3E, 0x01)  // past the end: never read
      .image();
}

TiXmlElement TableParams() {
  return Params({{"dtc_definition_address", "0x10"}, {"dtc_struct_size", "8"}});
}

TEST(BMWN54DTCParserTest, EnabledEntriesUntilZeroCode) {
  const ParseResult result = ParseWith(kParser, Table(), TableParams());
  ASSERT_TRUE(result.ok);
  EXPECT_THAT(Names(result.toggles), ElementsAre("P0420", "U0100"));
  EXPECT_THAT(Segments(result.toggles.at("P0420")),
              ElementsAre(Seg{0x16, {0x05}, {0x00}, {}}, Seg{0x26, {0x01}, {0x00}, {}}));
  EXPECT_THAT(Segments(result.toggles.at("U0100")), ElementsAre(Seg{0x2E, {0x80}, {0x00}, {}}));
}

TEST(BMWN54DTCParserTest, ZeroFirstCodeYieldsNothing) {
  const Image image = ImageBuilder(0x20).U8(0x06, 0x01).image();
  const ParseResult result = ParseWith(
      kParser, image, Params({{"dtc_definition_address", "0"}, {"dtc_struct_size", "8"}}));
  EXPECT_TRUE(result.ok);
  EXPECT_TRUE(result.toggles.empty());
}

TEST(BMWN54DTCParserTest, DisabledCodesStayDisabledWhenParsedAgain) {
  const ParseResult again = ReparseAfterDisabling(kParser, Table(), TableParams(), {"U0100"});
  EXPECT_THAT(Names(again.toggles), ElementsAre("P0420"));
}

}  // namespace
