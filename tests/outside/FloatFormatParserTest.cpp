#include "outside/FloatFormatParser.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace {

using util::FloatFormatParser;

struct AcceptCase {
  const char* format;
  int digits;
};

class FloatFormatAcceptTest : public ::testing::TestWithParam<AcceptCase> {};

TEST_P(FloatFormatAcceptTest, AcceptedWithDigits) {
  EXPECT_TRUE(FloatFormatParser::IsValidFormat(GetParam().format)) << GetParam().format;
  EXPECT_EQ(GetParam().digits, FloatFormatParser::GetDigitsAfterDecimal(GetParam().format))
      << GetParam().format;
}

INSTANTIATE_TEST_SUITE_P(
    Formats, FloatFormatAcceptTest,
    ::testing::Values(AcceptCase{"%.0f", 0}, AcceptCase{"%0.2f", 2}, AcceptCase{"%5.1f", 1},
                      AcceptCase{"%f", 6}, AcceptCase{"%.f", 0}, AcceptCase{"%lf", 6},
                      AcceptCase{"%-+ #012.3f", 3}, AcceptCase{"%e", 6}, AcceptCase{"%.3E", 3},
                      AcceptCase{"%g", 6}, AcceptCase{"%.0g", 1}, AcceptCase{"%.4G", 4},
                      AcceptCase{"%d", 0}, AcceptCase{"%i", 0}, AcceptCase{"%u", 0},
                      AcceptCase{"%x", 0}, AcceptCase{"%#06X", 0}, AcceptCase{"%o", 0},
                      AcceptCase{"%.2f %%", 2}, AcceptCase{"%% %d", 0}, AcceptCase{"AFR %.1f:1", 1},
                      AcceptCase{"%64.32f", 32}));

class FloatFormatRejectTest : public ::testing::TestWithParam<std::string> {};

TEST_P(FloatFormatRejectTest, Rejected) {
  EXPECT_FALSE(FloatFormatParser::IsValidFormat(GetParam())) << GetParam();
  EXPECT_EQ(0, FloatFormatParser::GetDigitsAfterDecimal(GetParam())) << GetParam();
}

INSTANTIATE_TEST_SUITE_P(Formats, FloatFormatRejectTest,
                         ::testing::Values("", "abc", "%%", "%", "%.2", "%.2f%d", "%f %f", "%s",
                                           "%n", "%c", "%p", "%a", "%*d", "%.*f", "%Lf", "%hd",
                                           "%ld", "%lld", "%llf", "%zd", "%jd", "%q", "%#d", "%65f",
                                           "%.33f", "%99999999999f", "%1$f",
                                           std::string("%f\0%s", 5)));

struct FormatCase {
  const char* format;
  double value;
  const char* expected;
};

class FloatFormatFormatTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FloatFormatFormatTest, Formats) {
  EXPECT_EQ(GetParam().expected, FloatFormatParser::Format(GetParam().format, GetParam().value))
      << GetParam().format;
}

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Values, FloatFormatFormatTest,
    ::testing::Values(FormatCase{"%.1f", 12.34, "12.3"}, FormatCase{"%.0f", 2.5, "2"},
                      FormatCase{"%5.1f C", 12.34, " 12.3 C"}, FormatCase{"%d%%", 50, "50%"},
                      FormatCase{"%d", 2.6, "3"}, FormatCase{"%d", -2.5, "-3"},
                      FormatCase{"%+d", 7, "+7"}, FormatCase{"%x", 255, "ff"},
                      FormatCase{"%04X", 10, "000A"}, FormatCase{"%#x", 16, "0x10"},
                      FormatCase{"%u", -1, "18446744073709551615"}, FormatCase{"%d", 1e30, "1e+30"},
                      FormatCase{"%5d", kNaN, "  nan"}, FormatCase{"%d", -kInf, "-inf"},
                      FormatCase{"%.3d", 5, "005"}, FormatCase{"%s", 1.5, "1.5"},
                      FormatCase{"", 0.25, "0.25"}));

TEST(FloatFormatParserTest, LongOutputIsNotTruncated) {
  const std::string text = FloatFormatParser::Format("%.2f", 1e300);
  ASSERT_EQ(304u, text.size());
  EXPECT_EQ(".00", text.substr(301));
  EXPECT_EQ('1', text[0]);
}

}  // namespace
