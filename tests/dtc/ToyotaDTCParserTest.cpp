#include "dtc/ToyotaDTCParser.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "DTCTestSupport.h"

using namespace dtctest;
using testing::ElementsAre;

namespace {

const char kParser[] = "TOYOTA_DTC_PARSER";

// Directory at 0: two groups; lists of pointers to pointers to records.
Image Table() {
  ImageBuilder b(0x100);
  b.LE16(0x00, 2);
  b.LE32(0x04, 0x40).LE32(0x08, 0x30);  // group 0: list, count byte address
  b.LE32(0x0C, 0x50).LE32(0x10, 0x31);  // group 1
  b.U8(0x30, 2).U8(0x31, 1);
  b.LE32(0x40, 0x60).LE32(0x44, 0x64);
  b.LE32(0x50, 0x68);
  b.LE32(0x60, 0x80).LE32(0x64, 0xA0).LE32(0x68, 0xC0);
  b.BE16(0x82, 0x0420).Bytes(0x8C, {0x11, 0x22});
  b.BE16(0xA2, 0xC100).Bytes(0xAC, {0x00, 0x00});  // every entry counts, even a zero state
  b.BE16(0xC2, 0x0420).Bytes(0xCC, {0x33, 0x44});
  return b.image();
}

TEST(ToyotaDTCParserTest, WalksEveryGroupAndEntry) {
  const ParseResult result = ParseWith(kParser, Table(), Params({{"dtc_entry_point", "0"}}));
  ASSERT_TRUE(result.ok);
  EXPECT_THAT(Names(result.toggles), ElementsAre("P0420", "U0100"));
  EXPECT_THAT(Segments(result.toggles.at("P0420")),
              ElementsAre(Seg{0x8C, {0x11, 0x22}, {0x00, 0x00}, {}},
                          Seg{0xCC, {0x33, 0x44}, {0x00, 0x00}, {}}));
  EXPECT_THAT(Segments(result.toggles.at("U0100")),
              ElementsAre(Seg{0xAC, {0x00, 0x00}, {0x00, 0x00}, {}}));
}

TEST(ToyotaDTCParserTest, PointerOutsideImageThrows) {
  ImageBuilder b(0x100);
  b.Bytes(0, Table()).LE32(0x68, 0xFFFFFFF0);
  EXPECT_THROW(ParseWith(kParser, b.image(), Params({{"dtc_entry_point", "0"}})),
               std::out_of_range);
}

}  // namespace
