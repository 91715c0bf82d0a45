#include "dtc/VolkswagenSimosDTCParser.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "DTCTestSupport.h"

using namespace dtctest;
using testing::ElementsAre;

namespace {

const char kParser[] = "VOLKSWAGEN_SIMOS_DTC_PARSER";

// Codes every 4 bytes from 0x10 to 0x20 (4 entries), state bytes from E.
Image Table(uint32_t states) {
  return ImageBuilder(0x220)
      .LE16(0x10, 0x0420)
      .LE16(0x14, 0x0300)
      .LE16(0x18, 0x0420)
      .LE16(0x1C, 0x0101)
      .Bytes(states, {0x01, 0x00, 0x05, 0x02})
      .image();
}

TiXmlElement TableParams(uint32_t states, const char* end = "0x22",
                         const std::string& ranges = "") {
  return ParamsFromXml(
      "<dtc_parser_params dtc_definition_address=\"0x10\" dtc_enabled_state_address=\"" +
      std::to_string(states) + "\" dtc_struct_size=\"4\" dtc_definition_address_end=\"" + end +
      "\">" + ranges + "</dtc_parser_params>");
}

const char kRange[] =
    "<dtc_ignore_ranges><dtc_ignore_range start_address=\"0x100\" end_address=\"0x1FF\"/>"
    "</dtc_ignore_ranges>";

TEST(VolkswagenSimosDTCParserTest, EntryCountFromTableEnd) {
  // (0x22 - 0x10) / 4 = 4 entries; the remainder is dropped.
  const ParseResult result = ParseWith(kParser, Table(0x40), TableParams(0x40));
  ASSERT_TRUE(result.ok);
  EXPECT_THAT(Names(result.toggles), ElementsAre("P0101", "P0420"));
  EXPECT_THAT(Segments(result.toggles.at("P0420")),
              ElementsAre(Seg{0x40, {0x01}, {0x00}, {}}, Seg{0x42, {0x05}, {0x00}, {}}));
  EXPECT_THAT(Segments(result.toggles.at("P0101")), ElementsAre(Seg{0x43, {0x02}, {0x00}, {}}));
}

TEST(VolkswagenSimosDTCParserTest, IgnoreRangeBoundsAreInclusive) {
  // States at 0x1FE, 0x1FF, 0x200, 0x201: the first two lie in the range.
  const ParseResult high = ParseWith(kParser, Table(0x1FE), TableParams(0x1FE, "0x20", kRange));
  EXPECT_THAT(Names(high.toggles), ElementsAre("P0101", "P0420"));
  EXPECT_THAT(Segments(high.toggles.at("P0420")), ElementsAre(Seg{0x200, {0x05}, {0x00}, {}}));
  // States at 0xFE, 0xFF, 0x100, 0x101: the last two lie in the range.
  const ParseResult low = ParseWith(kParser, Table(0xFE), TableParams(0xFE, "0x20", kRange));
  EXPECT_THAT(Names(low.toggles), ElementsAre("P0420"));
  EXPECT_THAT(Segments(low.toggles.at("P0420")), ElementsAre(Seg{0xFE, {0x01}, {0x00}, {}}));
}

TEST(VolkswagenSimosDTCParserTest, EndBeforeStartIsAnEmptyTable) {
  const ParseResult result = ParseWith(kParser, Table(0x40), TableParams(0x40, "0x0C"));
  EXPECT_TRUE(result.ok);
  EXPECT_TRUE(result.toggles.empty());
}

TEST(VolkswagenSimosDTCParserTest, DisabledCodesStayDisabledWhenParsedAgain) {
  const ParseResult again =
      ReparseAfterDisabling(kParser, Table(0x40), TableParams(0x40), {"P0420", "P0101"});
  EXPECT_TRUE(again.toggles.empty());
}

}  // namespace
