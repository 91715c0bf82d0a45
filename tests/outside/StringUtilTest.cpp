#include "outside/StringUtil.h"

#include <gtest/gtest.h>

namespace {

TEST(StringUtilTest, LowersAsciiLettersOnly) {
  EXPECT_EQ("subaru-09 wrx_sti", StringUtil::ToLower_Copy("SUBARU-09 Wrx_STI"));
  EXPECT_EQ("", StringUtil::ToLower_Copy(""));
  // Bytes outside ASCII (here UTF-8 for "Ä") pass through unchanged.
  EXPECT_EQ("\xC3\x84x", StringUtil::ToLower_Copy("\xC3\x84X"));
  const std::string original = "ABC";
  EXPECT_EQ("abc", StringUtil::ToLower_Copy(original));
  EXPECT_EQ("ABC", original);
}

}  // namespace
