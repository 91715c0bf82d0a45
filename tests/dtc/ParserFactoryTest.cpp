#include "dtc/ParserFactory.h"

#include <gtest/gtest.h>

#include <set>

namespace {

TEST(ParserFactoryTest, UnknownNamesGiveNoParser) {
  EXPECT_FALSE(dtc::MakeParser(""));
  EXPECT_FALSE(dtc::MakeParser("bmw_n54_dtc_parser"));
  EXPECT_FALSE(dtc::MakeParser("BMW_N54_DTC_PARSER "));
}

TEST(ParserFactoryTest, EveryFamilyIsRegisteredWithItsRequiredParameters) {
  const struct {
    const char* name;
    uint32_t flags;
  } families[] = {
      {"SUBARU_HITACHI_DTC_PARSER", 0x0B},
      {"SUBARU_HITACHI_ISOCAN_DTC_PARSER", 0x07},
      {"SUBARU_MOTOROLA_DTC_PARSER", 0x0D},
      {"NISSAN_HITACHI_DTC_PARSER", 0x1B},
      {"FORD_INFINEON_DTC_PARSER", 0x19},
      {"VOLKSWAGEN_TRICORE_DTC_PARSER", 0x2B},
      {"VOLKSWAGEN_TRICORE_DTC_PARSER_GT3", 0x2B},
      {"VOLKSWAGEN_SIMOS_DTC_PARSER", 0x1B},
      {"MAZDA_PPC_DTC_PARSER", 0x01},
      {"MAZDA_SH_DTC_PARSER", 0x01},
      {"PORSCHE_SIMOS_DTC_PARSER", 0x1B},
      {"VOLKSWAGEN_DSG_DTC_PARSER", 0x01},
      {"BMW_N54_DTC_PARSER", 0x09},
      {"BMW_N55_DTC_PARSER", 0x21},
      {"MITSU_HITACHI_DTC_PARSER", 0x01},
      {"HONDA_TRICORE_DTC_PARSER", 0x2B},
      {"TOYOTA_DTC_PARSER", 0x00},
  };
  std::set<std::string> expected;
  for (const auto& family : families) {
    auto parser = dtc::MakeParser(family.name);
    ASSERT_TRUE(parser) << family.name;
    EXPECT_EQ(parser->GetCommonParserFlags(), family.flags) << family.name;
    expected.insert(family.name);
  }
  const auto& names = dtc::RegisteredParserNames();
  EXPECT_EQ(std::set<std::string>(names.begin(), names.end()), expected);
  EXPECT_EQ(names.size(), expected.size());
}

}  // namespace
