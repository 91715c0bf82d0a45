#include "dtc/NissanHitachiDTCParser.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "DTCTestSupport.h"

using namespace dtctest;
using testing::ElementsAre;

namespace {

const char kParser[] = "NISSAN_HITACHI_DTC_PARSER";

// 8-byte entries from 0x10 to 0x30: state byte index, bit number, code at +6.
Image Table() {
  return ImageBuilder(0x90)
      .Bytes(0x10, {0, 3})
      .BE16(0x16, 0x0420)  // bit 3 of state byte 0
      .Bytes(0x18, {1, 0})
      .BE16(0x1E, 0x0300)  // bit 0 of state byte 1: clear
      .Bytes(0x20, {0, 7})
      .BE16(0x26, 0x0420)  // same code, bit 7
      .Bytes(0x28, {2, 40})
      .BE16(0x2E, 0x0101)  // no such bit
      .U8(0x80, 0x88)
      .U8(0x81, 0xFE)
      .U8(0x82, 0xFF)
      .image();
}

TiXmlElement TableParams(const char* end = "0x30") {
  return Params({{"dtc_definition_address", "0x10"},
                 {"dtc_enabled_state_address", "0x80"},
                 {"dtc_struct_size", "8"},
                 {"dtc_definition_address_end", end}});
}

TEST(NissanHitachiDTCParserTest, MaskedStateBits) {
  const ParseResult result = ParseWith(kParser, Table(), TableParams());
  ASSERT_TRUE(result.ok);
  EXPECT_THAT(Names(result.toggles), ElementsAre("P0420"));
  EXPECT_THAT(Segments(result.toggles.at("P0420")),
              ElementsAre(Seg{0x80, {0x08}, {0x00}, {0x08}}, Seg{0x80, {0x80}, {0x00}, {0x80}}));
}

TEST(NissanHitachiDTCParserTest, InconsistentTableBoundsFail) {
  for (const char* end : {"0x10", "0x2F", "0x08"}) {
    EXPECT_FALSE(ParseWith(kParser, Table(), TableParams(end)).ok) << end;
  }
}

TEST(NissanHitachiDTCParserTest, DisabledCodesStayDisabledWhenParsedAgain) {
  EXPECT_TRUE(ReparseAfterDisabling(kParser, Table(), TableParams(), {"P0420"}).toggles.empty());
}

}  // namespace
