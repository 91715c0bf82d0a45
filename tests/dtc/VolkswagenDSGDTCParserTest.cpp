#include "dtc/VolkswagenDSGDTCParser.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "DTCTestSupport.h"

using namespace dtctest;
using testing::ElementsAre;

namespace {

const char kParser[] = "VOLKSWAGEN_DSG_DTC_PARSER";

Image Table() {
  return ImageBuilder(0xA0)
      // block 0: codes at 0x00, states at 0x20
      .LE16(0x00, 0x0420)
      .LE16(0x20, 0x0001)
      .LE16(0x02, 0x0300)
      .LE16(0x22, 0x0000)
      .LE16(0x04, 0x0101)
      .LE16(0x24, 0x0100)
      // block 1: codes at 0x40, states at 0x60
      .LE16(0x40, 0x0420)
      .LE16(0x60, 0x0007)
      .LE16(0x42, 0xC100)
      .LE16(0x62, 0x0000)
      // block 2 exists in the image but not in the block count
      .LE16(0x80, 0x0222)
      .LE16(0x90, 0x0001)
      .image();
}

TiXmlElement TableParams(const char* blocks) {
  return Params({{"dtc_structs", blocks},
                 {"dtc_definition_address", "0x00"},
                 {"dtc_enabled_state_address", "0x20"},
                 {"dtc_block_size", "3"},
                 {"dtc_definition_address_1", "0x40"},
                 {"dtc_enabled_state_address_1", "0x60"},
                 {"dtc_block_size_1", "2"},
                 {"dtc_definition_address_2", "0x80"},
                 {"dtc_enabled_state_address_2", "0x90"},
                 {"dtc_block_size_2", "1"}});
}

TEST(VolkswagenDSGDTCParserTest, BlocksReadTheirSuffixedParameters) {
  const ParseResult result = ParseWith(kParser, Table(), TableParams("2"));
  ASSERT_TRUE(result.ok);
  EXPECT_THAT(Names(result.toggles), ElementsAre("P0101", "P0420"));
  EXPECT_THAT(Segments(result.toggles.at("P0420")),
              ElementsAre(Seg{0x20, {0x01, 0x00}, {0x00, 0x00}, {}},
                          Seg{0x60, {0x07, 0x00}, {0x00, 0x00}, {}}));
  EXPECT_THAT(Segments(result.toggles.at("P0101")),
              ElementsAre(Seg{0x24, {0x00, 0x01}, {0x00, 0x00}, {}}));
}

TEST(VolkswagenDSGDTCParserTest, BlockCountBoundsTheBlocks) {
  EXPECT_TRUE(ParseWith(kParser, Table(), TableParams("0")).toggles.empty());
  EXPECT_THAT(Names(ParseWith(kParser, Table(), TableParams("1")).toggles),
              ElementsAre("P0101", "P0420"));
  EXPECT_THAT(Names(ParseWith(kParser, Table(), TableParams("3")).toggles),
              ElementsAre("P0101", "P0222", "P0420"));
  // A huge count finishes: only blocks with parameters are looked at.
  EXPECT_THAT(Names(ParseWith(kParser, Table(), TableParams("0xFFFFFFFF")).toggles),
              ElementsAre("P0101", "P0222", "P0420"));
}

TEST(VolkswagenDSGDTCParserTest, DisabledCodesStayDisabledWhenParsedAgain) {
  const ParseResult again =
      ReparseAfterDisabling(kParser, Table(), TableParams("2"), {"P0420", "P0101"});
  EXPECT_TRUE(again.toggles.empty());
}

}  // namespace
