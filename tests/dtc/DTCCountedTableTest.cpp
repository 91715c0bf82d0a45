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

namespace n55 {
const char kParser[] = "BMW_N55_DTC_PARSER";
// Count at 0, codes at 0x10, states at 0x20, two bytes each.
Image Table() {
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
TiXmlElement TableParams(const char* count = "0") {
  return Params({{kDef, "0x10"}, {kState, "0x20"}, {kCountAt, count}});
}
}  // namespace n55

// Count at `count_at`, 4-byte entries: codes at 0x10, states at `states`.
std::string CountedXml(const char* count_at, const char* states, const std::string& ranges) {
  return std::string(
             "<dtc_parser_params dtc_definition_address=\"0x10\" "
             "dtc_enabled_state_address=\"") +
         states + "\" dtc_struct_size=\"4\" dtc_count_address=\"" + count_at + "\">" + ranges +
         "</dtc_parser_params>";
}

namespace honda {
const char kParser[] = "HONDA_TRICORE_DTC_PARSER";
Image Table() {
  ImageBuilder b(0x50);
  b.LE16(0x02, 3);
  b.LE16(0x10, 0x0420).LE16(0x30, 0x0000);
  b.LE16(0x14, 0x0300).LE16(0x34, 0xFFFF);  // disabled
  b.LE16(0x18, 0x0420).LE16(0x38, 0x00FF);
  return b.image();
}
TiXmlElement TableParams(const std::string& ranges = "") {
  return ParamsFromXml(CountedXml("2", "0x30", ranges));
}
}  // namespace honda

namespace tricore {
const char kParser[] = "VOLKSWAGEN_TRICORE_DTC_PARSER";
Image Table() {
  ImageBuilder b(0x60);
  b.LE16(0x00, 4);
  b.LE16(0x10, 0x0420).LE16(0x40, 0x0001);
  b.LE16(0x14, 0x0300).LE16(0x44, 0xFDFF);  // disabled
  b.LE16(0x18, 0x0420).LE16(0x48, 0x1234);
  b.LE16(0x1C, 0x0101).LE16(0x4C, 0xFFFD);  // the bytes FD FF are not the disabled state
  b.LE16(0x20, 0x0999).LE16(0x50, 0x0001);  // past the count
  return b.image();
}
TiXmlElement TableParams(const std::string& ranges = "") {
  return ParamsFromXml(CountedXml("0", "0x40", ranges));
}
}  // namespace tricore

namespace gt3 {
const char kParser[] = "VOLKSWAGEN_TRICORE_DTC_PARSER_GT3";
// One state byte per entry.
Image Table() {
  ImageBuilder b(0x60);
  b.LE16(0x00, 4);
  b.LE16(0x10, 0x0420).U8(0x40, 0x01);
  b.LE16(0x14, 0x0300).U8(0x41, 0x0B);  // disabled
  b.LE16(0x18, 0x0420).U8(0x42, 0x0F);
  b.LE16(0x1C, 0x0101).U8(0x43, 0x00);
  return b.image();
}
TiXmlElement TableParams(const std::string& ranges = "") {
  return ParamsFromXml(CountedXml("0", "0x40", ranges));
}
}  // namespace gt3

namespace simos {
const char kParser[] = "VOLKSWAGEN_SIMOS_DTC_PARSER";
// Codes every 4 bytes from 0x10, state bytes from `states`.
Image Table(uint32_t states = 0x40) {
  ImageBuilder b(0x220);
  b.LE16(0x10, 0x0420).LE16(0x14, 0x0300).LE16(0x18, 0x0420).LE16(0x1C, 0x0101);
  return b.Bytes(states, {0x01, 0x00, 0x05, 0x02}).image();
}
TiXmlElement TableParams(uint32_t states = 0x40, const char* end = "0x22",
                         const std::string& ranges = "") {
  return ParamsFromXml(
      "<dtc_parser_params dtc_definition_address=\"0x10\" dtc_enabled_state_address=\"" +
      std::to_string(states) + "\" dtc_struct_size=\"4\" dtc_definition_address_end=\"" + end +
      "\">" + ranges + "</dtc_parser_params>");
}
}  // namespace simos

namespace porsche {
const char kParser[] = "PORSCHE_SIMOS_DTC_PARSER";
Image Table() {
  ImageBuilder b(0x60);
  b.LE16(0x10, 0x0420).LE16(0x16, 0x0300).LE16(0x1C, 0x0420);
  b.LE16(0x22, 0x00C1);  // past the end address
  return b.Bytes(0x40, {0x03, 0x00, 0x01, 0x01}).image();
}
TiXmlElement TableParams(const char* end = "0x22") {
  return Params({{kDef, "0x10"}, {kState, "0x40"}, {kSize, "6"}, {kEnd, end}});
}
}  // namespace porsche

namespace nissan {
const char kParser[] = "NISSAN_HITACHI_DTC_PARSER";
// 8-byte entries from 0x10 to 0x30: state byte index, bit number, code at +6.
Image Table() {
  ImageBuilder b(0x90);
  b.Bytes(0x10, {0, 3}).BE16(0x16, 0x0420);   // bit 3 of state byte 0
  b.Bytes(0x18, {1, 0}).BE16(0x1E, 0x0300);   // bit 0 of state byte 1: clear
  b.Bytes(0x20, {0, 7}).BE16(0x26, 0x0420);   // same code, bit 7
  b.Bytes(0x28, {2, 40}).BE16(0x2E, 0x0101);  // no such bit
  return b.Bytes(0x80, {0x88, 0xFE, 0xFF}).image();
}
TiXmlElement TableParams(const char* end = "0x30") {
  return Params({{kDef, "0x10"}, {kState, "0x80"}, {kSize, "8"}, {kEnd, end}});
}
}  // namespace nissan

namespace ford {
const char kParser[] = "FORD_INFINEON_DTC_PARSER";
// Three LE24 record pointers, 8 bytes apart, from 0 to 0x18. A record holds
// its code at +0 and its state address in bytes +8 (S), +5 and +6.
Image Table() {
  ImageBuilder b(0x200);
  b.LE24(0x00, 0x40).LE24(0x08, 0x50).LE24(0x10, 0x60);
  b.Bytes(0x40, {0x20, 0x04}).U8(0x48, 0x80).U8(0x45, 0x01);
  b.Bytes(0x50, {0x00, 0x03}).U8(0x58, 0x81).U8(0x55, 0x01);
  b.Bytes(0x60, {0x20, 0x04}).U8(0x68, 0x82).U8(0x65, 0x01);
  return b.Bytes(0x180, {0x07, 0x00, 0x01}).image();  // 0x181 disabled
}
TiXmlElement TableParams(const char* end = "0x18") {
  return Params({{kDef, "0"}, {kSize, "8"}, {kEnd, end}});
}
}  // namespace ford

namespace motorola {
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
  return Params({{kDef, "0x28010"}, {"dtc_count", "5"}, {kSize, "4"}});
}
}  // namespace motorola

