#include "dtc/HondaTricoreDTCParser.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "DTCTestSupport.h"

using namespace dtctest;
using testing::ElementsAre;

namespace {

const char kParser[] = "HONDA_TRICORE_DTC_PARSER";

// Count at 2, 4-byte entries: codes at 0x10, states at 0x30.
Image Table() {
  return ImageBuilder(0x50)
      .LE16(0x02, 3)
      .LE16(0x10, 0x0420)
      .LE16(0x30, 0x0000)
      .LE16(0x14, 0x0300)
      .LE16(0x34, 0xFFFF)  // disabled
      .LE16(0x18, 0x0420)
      .LE16(0x38, 0x00FF)
      .image();
}

TiXmlElement TableParams(const std::string& ranges = "") {
  return ParamsFromXml(
      "<dtc_parser_params dtc_definition_address=\"0x10\" dtc_enabled_state_address=\"0x30\""
      " dtc_struct_size=\"4\" dtc_count_address=\"2\">" +
      ranges + "</dtc_parser_params>");
}

TEST(HondaTricoreDTCParserTest, CountedEntriesWithTwoByteStates) {
  const ParseResult result = ParseWith(kParser, Table(), TableParams());
  ASSERT_TRUE(result.ok);
  EXPECT_THAT(Names(result.toggles), ElementsAre("P0420"));
  EXPECT_THAT(Segments(result.toggles.at("P0420")),
              ElementsAre(Seg{0x30, {0x00, 0x00}, {0xFF, 0xFF}, {}},
                          Seg{0x38, {0xFF, 0x00}, {0xFF, 0xFF}, {}}));
}

TEST(HondaTricoreDTCParserTest, IgnoreRangesFromTheDefinitionAreHonoured) {
  const ParseResult result =
      ParseWith(kParser, Table(),
                TableParams("<dtc_ignore_ranges><dtc_ignore_range start_address=\"0x20\""
                            " end_address=\"0x30\"/></dtc_ignore_ranges>"));
  EXPECT_THAT(Segments(result.toggles.at("P0420")),
              ElementsAre(Seg{0x38, {0xFF, 0x00}, {0xFF, 0xFF}, {}}));
}

TEST(HondaTricoreDTCParserTest, DisabledCodesStayDisabledWhenParsedAgain) {
  EXPECT_TRUE(ReparseAfterDisabling(kParser, Table(), TableParams(), {"P0420"}).toggles.empty());
}

}  // namespace
