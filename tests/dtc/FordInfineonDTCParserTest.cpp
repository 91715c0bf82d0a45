#include "dtc/FordInfineonDTCParser.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "DTCTestSupport.h"

using namespace dtctest;
using testing::ElementsAre;

namespace {

const char kParser[] = "FORD_INFINEON_DTC_PARSER";

// Three LE24 record pointers, 8 bytes apart, from 0 to 0x18. A record holds
// its code at +0 and its state address in bytes +8 (S), +5 and +6.
Image Table() {
  return ImageBuilder(0x200)
      .LE24(0x00, 0x40)
      .LE24(0x08, 0x50)
      .LE24(0x10, 0x60)
      .Bytes(0x40, {0x20, 0x04})
      .U8(0x48, 0x80)
      .U8(0x45, 0x01)
      .U8(0x46, 0x00)
      .Bytes(0x50, {0x00, 0x03})
      .U8(0x58, 0x81)
      .U8(0x55, 0x01)
      .Bytes(0x60, {0x20, 0x04})
      .U8(0x68, 0x82)
      .U8(0x65, 0x01)
      .U8(0x180, 0x07)
      .U8(0x181, 0x00)  // disabled
      .U8(0x182, 0x01)
      .image();
}

TiXmlElement TableParams(const char* end = "0x18") {
  return Params({{"dtc_definition_address", "0"},
                 {"dtc_struct_size", "8"},
                 {"dtc_definition_address_end", end}});
}

TEST(FordInfineonDTCParserTest, RecordsFoundThroughPointers) {
  const ParseResult result = ParseWith(kParser, Table(), TableParams());
  ASSERT_TRUE(result.ok);
  EXPECT_THAT(Names(result.toggles), ElementsAre("P0420"));
  EXPECT_THAT(Segments(result.toggles.at("P0420")),
              ElementsAre(Seg{0x180, {0x07}, {0x00}, {}}, Seg{0x182, {0x01}, {0x00}, {}}));
}

TEST(FordInfineonDTCParserTest, InconsistentTableBoundsFail) {
  EXPECT_FALSE(ParseWith(kParser, Table(), TableParams("0x17")).ok);
  EXPECT_TRUE(ParseWith(kParser, Table(), TableParams("0")).ok) << "an empty list is consistent";
}

TEST(FordInfineonDTCParserTest, DisabledCodesStayDisabledWhenParsedAgain) {
  EXPECT_TRUE(ReparseAfterDisabling(kParser, Table(), TableParams(), {"P0420"}).toggles.empty());
}

}  // namespace
