#include "dtc/MazdaSHDTCParser.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "DTCTestSupport.h"

using namespace dtctest;
using testing::ElementsAre;

namespace {

const char kParser[] = "MAZDA_SH_DTC_PARSER";

// 20-byte code entries at 0; 44-byte enable entries at 0x100.
Image Table() {
  ImageBuilder b(0x200);
  b.BE16(0x00, 0x0420).BE32(0x04, 0x00200000).BE32(0x08, 0x50).BE16(0x12, 1);  // enabled
  b.BE16(0x14, 0x0301).BE32(0x18, 0x00200000).BE16(0x26, 0);                   // disabled
  b.BE16(0x28, 0x0420).BE32(0x2C, 0x50).BE32(0x30, 0x00400000).BE16(0x3A, 1);  // again
  b.BE16(0x3C, 0x0171).BE32(0x40, 0x00999999).BE16(0x4E, 1);                   // no match
  b.BE16(0x50, 0xC100).BE32(0x5C, 0x00200000).BE16(0x62, 1);                   // via +12
  b.BE16(0x64, 0xFFFF);                                                        // end
  // Enable entry 1 also holds the small word 0x50, which must not match.
  b.BE16(0x100, 1).BE32(0x104, 0x50).BE32(0x108, 0x00200000).Bytes(0x12A, {0x12, 0x34});
  b.BE16(0x12C, 2).BE32(0x150, 0x00400000).Bytes(0x156, {0xAB, 0xCD});
  b.BE16(0x158, 0xFFFF);
  return b.image();
}

TiXmlElement TableParams() {
  return Params({{"dtc_definition_address", "0"}, {"dtc_ena_definition_address", "0x100"}});
}

TEST(MazdaSHDTCParserTest, EnabledCodesTakeTheirMatchedEnableEntry) {
  const ParseResult result = ParseWith(kParser, Table(), TableParams());
  ASSERT_TRUE(result.ok);
  EXPECT_THAT(Names(result.toggles), ElementsAre("P0420", "U0100"));
  EXPECT_THAT(Segments(result.toggles.at("P0420")),
              ElementsAre(Seg{0x12A, {0x12, 0x34}, {0x00, 0x00}, {}},
                          Seg{0x156, {0xAB, 0xCD}, {0x00, 0x00}, {}}));
  EXPECT_THAT(Segments(result.toggles.at("U0100")),
              ElementsAre(Seg{0x12A, {0x12, 0x34}, {0x00, 0x00}, {}}));
}

TEST(MazdaSHDTCParserTest, UnterminatedEnableTableIsOnlyReadAsFarAsNeeded) {
  // The first code matches enable entry 1; nothing after it is read.
  const Image image = ImageBuilder(0x80)
                          .BE16(0x00, 0x0420)
                          .BE32(0x04, 0x00200000)
                          .BE16(0x12, 1)
                          .BE16(0x14, 0xFFFF)
                          .BE16(0x20, 1)
                          .BE32(0x28, 0x00200000)
                          .image();
  TiXmlElement params =
      Params({{"dtc_definition_address", "0"}, {"dtc_ena_definition_address", "0x20"}});
  const ParseResult result = ParseWith(kParser, image, params);
  EXPECT_THAT(Segments(result.toggles.at("P0420")),
              ElementsAre(Seg{0x4A, {0x00, 0x00}, {0x00, 0x00}, {}}));

  // A code that matches nothing walks on until the image ends.
  const Image unmatched = ImageBuilder(0x80)
                              .BE16(0x00, 0x0420)
                              .BE32(0x04, 0x00300000)
                              .BE16(0x12, 1)
                              .BE16(0x14, 0xFFFF)
                              .BE16(0x20, 1)
                              .image();
  EXPECT_THROW(ParseWith(kParser, unmatched, params), std::out_of_range);
}

}  // namespace
