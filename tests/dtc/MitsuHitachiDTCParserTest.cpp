#include "dtc/MitsuHitachiDTCParser.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "DTCTestSupport.h"

using namespace dtctest;
using testing::ElementsAre;

namespace {

const char kParser[] = "MITSU_HITACHI_DTC_PARSER";
const char kPrimary[] = "P0420, P0301, P0302";

// Codes at 0 (BE16 per id), enable bits at 0x300 (mirror at 0x324), group
// toggle byte at 0x360.
Image Table(uint8_t groupToggle = 0x01) {
  ImageBuilder b(0x380);
  b.BE16(2 * 16, 0x0420).BE16(2 * 24, 0x0300).BE16(2 * 40, 0x0420);
  b.BE16(2 * 287, 0x0171).BE16(2 * 288, 0x0100);
  b.U8(0x300, 0xC0);  // pass 1: id 16 on; id 17 on but has no code
  b.U8(0x301, 0x00);  // pass 1: id 24 off
  b.U8(0x302, 0x80);  // pass 2 (one byte further on): id 16
  b.U8(0x303, 0x80);  // id 24
  b.U8(0x305, 0x81);  // id 40; id 47 has no code
  b.U8(0x323, 0x01);  // id 287, last bit of the bit map
  b.U8(0x360, groupToggle);
  return b.image();
}

TiXmlElement TableParams() {
  return ParamsFromXml(
      "<dtc_parser_params dtc_definition_address=\"0\" dtc_ena_definition_address=\"0x300\""
      " dtc_group_toggle_address=\"0x360\"><dtc_pairs>"
      "<dtc_pair primary=\"P0420\" secondary=\"P0302\"/>"
      "<dtc_pair primary=\"P0420\"><secondary>P0301</secondary></dtc_pair>"
      "<dtc_pair primary=\"P0420\" secondary=\"P0301\"/>"
      "</dtc_pairs></dtc_parser_params>");
}

TEST(MitsuHitachiDTCParserTest, BitMapPassesAndGroupToggle) {
  const ParseResult result = ParseWith(kParser, Table(), TableParams());
  ASSERT_TRUE(result.ok);
  EXPECT_THAT(Names(result.toggles), ElementsAre("P0100", "P0171", "P0300", kPrimary));
  EXPECT_THAT(Segments(result.toggles.at(kPrimary)),
              ElementsAre(Seg{0x300, {0xC0}, {0x00}, {0x80}}, Seg{0x324, {0xC0}, {0x00}, {0x80}},
                          Seg{0x302, {0x80}, {0x00}, {0x80}}, Seg{0x326, {0x80}, {0x00}, {0x80}},
                          Seg{0x305, {0x81}, {0x00}, {0x80}}, Seg{0x329, {0x81}, {0x00}, {0x80}}));
  EXPECT_THAT(Segments(result.toggles.at("P0300")),
              ElementsAre(Seg{0x303, {0x80}, {0x00}, {0x80}}, Seg{0x327, {0x80}, {0x00}, {0x80}}));
  EXPECT_THAT(Segments(result.toggles.at("P0171")),
              ElementsAre(Seg{0x323, {0x01}, {0x00}, {0x01}}, Seg{0x347, {0x01}, {0x00}, {0x01}}));
  EXPECT_THAT(Segments(result.toggles.at("P0100")), ElementsAre(Seg{0x360, {0x01}, {0x90}, {}}));
}

TEST(MitsuHitachiDTCParserTest, GroupToggleOffYieldsNoToggle) {
  const ParseResult result = ParseWith(kParser, Table(0x90), TableParams());
  EXPECT_EQ(result.toggles.count("P0100"), 0u);
}

TEST(MitsuHitachiDTCParserTest, DisabledCodesStayDisabledWhenParsedAgain) {
  const ParseResult again =
      ReparseAfterDisabling(kParser, Table(), TableParams(), {"P0100", "P0171", "P0300", kPrimary});
  EXPECT_TRUE(again.toggles.empty());
}

}  // namespace
