#include "dtc/PorscheSimosDTCParser.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "DTCTestSupport.h"

using namespace dtctest;
using testing::ElementsAre;

namespace {

const char kParser[] = "PORSCHE_SIMOS_DTC_PARSER";

Image Table() {
  return ImageBuilder(0x60)
      .LE16(0x10, 0x0420)
      .LE16(0x16, 0x0300)
      .LE16(0x1C, 0x0420)
      .LE16(0x22, 0x00C1)  // past the end address
      .Bytes(0x40, {0x03, 0x00, 0x01, 0x01})
      .image();
}

TiXmlElement TableParams(const char* end = "0x22") {
  return Params({{"dtc_definition_address", "0x10"},
                 {"dtc_enabled_state_address", "0x40"},
                 {"dtc_struct_size", "6"},
                 {"dtc_definition_address_end", end}});
}

TEST(PorscheSimosDTCParserTest, EntryCountFromTableEnd) {
  const ParseResult result = ParseWith(kParser, Table(), TableParams());
  ASSERT_TRUE(result.ok);
  EXPECT_THAT(Names(result.toggles), ElementsAre("P0420"));
  EXPECT_THAT(Segments(result.toggles.at("P0420")),
              ElementsAre(Seg{0x40, {0x03}, {0x00}, {}}, Seg{0x42, {0x01}, {0x00}, {}}));
}

TEST(PorscheSimosDTCParserTest, EndBeforeStartIsAnEmptyTable) {
  const ParseResult result = ParseWith(kParser, Table(), TableParams("0x04"));
  EXPECT_TRUE(result.ok);
  EXPECT_TRUE(result.toggles.empty());
}

TEST(PorscheSimosDTCParserTest, DisabledCodesStayDisabledWhenParsedAgain) {
  EXPECT_TRUE(ReparseAfterDisabling(kParser, Table(), TableParams(), {"P0420"}).toggles.empty());
}

}  // namespace
