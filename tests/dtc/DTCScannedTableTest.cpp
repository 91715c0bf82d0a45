// Families that scan to a terminator, walk a bit map or follow pointers: one
// reference parse each, then what sets each family apart.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>

#include "DTCTestSupport.h"

using namespace dtctest;
using testing::ElementsAre;

namespace {

const char kDef[] = "dtc_definition_address";
const char kState[] = "dtc_enabled_state_address";
const char kSize[] = "dtc_struct_size";

const char kN54[] = "BMW_N54_DTC_PARSER";
// Entries of 8 bytes at 0x10: code low byte first, state byte at +6.
Image N54Table() {
  ImageBuilder b(0x60);
  b.LE16(0x10, 0x0420).U8(0x16, 0x05);  // enabled
  b.LE16(0x18, 0x0101).U8(0x1E, 0x00);  // disabled
  b.LE16(0x20, 0x0420).U8(0x26, 0x01);  // same code again
  b.LE16(0x28, 0xC100).U8(0x2E, 0x80);  // U0100
  b.LE16(0x30, 0x0000).U8(0x36, 0x01);  // end of table
  b.LE16(0x38, 0x0300).U8(0x3E, 0x01);  // past the end: never read
  return b.image();
}
TiXmlElement N54Params() {
  return Params({{kDef, "0x10"}, {kSize, "8"}});
}

const char kPpc[] = "MAZDA_PPC_DTC_PARSER";
// 16-byte entries at 0 with the state address at +12.
Image PpcTable() {
  ImageBuilder b(0x120);
  b.BE16(0x00, 0x0420).BE32(0x0C, 0x100).Bytes(0x100, {0x01, 0x02});  // enabled
  b.BE16(0x10, 0x0300).BE32(0x1C, 0x104);                             // state 0
  b.BE16(0x20, 0x0420).BE32(0x2C, 0x108).Bytes(0x108, {0x80, 0x00});  // again
  b.BE16(0x30, 0x0500).BE32(0x3C, 0x40000001);                        // beyond the limit
  return b.BE16(0x40, 0xFFFF).image();
}

const char kSh[] = "MAZDA_SH_DTC_PARSER";
// 20-byte code entries at 0; 44-byte enable entries at 0x100.
Image ShTable() {
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
TiXmlElement ShParams(const char* enable = "0x100") {
  return Params({{kDef, "0"}, {"dtc_ena_definition_address", enable}});
}

const char kMitsu[] = "MITSU_HITACHI_DTC_PARSER";
const char kMitsuPrimary[] = "P0420, P0301, P0302";
// Codes at 0 (BE16 per id), enable bits at 0x300 (mirror at 0x324), group
// toggle byte at 0x360.
Image MitsuTable() {
  ImageBuilder b(0x380);
  b.BE16(2 * 16, 0x0420).BE16(2 * 24, 0x0300).BE16(2 * 40, 0x0420);
  b.BE16(2 * 287, 0x0171).BE16(2 * 288, 0x0100);
  b.U8(0x300, 0xC0);  // pass 1: id 16 on; id 17 on but has no code
  b.U8(0x301, 0x00);  // pass 1: id 24 off
  b.U8(0x302, 0x80);  // pass 2 (one byte further on): id 16
  b.U8(0x303, 0x80);  // id 24
  b.U8(0x305, 0x81);  // id 40; id 47 has no code
  b.U8(0x323, 0x01);  // id 287, last bit of the bit map
  b.U8(0x360, 0x01);
  return b.image();
}
TiXmlElement MitsuParams() {
  return ParamsFromXml(
      "<dtc_parser_params dtc_definition_address=\"0\" dtc_ena_definition_address=\"0x300\""
      " dtc_group_toggle_address=\"0x360\"><dtc_pairs>"
      "<dtc_pair primary=\"P0420\" secondary=\"P0302\"/>"
      "<dtc_pair primary=\"P0420\"><secondary>P0301</secondary></dtc_pair>"
      "<dtc_pair primary=\"P0420\" secondary=\"P0301\"/>"
      "</dtc_pairs></dtc_parser_params>");
}

const char kHitachi[] = "SUBARU_HITACHI_DTC_PARSER";
// 16 state bytes at 0 (up to the code table at 0x10); code i at 0x12 + 4i.
Image HitachiTable() {
  ImageBuilder b(0x60);
  b.U8(0, 0x01).BE16(0x12, 0x0420);  // enabled
  b.U8(1, 0x00).BE16(0x16, 0x0300);  // disabled
  b.U8(2, 0x01).BE16(0x1A, 0xFFFF);  // unused code
  b.U8(3, 0x01).BE16(0x1E, 0x4BB0);  // reserved code
  b.U8(4, 0x01).BE16(0x22, 0x0000);  // code 0000 is a real code
  b.U8(5, 0x01).BE16(0x26, 0x0420);  // same code again
  b.U8(6, 0x02).BE16(0x2A, 0x0101);  // only 0x01 means enabled
  return b.image();
}
TiXmlElement HitachiParams(const char* states = "0") {
  return Params({{kDef, "0x10"}, {kState, states}, {kSize, "4"}, {"dtc_pcode_idx", "2"}});
}

const char kIsocan[] = "SUBARU_HITACHI_ISOCAN_DTC_PARSER";
// 21 state bytes at 0; the code of bit k of byte n at 0x100 + 16n + 2k.
Image IsocanTable() {
  ImageBuilder b(0x260);
  b.U8(0, 0x05).Bytes(0x100, {0x04, 0x20});  // bits 0 and 2
  b.Bytes(0x104, {0x00, 0x00});              // zero code outside byte 20: skipped
  b.U8(1, 0x80).Bytes(0x11E, {0x04, 0x20});  // same code again
  b.U8(2, 0x00).Bytes(0x120, {0x03, 0x00});  // bit clear
  return b.U8(20, 0x03).image();             // zero codes of bits 0 and 1 count here
}
TiXmlElement IsocanParams(const char* endian = "BIG") {
  return Params({{kDef, "0x100"}, {kState, "0"}, {"dtc_count", "21"}, {"endian", endian}});
}

const char kToyota[] = "TOYOTA_DTC_PARSER";
// Directory at 0: two groups; lists of pointers to pointers to records.
Image ToyotaTable() {
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

TEST(DTCScannedTableTest, EachFamilyGivesItsCodesAndRefusesMissingParameters) {
  using B = std::vector<uint8_t>;
  const B kMask = {0x80};
  const FamilyCase cases[] = {
      {kN54,
       N54Table(),
       N54Params(),
       {{"P0420", {Seg{0x16, {0x05}, {0x00}, {}}, Seg{0x26, {0x01}, {0x00}, {}}}},
        {"U0100", {Seg{0x2E, {0x80}, {0x00}, {}}}}},
       {kDef, kSize}},
      {kPpc,
       PpcTable(),
       Params({{kDef, "0"}}),
       {{"P0420",
         {Seg{0x100, {0x01, 0x02}, {0x00, 0x00}, {}}, Seg{0x108, {0x80, 0x00}, {0x00, 0x00}, {}}}}},
       {kDef}},
      // Disabling writes the enable entry, not the code entry the walk reads.
      {kSh,
       ShTable(),
       ShParams(),
       {{"P0420",
         {Seg{0x12A, {0x12, 0x34}, {0x00, 0x00}, {}}, Seg{0x156, {0xAB, 0xCD}, {0x00, 0x00}, {}}}},
        {"U0100", {Seg{0x12A, {0x12, 0x34}, {0x00, 0x00}, {}}}}},
       {kDef},
       nullptr,
       false},
      {kMitsu,
       MitsuTable(),
       MitsuParams(),
       {{kMitsuPrimary,
         {Seg{0x300, {0xC0}, {0x00}, kMask}, Seg{0x324, {0xC0}, {0x00}, kMask},
          Seg{0x302, {0x80}, {0x00}, kMask}, Seg{0x326, {0x80}, {0x00}, kMask},
          Seg{0x305, {0x81}, {0x00}, kMask}, Seg{0x329, {0x81}, {0x00}, kMask}}},
        {"P0300", {Seg{0x303, {0x80}, {0x00}, kMask}, Seg{0x327, {0x80}, {0x00}, kMask}}},
        {"P0171", {Seg{0x323, {0x01}, {0x00}, {0x01}}, Seg{0x347, {0x01}, {0x00}, {0x01}}}},
        {"P0100", {Seg{0x360, {0x01}, {0x90}, {}}}}},
       {kDef}},
      {kHitachi,
       HitachiTable(),
       HitachiParams(),
       {{"P0420",
         {Seg{0x00, {0x01}, {0x00}, {}}, Seg{0x12, {0x04, 0x20}, {0x00, 0x00}, {}},
          Seg{0x05, {0x01}, {0x00}, {}}, Seg{0x26, {0x04, 0x20}, {0x00, 0x00}, {}}}},
        {"P0000", {Seg{0x04, {0x01}, {0x00}, {}}, Seg{0x22, {0x00, 0x00}, {0xFF, 0xFF}, {}}}}},
       {kDef, kState, kSize}},
      {kIsocan,
       IsocanTable(),
       IsocanParams(),
       {{"P0420",
         {Seg{0x00, {0x01}, {0x00}, {0x01}}, Seg{0x100, {0x04, 0x20}, {0x00, 0x00}, {}},
          Seg{0x01, {0x80}, {0x00}, {0x80}}, Seg{0x11E, {0x04, 0x20}, {0x00, 0x00}, {}}}},
        {"P0000",
         {Seg{0x14, {0x01}, {0x00}, {0x01}}, Seg{0x240, {0x00, 0x00}, {0xFF, 0xFF}, {}},
          Seg{0x14, {0x02}, {0x00}, {0x02}}, Seg{0x242, {0x00, 0x00}, {0xFF, 0xFF}, {}}}}},
       {kDef, kState, "dtc_count"}},
      {kToyota,
       ToyotaTable(),
       Params({{"dtc_entry_point", "0"}}),
       {{"P0420",
         {Seg{0x8C, {0x11, 0x22}, {0x00, 0x00}, {}}, Seg{0xCC, {0x33, 0x44}, {0x00, 0x00}, {}}}},
        {"U0100", {Seg{0xAC, {0x00, 0x00}, {0x00, 0x00}, {}}}}},
       {},
       nullptr,
       false},
  };
  for (const FamilyCase& c : cases) {
    CheckFamily(c);
  }
}

TEST(BMWN54DTCParserTest, ZeroFirstCodeYieldsNothing) {
  const Image image = ImageBuilder(0x20).U8(0x06, 0x01).image();
  const ParseResult result = ParseWith(kN54, image, Params({{kDef, "0"}, {kSize, "8"}}));
  EXPECT_TRUE(result.ok);
  EXPECT_TRUE(result.toggles.empty());
}

TEST(DTCScannedTableTest, AddressOutsideImageThrows) {
  ImageBuilder ppc(0x120);
  ppc.Bytes(0, PpcTable()).BE32(0x1C, 0x40000000);
  EXPECT_THROW(ParseWith(kPpc, ppc.image(), Params({{kDef, "0"}})), std::out_of_range);
  ImageBuilder toyota(0x100);
  toyota.Bytes(0, ToyotaTable()).LE32(0x68, 0xFFFFFFF0);
  EXPECT_THROW(ParseWith(kToyota, toyota.image(), Params({{"dtc_entry_point", "0"}})),
               std::out_of_range);
}

TEST(MazdaSHDTCParserTest, UnterminatedEnableTableIsOnlyReadAsFarAsNeeded) {
  // The first code matches enable entry 1; nothing after it is read.
  ImageBuilder b(0x80);
  b.BE16(0x00, 0x0420).BE32(0x04, 0x00200000).BE16(0x12, 1).BE16(0x14, 0xFFFF).BE16(0x20, 1);
  ImageBuilder unmatched = b;
  const ParseResult result = ParseWith(kSh, b.BE32(0x28, 0x00200000).image(), ShParams("0x20"));
  EXPECT_THAT(Segments(result.toggles.at("P0420")),
              ElementsAre(Seg{0x4A, {0x00, 0x00}, {0x00, 0x00}, {}}));

  // A code that matches nothing walks on until the image ends.
  unmatched.BE32(0x04, 0x00300000);
  EXPECT_THROW(ParseWith(kSh, unmatched.image(), ShParams("0x20")), std::out_of_range);
}

TEST(SubaruHitachiDTCParserTest, StatesMustLieBeforeTheCodes) {
  for (const char* states : {"0x10", "0x11"}) {
    EXPECT_FALSE(ParseWith(kHitachi, HitachiTable(), HitachiParams(states)).ok);
  }
}

TEST(SubaruHitachiISOCANDTCParserTest, AnyOtherEndianMakesTheSecondByteHigh) {
  for (const char* endian : {"little", "", "middle"}) {
    const ParseResult result = ParseWith(kIsocan, IsocanTable(), IsocanParams(endian));
    EXPECT_THAT(Names(result.toggles), ElementsAre("P0000", "P2004")) << endian;
  }
}

}  // namespace
