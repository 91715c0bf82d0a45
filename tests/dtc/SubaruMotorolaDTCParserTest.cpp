#include "dtc/SubaruMotorolaDTCParser.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "DTCTestSupport.h"
#include "vehicle/definition/ECUOffsetTranslator.h"

using namespace dtctest;
using testing::ElementsAre;

namespace {

const char kParser[] = "SUBARU_MOTOROLA_DTC_PARSER";

const vehicle::IECUOffsetTranslator* Hc16() {
  return vehicle::getECUToRomOffsetTranslator(vehicle::CPU_HC16);
}

// Controller address 0x28010 is ROM offset 0x20010; 4-byte entries.
Image Table() {
  return ImageBuilder(0x20030)
      .Bytes(0x20010, {0x01, 0x00, 0x04, 0x20})  // enabled
      .Bytes(0x20014, {0x00, 0x00, 0x03, 0x00})  // disabled
      .Bytes(0x20018, {0x01, 0x05, 0x00, 0x00})  // kind 5 needs a code
      .Bytes(0x2001C, {0x02, 0x05, 0xC1, 0x00})  // digits only: no system letter
      .Bytes(0x20020, {0x03, 0x00, 0x04, 0x20})  // same code again
      .Bytes(0x20024, {0x01, 0x00, 0x09, 0x99})  // past the count
      .image();
}

TiXmlElement TableParams() {
  return Params(
      {{"dtc_definition_address", "0x28010"}, {"dtc_count", "5"}, {"dtc_struct_size", "4"}});
}

TEST(SubaruMotorolaDTCParserTest, TableAtTranslatedAddress) {
  const ParseResult result = ParseWith(kParser, Table(), TableParams(), Hc16());
  ASSERT_TRUE(result.ok);
  EXPECT_THAT(Names(result.toggles), ElementsAre("P0420", "PC100"));
  EXPECT_THAT(Segments(result.toggles.at("P0420")),
              ElementsAre(Seg{0x20010, {0x01}, {0x00}, {}}, Seg{0x20020, {0x03}, {0x00}, {}}));
  EXPECT_THAT(Segments(result.toggles.at("PC100")), ElementsAre(Seg{0x2001C, {0x02}, {0x00}, {}}));
}

TEST(SubaruMotorolaDTCParserTest, NoTranslatorFailsCleanly) {
  const ParseResult result = ParseWith(kParser, Table(), TableParams(), nullptr);
  EXPECT_FALSE(result.ok);
  EXPECT_TRUE(result.toggles.empty());
}

TEST(SubaruMotorolaDTCParserTest, DisabledCodesStayDisabledWhenParsedAgain) {
  EXPECT_TRUE(ReparseAfterDisabling(kParser, Table(), TableParams(), {"P0420", "PC100"}, Hc16())
                  .toggles.empty());
}

}  // namespace
