#include "outside/FloatFormatParser.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <utility>

namespace {

using util::FloatFormatParser;

TEST(FloatFormatParserTest, AcceptedFormatsAndTheirDigits) {
  const std::pair<const char*, int> cases[] = {
      {"%.0f", 0},  {"%0.2f", 2},       {"%e", 6},         {"%g", 6},       {"%i", 0},   {"%u", 0},
      {"%x", 0},    {"%o", 0},          {"%% %d", 0},      {"%5.1f", 1},    {"%f", 6},   {"%.f", 0},
      {"%lf", 6},   {"%-+ #012.3f", 3}, {"%.3E", 3},       {"%.0g", 1},     {"%.4G", 4}, {"%d", 0},
      {"%#06X", 0}, {"%.2f %%", 2},     {"AFR %.1f:1", 1}, {"%64.32f", 32},
  };
  for (const auto& c : cases) {
    EXPECT_TRUE(FloatFormatParser::IsValidFormat(c.first)) << c.first;
    EXPECT_EQ(c.second, FloatFormatParser::GetDigitsAfterDecimal(c.first)) << c.first;
  }
}

TEST(FloatFormatParserTest, RejectedFormatsHaveNoDigits) {
  for (const std::string format :
       {"",    "abc", "%%",  "%",    "%.2",   "%.2f%d",        "%f %f", "%s",   "%n",   "%c",
        "%p",  "%a",  "%*d", "%.*f", "%Lf",   "%hd",           "%ld",   "%lld", "%llf", "%zd",
        "%jd", "%q",  "%#d", "%65f", "%.33f", "%99999999999f", "%1$f"}) {
    EXPECT_FALSE(FloatFormatParser::IsValidFormat(format)) << format;
    EXPECT_EQ(0, FloatFormatParser::GetDigitsAfterDecimal(format)) << format;
  }
  EXPECT_FALSE(FloatFormatParser::IsValidFormat(std::string("%f\0%s", 5)));
}

TEST(FloatFormatParserTest, FormatsWithoutTruncating) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const struct {
    const char* format;
    double value;
    const char* expected;
  } cases[] = {
      {"%5.1f C", 12.34, " 12.3 C"},
      {"%d%%", 50, "50%"},
      {"%d", 2.6, "3"},
      {"%d", -2.5, "-3"},
      {"%04X", 10, "000A"},
      {"%#x", 16, "0x10"},
      {"%u", -1, "18446744073709551615"},
      {"%d", 1e30, "1e+30"},
      {"%5d", nan, "  nan"},
      {"%d", -std::numeric_limits<double>::infinity(), "-inf"},
      {"%.3d", 5, "005"},
      {"%s", 1.5, "1.5"},
      {"", 0.25, "0.25"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.expected, FloatFormatParser::Format(c.format, c.value)) << c.format;

  // Long output is not truncated.
  const std::string text = FloatFormatParser::Format("%.2f", 1e300);
  ASSERT_EQ(304u, text.size());
  EXPECT_EQ(".00", text.substr(301));
  EXPECT_EQ('1', text[0]);
}

}  // namespace
