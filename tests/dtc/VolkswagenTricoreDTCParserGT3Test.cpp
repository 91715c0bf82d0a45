#include "dtc/VolkswagenTricoreDTCParserGT3.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "DTCTestSupport.h"

using namespace dtctest;
using testing::ElementsAre;

namespace {

const char kParser[] = "VOLKSWAGEN_TRICORE_DTC_PARSER_GT3";

// Count at 0, codes every 4 bytes at 0x10, one state byte per entry at 0x40.
Image Table() {
  return ImageBuilder(0x60)
      .LE16(0x00, 4)
      .LE16(0x10, 0x0420)
      .U8(0x40, 0x01)
      .LE16(0x14, 0x0300)
      .U8(0x41, 0x0B)  // disabled
      .LE16(0x18, 0x0420)
      .U8(0x42, 0x0F)
      .LE16(0x1C, 0x0101)
      .U8(0x43, 0x00)
      .image();
}

TiXmlElement TableParams(const std::string& ranges = "") {
  return ParamsFromXml(
      "<dtc_parser_params dtc_definition_address=\"0x10\" dtc_enabled_state_address=\"0x40\""
      " dtc_struct_size=\"4\" dtc_count_address=\"0\">" +
      ranges + "</dtc_parser_params>");
}

TEST(VolkswagenTricoreDTCParserGT3Test, OneStateBytePerEntry) {
  const ParseResult result = ParseWith(kParser, Table(), TableParams());
  ASSERT_TRUE(result.ok);
  EXPECT_THAT(Names(result.toggles), ElementsAre("P0101", "P0420"));
  EXPECT_THAT(Segments(result.toggles.at("P0420")),
              ElementsAre(Seg{0x40, {0x01}, {0x0F}, {}}, Seg{0x42, {0x0F}, {0x0F}, {}}));
  EXPECT_THAT(Segments(result.toggles.at("P0101")), ElementsAre(Seg{0x43, {0x00}, {0x0F}, {}}));
}

TEST(VolkswagenTricoreDTCParserGT3Test, IgnoreRangesFromTheDefinitionAreHonoured) {
  const ParseResult result = ParseWith(
      kParser, Table(),
      TableParams("<dtc_ignore_ranges><dtc_ignore_range><start_address>0x42</start_address>"
                  "<end_address>0x43</end_address></dtc_ignore_range></dtc_ignore_ranges>"));
  EXPECT_THAT(Names(result.toggles), ElementsAre("P0420"));
  EXPECT_EQ(result.toggles.at("P0420").GetToggleStateDefinitionSegments().size(), 1u);
}

}  // namespace
