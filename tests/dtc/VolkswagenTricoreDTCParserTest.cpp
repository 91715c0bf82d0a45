#include "dtc/VolkswagenTricoreDTCParser.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "DTCTestSupport.h"

using namespace dtctest;
using testing::ElementsAre;

namespace {

const char kParser[] = "VOLKSWAGEN_TRICORE_DTC_PARSER";

// Count at 0, 4-byte entries: codes at 0x10, states at 0x40.
Image Table() {
  return ImageBuilder(0x60)
      .LE16(0x00, 4)
      .LE16(0x10, 0x0420)
      .LE16(0x40, 0x0001)
      .LE16(0x14, 0x0300)
      .LE16(0x44, 0xFDFF)  // disabled
      .LE16(0x18, 0x0420)
      .LE16(0x48, 0x1234)
      .LE16(0x1C, 0x0101)
      .LE16(0x4C, 0xFFFD)  // the bytes FD FF are not the disabled state
      .LE16(0x20, 0x0999)
      .LE16(0x50, 0x0001)  // past the count
      .image();
}

TiXmlElement TableParams(const std::string& ranges = "") {
  return ParamsFromXml(
      "<dtc_parser_params dtc_definition_address=\"0x10\" dtc_enabled_state_address=\"0x40\""
      " dtc_struct_size=\"4\" dtc_count_address=\"0\">" +
      ranges + "</dtc_parser_params>");
}

TEST(VolkswagenTricoreDTCParserTest, CountedEntriesWithTwoByteStates) {
  const ParseResult result = ParseWith(kParser, Table(), TableParams());
  ASSERT_TRUE(result.ok);
  EXPECT_THAT(Names(result.toggles), ElementsAre("P0101", "P0420"));
  EXPECT_THAT(Segments(result.toggles.at("P0420")),
              ElementsAre(Seg{0x40, {0x01, 0x00}, {0xFF, 0xFD}, {}},
                          Seg{0x48, {0x34, 0x12}, {0xFF, 0xFD}, {}}));
  EXPECT_THAT(Segments(result.toggles.at("P0101")),
              ElementsAre(Seg{0x4C, {0xFD, 0xFF}, {0xFF, 0xFD}, {}}));
}

TEST(VolkswagenTricoreDTCParserTest, IgnoreRangesFromTheDefinitionAreHonoured) {
  const ParseResult result =
      ParseWith(kParser, Table(),
                TableParams("<dtc_ignore_ranges><dtc_ignore_range start_address=\"0x48\""
                            " end_address=\"0x4B\"/></dtc_ignore_ranges>"));
  EXPECT_THAT(Segments(result.toggles.at("P0420")),
              ElementsAre(Seg{0x40, {0x01, 0x00}, {0xFF, 0xFD}, {}}));
  EXPECT_EQ(result.toggles.count("P0101"), 1u);
}

TEST(VolkswagenTricoreDTCParserTest, DisabledCodesStayDisabledWhenParsedAgain) {
  const ParseResult again =
      ReparseAfterDisabling(kParser, Table(), TableParams(), {"P0420", "P0101"});
  EXPECT_TRUE(again.toggles.empty());
}

}  // namespace
