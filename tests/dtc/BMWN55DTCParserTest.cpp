#include "dtc/BMWN55DTCParser.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "DTCTestSupport.h"

using namespace dtctest;
using testing::ElementsAre;

namespace {

const char kParser[] = "BMW_N55_DTC_PARSER";

// Count at 0, codes at 0x10, states at 0x20, two bytes each.
Image Table() {
  return ImageBuilder(0x40)
      .LE16(0x00, 5)
      .LE16(0x10, 0x0420)
      .LE16(0x20, 0x0001)  // enabled
      .Bytes(0x12, {0x01, 0x05})
      .LE16(0x22, 0x0001)  // unused slot: skipped
      .LE16(0x14, 0x0420)
      .LE16(0x24, 0x0080)  // disabled
      .LE16(0x16, 0x0133)
      .LE16(0x26, 0x8000)  // 00 80 is not the disabled state
      .LE16(0x18, 0x0420)
      .LE16(0x28, 0x0005)  // same code again
      .LE16(0x1A, 0x0999)
      .LE16(0x2A, 0x0001)  // past the count
      .image();
}

TiXmlElement TableParams(const char* count = "0") {
  return Params({{"dtc_definition_address", "0x10"},
                 {"dtc_enabled_state_address", "0x20"},
                 {"dtc_count_address", count}});
}

TEST(BMWN55DTCParserTest, CountedEntriesWithTwoByteStates) {
  const ParseResult result = ParseWith(kParser, Table(), TableParams());
  ASSERT_TRUE(result.ok);
  EXPECT_THAT(Names(result.toggles), ElementsAre("P0133", "P0420"));
  EXPECT_THAT(Segments(result.toggles.at("P0420")),
              ElementsAre(Seg{0x20, {0x01, 0x00}, {0x80, 0x00}, {}},
                          Seg{0x28, {0x05, 0x00}, {0x80, 0x00}, {}}));
  EXPECT_THAT(Segments(result.toggles.at("P0133")),
              ElementsAre(Seg{0x26, {0x00, 0x80}, {0x80, 0x00}, {}}));
}

TEST(BMWN55DTCParserTest, ZeroCountYieldsNothing) {
  // The count address points at a zero word.
  const ParseResult result = ParseWith(kParser, Table(), TableParams("0x30"));
  EXPECT_TRUE(result.ok);
  EXPECT_TRUE(result.toggles.empty());
}

TEST(BMWN55DTCParserTest, DisabledCodesStayDisabledWhenParsedAgain) {
  const ParseResult again =
      ReparseAfterDisabling(kParser, Table(), TableParams(), {"P0420", "P0133"});
  EXPECT_TRUE(again.ok);
  EXPECT_TRUE(again.toggles.empty());
}

}  // namespace
