// Families whose code table is bounded by a count, an end address or a block
// list: one reference parse each, then what sets each family apart.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "DTCTestSupport.h"
#include "vehicle/definition/ECUOffsetTranslator.h"

using namespace dtctest;
using testing::ElementsAre;

namespace {

const char kDef[] = "dtc_definition_address";
const char kState[] = "dtc_enabled_state_address";
const char kSize[] = "dtc_struct_size";
const char kEnd[] = "dtc_definition_address_end";
const char kCountAt[] = "dtc_count_address";

const char kN55[] = "BMW_N55_DTC_PARSER";
// Count at 0, codes at 0x10, states at 0x20, two bytes each.
Image N55Table() {
  ImageBuilder b(0x40);
  b.LE16(0x00, 5);
  b.LE16(0x10, 0x0420).LE16(0x20, 0x0001);         // enabled
  b.Bytes(0x12, {0x01, 0x05}).LE16(0x22, 0x0001);  // unused slot: skipped
  b.LE16(0x14, 0x0420).LE16(0x24, 0x0080);         // disabled
  b.LE16(0x16, 0x0133).LE16(0x26, 0x8000);         // 00 80 is not the disabled state
  b.LE16(0x18, 0x0420).LE16(0x28, 0x0005);         // same code again
  b.LE16(0x1A, 0x0999).LE16(0x2A, 0x0001);         // past the count
  return b.image();
}
TiXmlElement N55Params(const char* count = "0") {
  return Params({{kDef, "0x10"}, {kState, "0x20"}, {kCountAt, count}});
}

// Count at `count_at`, 4-byte entries: codes at 0x10, states at `states`.
std::string CountedXml(const char* count_at, const char* states, const std::string& ranges) {
  return std::string(
             "<dtc_parser_params dtc_definition_address=\"0x10\" "
             "dtc_enabled_state_address=\"") +
         states + "\" dtc_struct_size=\"4\" dtc_count_address=\"" + count_at + "\">" + ranges +
         "</dtc_parser_params>";
}

const char kHonda[] = "HONDA_TRICORE_DTC_PARSER";
Image HondaTable() {
  ImageBuilder b(0x50);
  b.LE16(0x02, 3);
  b.LE16(0x10, 0x0420).LE16(0x30, 0x0000);
  b.LE16(0x14, 0x0300).LE16(0x34, 0xFFFF);  // disabled
  b.LE16(0x18, 0x0420).LE16(0x38, 0x00FF);
  return b.image();
}
TiXmlElement HondaParams(const std::string& ranges = "") {
  return ParamsFromXml(CountedXml("2", "0x30", ranges));
}

const char kTricore[] = "VOLKSWAGEN_TRICORE_DTC_PARSER";
Image TricoreTable() {
  ImageBuilder b(0x60);
  b.LE16(0x00, 4);
  b.LE16(0x10, 0x0420).LE16(0x40, 0x0001);
  b.LE16(0x14, 0x0300).LE16(0x44, 0xFDFF);  // disabled
  b.LE16(0x18, 0x0420).LE16(0x48, 0x1234);
  b.LE16(0x1C, 0x0101).LE16(0x4C, 0xFFFD);  // the bytes FD FF are not the disabled state
  b.LE16(0x20, 0x0999).LE16(0x50, 0x0001);  // past the count
  return b.image();
}
TiXmlElement TricoreParams(const std::string& ranges = "") {
  return ParamsFromXml(CountedXml("0", "0x40", ranges));
}

const char kGt3[] = "VOLKSWAGEN_TRICORE_DTC_PARSER_GT3";
// One state byte per entry.
Image Gt3Table() {
  ImageBuilder b(0x60);
  b.LE16(0x00, 4);
  b.LE16(0x10, 0x0420).U8(0x40, 0x01);
  b.LE16(0x14, 0x0300).U8(0x41, 0x0B);  // disabled
  b.LE16(0x18, 0x0420).U8(0x42, 0x0F);
  b.LE16(0x1C, 0x0101).U8(0x43, 0x00);
  return b.image();
}
TiXmlElement Gt3Params(const std::string& ranges = "") {
  return ParamsFromXml(CountedXml("0", "0x40", ranges));
}

const char kSimos[] = "VOLKSWAGEN_SIMOS_DTC_PARSER";
// Codes every 4 bytes from 0x10, state bytes from `states`.
Image SimosTable(uint32_t states = 0x40) {
  ImageBuilder b(0x220);
  b.LE16(0x10, 0x0420).LE16(0x14, 0x0300).LE16(0x18, 0x0420).LE16(0x1C, 0x0101);
  return b.Bytes(states, {0x01, 0x00, 0x05, 0x02}).image();
}
TiXmlElement SimosParams(uint32_t states = 0x40, const char* end = "0x22",
                         const std::string& ranges = "") {
  return ParamsFromXml(
      "<dtc_parser_params dtc_definition_address=\"0x10\" dtc_enabled_state_address=\"" +
      std::to_string(states) + "\" dtc_struct_size=\"4\" dtc_definition_address_end=\"" + end +
      "\">" + ranges + "</dtc_parser_params>");
}

const char kPorsche[] = "PORSCHE_SIMOS_DTC_PARSER";
Image PorscheTable() {
  ImageBuilder b(0x60);
  b.LE16(0x10, 0x0420).LE16(0x16, 0x0300).LE16(0x1C, 0x0420);
  b.LE16(0x22, 0x00C1);  // past the end address
  return b.Bytes(0x40, {0x03, 0x00, 0x01, 0x01}).image();
}
TiXmlElement PorscheParams(const char* end = "0x22") {
  return Params({{kDef, "0x10"}, {kState, "0x40"}, {kSize, "6"}, {kEnd, end}});
}

const char kNissan[] = "NISSAN_HITACHI_DTC_PARSER";
// 8-byte entries from 0x10 to 0x30: state byte index, bit number, code at +6.
Image NissanTable() {
  ImageBuilder b(0x90);
  b.Bytes(0x10, {0, 3}).BE16(0x16, 0x0420);   // bit 3 of state byte 0
  b.Bytes(0x18, {1, 0}).BE16(0x1E, 0x0300);   // bit 0 of state byte 1: clear
  b.Bytes(0x20, {0, 7}).BE16(0x26, 0x0420);   // same code, bit 7
  b.Bytes(0x28, {2, 40}).BE16(0x2E, 0x0101);  // no such bit
  return b.Bytes(0x80, {0x88, 0xFE, 0xFF}).image();
}
TiXmlElement NissanParams(const char* end = "0x30") {
  return Params({{kDef, "0x10"}, {kState, "0x80"}, {kSize, "8"}, {kEnd, end}});
}

const char kFord[] = "FORD_INFINEON_DTC_PARSER";
// Three LE24 record pointers, 8 bytes apart, from 0 to 0x18. A record holds
// its code at +0 and its state address in bytes +8 (S), +5 and +6.
Image FordTable() {
  ImageBuilder b(0x200);
  b.LE24(0x00, 0x40).LE24(0x08, 0x50).LE24(0x10, 0x60);
  b.Bytes(0x40, {0x20, 0x04}).U8(0x48, 0x80).U8(0x45, 0x01);
  b.Bytes(0x50, {0x00, 0x03}).U8(0x58, 0x81).U8(0x55, 0x01);
  b.Bytes(0x60, {0x20, 0x04}).U8(0x68, 0x82).U8(0x65, 0x01);
  return b.Bytes(0x180, {0x07, 0x00, 0x01}).image();  // 0x181 disabled
}
TiXmlElement FordParams(const char* end = "0x18") {
  return Params({{kDef, "0"}, {kSize, "8"}, {kEnd, end}});
}

const char kMotorola[] = "SUBARU_MOTOROLA_DTC_PARSER";
const vehicle::IECUOffsetTranslator* Hc16() {
  return vehicle::getECUToRomOffsetTranslator(vehicle::CPU_HC16);
}
// Controller address 0x28010 is ROM offset 0x20010; 4-byte entries.
Image MotorolaTable() {
  return ImageBuilder(0x20030)
      .Bytes(0x20010, {0x01, 0x00, 0x04, 0x20})  // enabled
      .Bytes(0x20014, {0x00, 0x00, 0x03, 0x00})  // disabled
      .Bytes(0x20018, {0x01, 0x05, 0x00, 0x00})  // kind 5 needs a code
      .Bytes(0x2001C, {0x02, 0x05, 0xC1, 0x00})  // digits only: no system letter
      .Bytes(0x20020, {0x03, 0x00, 0x04, 0x20})  // same code again
      .Bytes(0x20024, {0x01, 0x00, 0x09, 0x99})  // past the count
      .image();
}
TiXmlElement MotorolaParams() {
  return Params({{kDef, "0x28010"}, {"dtc_count", "5"}, {kSize, "4"}});
}

const char kDsg[] = "VOLKSWAGEN_DSG_DTC_PARSER";
Image DsgTable() {
  ImageBuilder b(0xA0);
  // block 0: codes at 0x00, states at 0x20
  b.LE16(0x00, 0x0420).LE16(0x20, 0x0001);
  b.LE16(0x02, 0x0300).LE16(0x22, 0x0000);
  b.LE16(0x04, 0x0101).LE16(0x24, 0x0100);
  // block 1: codes at 0x40, states at 0x60
  b.LE16(0x40, 0x0420).LE16(0x60, 0x0007);
  b.LE16(0x42, 0xC100).LE16(0x62, 0x0000);
  // block 2 exists in the image but not in the block count
  b.LE16(0x80, 0x0222).LE16(0x90, 0x0001);
  return b.image();
}
TiXmlElement DsgParams(const char* blocks = "2") {
  return Params({{"dtc_structs", blocks},
                 {kDef, "0x00"},
                 {kState, "0x20"},
                 {"dtc_block_size", "3"},
                 {"dtc_definition_address_1", "0x40"},
                 {"dtc_enabled_state_address_1", "0x60"},
                 {"dtc_block_size_1", "2"},
                 {"dtc_definition_address_2", "0x80"},
                 {"dtc_enabled_state_address_2", "0x90"},
                 {"dtc_block_size_2", "1"}});
}

TEST(DTCCountedTableTest, EachFamilyGivesItsCodesAndRefusesMissingParameters) {
  const FamilyCase cases[] = {
      {kN55,
       N55Table(),
       N55Params(),
       {{"P0420",
         {Seg{0x20, {0x01, 0x00}, {0x80, 0x00}, {}}, Seg{0x28, {0x05, 0x00}, {0x80, 0x00}, {}}}},
        {"P0133", {Seg{0x26, {0x00, 0x80}, {0x80, 0x00}, {}}}}},
       {kDef, kCountAt}},
      {kHonda,
       HondaTable(),
       HondaParams(),
       {{"P0420",
         {Seg{0x30, {0x00, 0x00}, {0xFF, 0xFF}, {}}, Seg{0x38, {0xFF, 0x00}, {0xFF, 0xFF}, {}}}}},
       {kDef, kState, kSize, kCountAt}},
      {kTricore,
       TricoreTable(),
       TricoreParams(),
       {{"P0420",
         {Seg{0x40, {0x01, 0x00}, {0xFF, 0xFD}, {}}, Seg{0x48, {0x34, 0x12}, {0xFF, 0xFD}, {}}}},
        {"P0101", {Seg{0x4C, {0xFD, 0xFF}, {0xFF, 0xFD}, {}}}}},
       {kDef, kState, kSize, kCountAt}},
      // Writing the disabled value does not make a GT3 code read as disabled.
      {kGt3,
       Gt3Table(),
       Gt3Params(),
       {{"P0420", {Seg{0x40, {0x01}, {0x0F}, {}}, Seg{0x42, {0x0F}, {0x0F}, {}}}},
        {"P0101", {Seg{0x43, {0x00}, {0x0F}, {}}}}},
       {kDef, kState, kSize, kCountAt},
       nullptr,
       false},
      // (0x22 - 0x10) / 4 = 4 entries; the remainder is dropped.
      {kSimos,
       SimosTable(),
       SimosParams(),
       {{"P0420", {Seg{0x40, {0x01}, {0x00}, {}}, Seg{0x42, {0x05}, {0x00}, {}}}},
        {"P0101", {Seg{0x43, {0x02}, {0x00}, {}}}}},
       {kDef, kState, kSize, kEnd}},
      {kPorsche,
       PorscheTable(),
       PorscheParams(),
       {{"P0420", {Seg{0x40, {0x03}, {0x00}, {}}, Seg{0x42, {0x01}, {0x00}, {}}}}},
       {kDef, kState, kSize, kEnd}},
      {kNissan,
       NissanTable(),
       NissanParams(),
       {{"P0420", {Seg{0x80, {0x08}, {0x00}, {0x08}}, Seg{0x80, {0x80}, {0x00}, {0x80}}}}},
       {kDef, kState, kSize, kEnd}},
      {kFord,
       FordTable(),
       FordParams(),
       {{"P0420", {Seg{0x180, {0x07}, {0x00}, {}}, Seg{0x182, {0x01}, {0x00}, {}}}}},
       {kDef, kSize, kEnd}},
      {kMotorola,
       MotorolaTable(),
       MotorolaParams(),
       {{"P0420", {Seg{0x20010, {0x01}, {0x00}, {}}, Seg{0x20020, {0x03}, {0x00}, {}}}},
        {"PC100", {Seg{0x2001C, {0x02}, {0x00}, {}}}}},
       {kDef, "dtc_count", kSize},
       Hc16()},
      {kDsg,
       DsgTable(),
       DsgParams(),
       {{"P0420",
         {Seg{0x20, {0x01, 0x00}, {0x00, 0x00}, {}}, Seg{0x60, {0x07, 0x00}, {0x00, 0x00}, {}}}},
        {"P0101", {Seg{0x24, {0x00, 0x01}, {0x00, 0x00}, {}}}}},
       {kDef}},
  };
  for (const FamilyCase& c : cases) {
    CheckFamily(c);
  }
}

TEST(BMWN55DTCParserTest, ZeroCountYieldsNothing) {
  // The count address points at a zero word.
  const ParseResult result = ParseWith(kN55, N55Table(), N55Params("0x30"));
  EXPECT_TRUE(result.ok);
  EXPECT_TRUE(result.toggles.empty());
}

TEST(DTCCountedTableTest, IgnoreRangesFromTheDefinitionAreHonoured) {
  const ParseResult honda =
      ParseWith(kHonda, HondaTable(),
                HondaParams("<dtc_ignore_ranges><dtc_ignore_range start_address=\"0x20\""
                            " end_address=\"0x30\"/></dtc_ignore_ranges>"));
  EXPECT_THAT(Segments(honda.toggles.at("P0420")),
              ElementsAre(Seg{0x38, {0xFF, 0x00}, {0xFF, 0xFF}, {}}));

  const ParseResult tricore =
      ParseWith(kTricore, TricoreTable(),
                TricoreParams("<dtc_ignore_ranges><dtc_ignore_range start_address=\"0x48\""
                              " end_address=\"0x4B\"/></dtc_ignore_ranges>"));
  EXPECT_THAT(Segments(tricore.toggles.at("P0420")),
              ElementsAre(Seg{0x40, {0x01, 0x00}, {0xFF, 0xFD}, {}}));
  EXPECT_EQ(tricore.toggles.count("P0101"), 1u);

  // Bounds given as child elements.
  const ParseResult gt3 = ParseWith(
      kGt3, Gt3Table(),
      Gt3Params("<dtc_ignore_ranges><dtc_ignore_range><start_address>0x42</start_address>"
                "<end_address>0x43</end_address></dtc_ignore_range></dtc_ignore_ranges>"));
  EXPECT_THAT(Names(gt3.toggles), ElementsAre("P0420"));
  EXPECT_EQ(gt3.toggles.at("P0420").GetToggleStateDefinitionSegments().size(), 1u);
}

TEST(VolkswagenSimosDTCParserTest, IgnoreRangeBoundsAreInclusive) {
  const char kRange[] =
      "<dtc_ignore_ranges><dtc_ignore_range start_address=\"0x100\" end_address=\"0x1FF\"/>"
      "</dtc_ignore_ranges>";
  // States at 0x1FE, 0x1FF, 0x200, 0x201: the first two lie in the range.
  const ParseResult high = ParseWith(kSimos, SimosTable(0x1FE), SimosParams(0x1FE, "0x20", kRange));
  EXPECT_THAT(Names(high.toggles), ElementsAre("P0101", "P0420"));
  EXPECT_THAT(Segments(high.toggles.at("P0420")), ElementsAre(Seg{0x200, {0x05}, {0x00}, {}}));
  // States at 0xFE, 0xFF, 0x100, 0x101: the last two lie in the range.
  const ParseResult low = ParseWith(kSimos, SimosTable(0xFE), SimosParams(0xFE, "0x20", kRange));
  EXPECT_THAT(Names(low.toggles), ElementsAre("P0420"));
  EXPECT_THAT(Segments(low.toggles.at("P0420")), ElementsAre(Seg{0xFE, {0x01}, {0x00}, {}}));
}

TEST(DTCCountedTableTest, EndAddressBoundsTheTable) {
  // An end at or before the start is an empty table; an end that splits an
  // entry fails where the family needs whole entries.
  EXPECT_TRUE(ParseWith(kSimos, SimosTable(), SimosParams(0x40, "0x0C")).toggles.empty());
  const ParseResult porsche = ParseWith(kPorsche, PorscheTable(), PorscheParams("0x04"));
  EXPECT_TRUE(porsche.ok);
  EXPECT_TRUE(porsche.toggles.empty());
  for (const char* end : {"0x10", "0x2F", "0x08"}) {
    EXPECT_FALSE(ParseWith(kNissan, NissanTable(), NissanParams(end)).ok) << end;
  }
  EXPECT_FALSE(ParseWith(kFord, FordTable(), FordParams("0x17")).ok);
  EXPECT_TRUE(ParseWith(kFord, FordTable(), FordParams("0")).ok) << "an empty list is consistent";
}

TEST(SubaruMotorolaDTCParserTest, NoTranslatorFailsCleanly) {
  const ParseResult result = ParseWith(kMotorola, MotorolaTable(), MotorolaParams(), nullptr);
  EXPECT_FALSE(result.ok);
  EXPECT_TRUE(result.toggles.empty());
}

TEST(VolkswagenDSGDTCParserTest, BlockCountBoundsTheBlocks) {
  const auto names = [](const char* blocks) {
    return Names(ParseWith(kDsg, DsgTable(), DsgParams(blocks)).toggles);
  };
  EXPECT_TRUE(names("0").empty());
  EXPECT_THAT(names("1"), ElementsAre("P0101", "P0420"));
  EXPECT_THAT(names("3"), ElementsAre("P0101", "P0222", "P0420"));
  // A huge count finishes: only blocks with parameters are looked at.
  EXPECT_THAT(names("0xFFFFFFFF"), ElementsAre("P0101", "P0222", "P0420"));
}

}  // namespace
