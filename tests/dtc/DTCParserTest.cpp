#include "dtc/DTCParser.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>

#include "DTCTestSupport.h"
#include "dtc/FordInfineonDTCParser.h"

using dtctest::ImageBuilder;
using dtctest::Params;
using dtctest::ParamsFromXml;
using dtctest::ParseWith;

namespace {

TEST(DTCParserTest, NameTakesSystemLetterFromTopBits) {
  const struct {
    uint8_t high, low;
    const char* name;
  } cases[] = {
      {0x04, 0x20, "P0420"}, {0xC1, 0x00, "U0100"}, {0x40, 0x01, "C0001"},
      {0x80, 0xFF, "B00FF"}, {0xFF, 0xFF, "U3FFF"}, {0x3F, 0x0A, "P3F0A"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DTCParser::FormatDTCName(c.high, c.low), c.name);
  }
}

TEST(DTCParserTest, InfineonBytesAreLowByteFirst) {
  const unsigned char bytes[] = {0x20, 0x44};
  std::string out = "unchanged";
  ecu::ford::infineon_pcode_bytes_to_str(bytes, out);
  EXPECT_EQ(out, "C0420");
  std::string kept = "unchanged";
  ecu::ford::infineon_pcode_bytes_to_str(nullptr, kept);
  EXPECT_EQ(kept, "unchanged");
}

TEST(DTCParserTest, ParameterAttributeWinsOverChildText) {
  TiXmlElement both = ParamsFromXml(
      "<dtc_parser_params dtc_struct_size=\"8\"><dtc_struct_size>0x14</dtc_struct_size>"
      "</dtc_parser_params>");
  EXPECT_EQ(DTCParser::ReadParamNumber(both, DTCParser::DTC_STRUCT_SIZE), 8u);

  TiXmlElement child = ParamsFromXml(
      "<dtc_parser_params><dtc_struct_size>0x14</dtc_struct_size></dtc_parser_params>");
  EXPECT_EQ(DTCParser::ReadParamNumber(child, DTCParser::DTC_STRUCT_SIZE), 0x14u);
  EXPECT_EQ(DTCParser::ReadParamNumber(child, DTCParser::DTC_COUNT), 0u);

  TiXmlElement octal = Params({{"dtc_count", "010"}, {"dtc_struct_size", "12abc"}});
  EXPECT_EQ(DTCParser::ReadParamNumber(octal, DTCParser::DTC_COUNT), 8u);
  EXPECT_EQ(DTCParser::ReadParamNumber(octal, DTCParser::DTC_STRUCT_SIZE), 12u);
}

TEST(DTCParserTest, ChildTextParameterPassesValidation) {
  // BMW N54 requires the definition address and a struct size above 0.
  auto parser = dtc::MakeParser("BMW_N54_DTC_PARSER");
  ASSERT_TRUE(parser);
  TiXmlElement params = ParamsFromXml(
      "<dtc_parser_params dtc_definition_address=\"0\">"
      "<dtc_struct_size>0x14</dtc_struct_size></dtc_parser_params>");
  EXPECT_TRUE(parser->ValidateConfigXML(params));
  EXPECT_TRUE(parser->GetErrors().empty());
}

TEST(DTCParserTest, EachFailedCheckAddsOneEntry) {
  const char kIsoCan[] = "SUBARU_HITACHI_ISOCAN_DTC_PARSER";
  const char kN55[] = "BMW_N55_DTC_PARSER";
  const char kHitachi[] = "SUBARU_HITACHI_DTC_PARSER";
  const struct {
    const char* parser;
    std::vector<std::pair<std::string, std::string>> params;
    std::size_t errors;  // 0: valid
  } cases[] = {
      // The ISO-CAN family requires count, definition address and state address.
      {kIsoCan, {{"dtc_count", "0"}}, 3},
      {kIsoCan,
       {{"dtc_count", "0x10"}, {"dtc_definition_address", "0"}, {"dtc_enabled_state_address", "0"}},
       0},
      // A count address must not be negative.
      {kN55, {{"dtc_definition_address", "0"}, {"dtc_count_address", "0xFFFFFFFF"}}, 1},
      {kN55, {{"dtc_definition_address", "0"}, {"dtc_count_address", "0x7FFFFFFF"}}, 0},
      // Definition address, state address, struct size, then the family's "dtc_pcode_idx".
      {kHitachi, {}, 4},
      {kHitachi,
       {{"dtc_definition_address", "0x10"},
        {"dtc_enabled_state_address", "0"},
        {"dtc_struct_size", "4"},
        {"dtc_pcode_idx", "0"}},
       1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.parser);
    auto parser = dtc::MakeParser(c.parser);
    ASSERT_TRUE(parser);
    TiXmlElement none = Params({});
    EXPECT_FALSE(parser->ValidateConfigXML(none));  // the list is emptied on every validation
    TiXmlElement params = Params(c.params);
    EXPECT_EQ(parser->ValidateConfigXML(params), c.errors == 0);
    EXPECT_EQ(parser->GetErrors().size(), c.errors);
    EXPECT_THAT(parser->GetErrors(), testing::Each("Error details hidden in release builds."));
  }
}

TEST(DTCParserTest, FailedValidationLeavesToggleMapAlone) {
  auto parser = dtc::MakeParser("BMW_N54_DTC_PARSER");
  ASSERT_TRUE(parser);
  dtctest::ToggleMap toggles;
  toggles["P0001"].init("P0001", vehicle::Toggle::TOGGLE_TYPE_DTC);
  TiXmlElement params = Params({{"dtc_definition_address", "0"}});
  const dtctest::Image image = ImageBuilder(16).LE16(0, 0x0420).U8(6, 1).image();
  EXPECT_FALSE(parser->Parse(image, toggles, params));
  EXPECT_EQ(dtctest::Names(toggles), std::vector<std::string>{"P0001"});
}

TEST(DTCParserTest, ReadPastImageEndThrowsRangeErrorAndAddressesDoNotWrap) {
  // No terminating zero code: the walk runs into the end of the image.
  TiXmlElement params = Params({{"dtc_definition_address", "0"}, {"dtc_struct_size", "8"}});
  EXPECT_THROW(ParseWith("BMW_N54_DTC_PARSER", ImageBuilder(16, 0x11).image(), params),
               std::out_of_range);
  // 0xFFFFFFFF + 6 would wrap to a small in-image offset in 32 bits.
  TiXmlElement top =
      Params({{"dtc_definition_address", "0xFFFFFFFF"}, {"dtc_struct_size", "0xFFFFFFFF"}});
  EXPECT_THROW(ParseWith("BMW_N54_DTC_PARSER", ImageBuilder(64, 0x01).image(), top),
               std::out_of_range);
}

}  // namespace
