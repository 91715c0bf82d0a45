#include "import/SourceValues.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace import;

TEST(SourceValuesTest, AddressesByteStringsAndSizes) {
  const struct {
    const char* text;
    bool ok;
    uint32_t value;
  } cases[] = {{"1a2B", true, 0x1A2B},  {" 0x10 ", true, 0x10}, {"FFFFFFFF", true, 0xFFFFFFFF},
               {"100000000", false, 0}, {"0x", false, 0},       {"", false, 0},
               {"12g", false, 0},       {"-1", false, 0}};
  for (const auto& c : cases) {
    uint32_t value = 0;
    EXPECT_EQ(ParseHexAddress(c.text, value), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(value, c.value) << c.text;
    }
  }

  // Byte strings and sizes.
  const struct {
    const char* text;
    std::vector<uint8_t> bytes;  // empty: refused
  } byte_cases[] = {{"01 02", {1, 2}}, {"0102", {1, 2}}, {"1 0xff", {1, 255}},
                    {"012", {}},       {"zz", {}},       {"", {}}};
  for (const auto& c : byte_cases) {
    std::vector<uint8_t> bytes;
    EXPECT_EQ(ParseHexBytes(c.text, bytes), !c.bytes.empty()) << c.text;
    EXPECT_EQ(bytes, c.bytes) << c.text;
  }
  std::string error;
  uint32_t size = 0;
  EXPECT_TRUE(ReadSize("16", "t", size, error));
  EXPECT_EQ(size, 16u);
  for (const char* bad : {"0", "65537", "4294967296", "sixteen"})
    EXPECT_FALSE(ReadSize(bad, "t", size, error)) << bad;
  EXPECT_EQ(size, 16u);
}

TEST(SourceValuesTest, NumbersAreWrittenShortAndReadBackExactly) {
  EXPECT_EQ(ExactText(0.1), "0.1");
  EXPECT_EQ(ExactText(-10), "-10");
  EXPECT_EQ(ExactText(6.103515625e-05), "0.00006103515625");
  for (double value : {1.0 / 3, 1e300, -3.4028234663852886e38, 5e-324})
    EXPECT_EQ(std::strtod(ExactText(value).c_str(), nullptr), value) << ExactText(value);
}

}  // namespace