namespace dsg {
const char kParser[] = "VOLKSWAGEN_DSG_DTC_PARSER";
Image Table() {
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
TiXmlElement TableParams(const char* blocks = "2") {
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
}  // namespace dsg

TEST(DTCCountedTableTest, EachFamilyGivesItsCodesAndRefusesMissingParameters) {
  const FamilyCase cases[] = {
      {n55::kParser,
       n55::Table(),
       n55::TableParams(),
       {{"P0420",
         {Seg{0x20, {0x01, 0x00}, {0x80, 0x00}, {}}, Seg{0x28, {0x05, 0x00}, {0x80, 0x00}, {}}}},
        {"P0133", {Seg{0x26, {0x00, 0x80}, {0x80, 0x00}, {}}}}},
       {kDef, kCountAt}},
      {honda::kParser,
       honda::Table(),
       honda::TableParams(),
       {{"P0420",
         {Seg{0x30, {0x00, 0x00}, {0xFF, 0xFF}, {}}, Seg{0x38, {0xFF, 0x00}, {0xFF, 0xFF}, {}}}}},
       {kDef, kState, kSize, kCountAt}},
      {tricore::kParser,
       tricore::Table(),
       tricore::TableParams(),
       {{"P0420",
         {Seg{0x40, {0x01, 0x00}, {0xFF, 0xFD}, {}}, Seg{0x48, {0x34, 0x12}, {0xFF, 0xFD}, {}}}},
        {"P0101", {Seg{0x4C, {0xFD, 0xFF}, {0xFF, 0xFD}, {}}}}},
       {kDef, kState, kSize, kCountAt}},
      // Writing the disabled value does not make a GT3 code read as disabled.
      {gt3::kParser,
       gt3::Table(),
       gt3::TableParams(),
       {{"P0420", {Seg{0x40, {0x01}, {0x0F}, {}}, Seg{0x42, {0x0F}, {0x0F}, {}}}},
        {"P0101", {Seg{0x43, {0x00}, {0x0F}, {}}}}},
       {kDef, kState, kSize, kCountAt},
       nullptr,
       false},
      // (0x22 - 0x10) / 4 = 4 entries; the remainder is dropped.
      {simos::kParser,
       simos::Table(),
       simos::TableParams(),
       {{"P0420", {Seg{0x40, {0x01}, {0x00}, {}}, Seg{0x42, {0x05}, {0x00}, {}}}},
        {"P0101", {Seg{0x43, {0x02}, {0x00}, {}}}}},
       {kDef, kState, kSize, kEnd}},
      {porsche::kParser,
       porsche::Table(),
       porsche::TableParams(),
       {{"P0420", {Seg{0x40, {0x03}, {0x00}, {}}, Seg{0x42, {0x01}, {0x00}, {}}}}},
       {kDef, kState, kSize, kEnd}},
      {nissan::kParser,
       nissan::Table(),
       nissan::TableParams(),
       {{"P0420", {Seg{0x80, {0x08}, {0x00}, {0x08}}, Seg{0x80, {0x80}, {0x00}, {0x80}}}}},
       {kDef, kState, kSize, kEnd}},
      {ford::kParser,
       ford::Table(),
       ford::TableParams(),
       {{"P0420", {Seg{0x180, {0x07}, {0x00}, {}}, Seg{0x182, {0x01}, {0x00}, {}}}}},
       {kDef, kSize, kEnd}},
      {motorola::kParser,
       motorola::Table(),
       motorola::TableParams(),
       {{"P0420", {Seg{0x20010, {0x01}, {0x00}, {}}, Seg{0x20020, {0x03}, {0x00}, {}}}},
        {"PC100", {Seg{0x2001C, {0x02}, {0x00}, {}}}}},
       {kDef, "dtc_count", kSize},
       motorola::Hc16()},
      {dsg::kParser,
       dsg::Table(),
       dsg::TableParams(),
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
  const ParseResult result = ParseWith(n55::kParser, n55::Table(), n55::TableParams("0x30"));
  EXPECT_TRUE(result.ok);
  EXPECT_TRUE(result.toggles.empty());
}

TEST(DTCCountedTableTest, IgnoreRangesFromTheDefinitionAreHonoured) {
  const ParseResult honda =
      ParseWith(honda::kParser, honda::Table(),
                honda::TableParams("<dtc_ignore_ranges><dtc_ignore_range start_address=\"0x20\""
                                   " end_address=\"0x30\"/></dtc_ignore_ranges>"));
  EXPECT_THAT(Segments(honda.toggles.at("P0420")),
              ElementsAre(Seg{0x38, {0xFF, 0x00}, {0xFF, 0xFF}, {}}));

  const ParseResult tricore =
      ParseWith(tricore::kParser, tricore::Table(),
                tricore::TableParams("<dtc_ignore_ranges><dtc_ignore_range start_address=\"0x48\""
                                     " end_address=\"0x4B\"/></dtc_ignore_ranges>"));
  EXPECT_THAT(Segments(tricore.toggles.at("P0420")),
              ElementsAre(Seg{0x40, {0x01, 0x00}, {0xFF, 0xFD}, {}}));
  EXPECT_EQ(tricore.toggles.count("P0101"), 1u);

  // Bounds given as child elements.
  const ParseResult gt3 = ParseWith(
      gt3::kParser, gt3::Table(),
      gt3::TableParams("<dtc_ignore_ranges><dtc_ignore_range><start_address>0x42</start_address>"
                       "<end_address>0x43</end_address></dtc_ignore_range></dtc_ignore_ranges>"));
  EXPECT_THAT(Names(gt3.toggles), ElementsAre("P0420"));
  EXPECT_EQ(gt3.toggles.at("P0420").GetToggleStateDefinitionSegments().size(), 1u);
}

TEST(VolkswagenSimosDTCParserTest, IgnoreRangeBoundsAreInclusive) {
  const char kRange[] =
      "<dtc_ignore_ranges><dtc_ignore_range start_address=\"0x100\" end_address=\"0x1FF\"/>"
      "</dtc_ignore_ranges>";
  // States at 0x1FE, 0x1FF, 0x200, 0x201: the first two lie in the range.
  const ParseResult high =
      ParseWith(simos::kParser, simos::Table(0x1FE), simos::TableParams(0x1FE, "0x20", kRange));
  EXPECT_THAT(Names(high.toggles), ElementsAre("P0101", "P0420"));
  EXPECT_THAT(Segments(high.toggles.at("P0420")), ElementsAre(Seg{0x200, {0x05}, {0x00}, {}}));
  // States at 0xFE, 0xFF, 0x100, 0x101: the last two lie in the range.
  const ParseResult low =
      ParseWith(simos::kParser, simos::Table(0xFE), simos::TableParams(0xFE, "0x20", kRange));
  EXPECT_THAT(Names(low.toggles), ElementsAre("P0420"));
  EXPECT_THAT(Segments(low.toggles.at("P0420")), ElementsAre(Seg{0xFE, {0x01}, {0x00}, {}}));
}

TEST(DTCCountedTableTest, EndAddressBoundsTheTable) {
  // An end at or before the start is an empty table; an end that splits an
  // entry fails where the family needs whole entries.
  EXPECT_TRUE(
      ParseWith(simos::kParser, simos::Table(), simos::TableParams(0x40, "0x0C")).toggles.empty());
  const ParseResult porsche =
      ParseWith(porsche::kParser, porsche::Table(), porsche::TableParams("0x04"));
  EXPECT_TRUE(porsche.ok);
  EXPECT_TRUE(porsche.toggles.empty());
  for (const char* end : {"0x10", "0x2F", "0x08"}) {
    EXPECT_FALSE(ParseWith(nissan::kParser, nissan::Table(), nissan::TableParams(end)).ok) << end;
  }
  EXPECT_FALSE(ParseWith(ford::kParser, ford::Table(), ford::TableParams("0x17")).ok);
  EXPECT_TRUE(ParseWith(ford::kParser, ford::Table(), ford::TableParams("0")).ok)
      << "an empty list is consistent";
}

TEST(SubaruMotorolaDTCParserTest, NoTranslatorFailsCleanly) {
  const ParseResult result =
      ParseWith(motorola::kParser, motorola::Table(), motorola::TableParams(), nullptr);
  EXPECT_FALSE(result.ok);
  EXPECT_TRUE(result.toggles.empty());
}

TEST(VolkswagenDSGDTCParserTest, BlockCountBoundsTheBlocks) {
  const auto names = [](const char* blocks) {
    return Names(ParseWith(dsg::kParser, dsg::Table(), dsg::TableParams(blocks)).toggles);
  };
  EXPECT_TRUE(names("0").empty());
  EXPECT_THAT(names("1"), ElementsAre("P0101", "P0420"));
  EXPECT_THAT(names("3"), ElementsAre("P0101", "P0222", "P0420"));
  // A huge count finishes: only blocks with parameters are looked at.
  EXPECT_THAT(names("0xFFFFFFFF"), ElementsAre("P0101", "P0222", "P0420"));
}

}  // namespace
