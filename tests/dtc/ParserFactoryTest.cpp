#include "dtc/ParserFactory.h"

#include <gtest/gtest.h>

namespace {

TEST(ParserFactoryTest, OnlyRegisteredNamesMakeInitialisedParsers) {
  EXPECT_FALSE(dtc::MakeParser(""));
  EXPECT_FALSE(dtc::MakeParser("bmw_n54_dtc_parser"));
  EXPECT_FALSE(dtc::MakeParser("BMW_N54_DTC_PARSER "));
  // Every registered name makes an initialised parser.
  ASSERT_FALSE(dtc::RegisteredParserNames().empty());
  for (const std::string& name : dtc::RegisteredParserNames()) {
    auto parser = dtc::MakeParser(name);
    ASSERT_TRUE(parser) << name;
    EXPECT_NE(parser->GetCommonParserFlags(), 0xFFFFFFFFu) << name;
  }
}

}  // namespace
