#include "outside/Md5.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

TEST(Md5Test, MatchesReferenceVectorsAndTakesNullOnlyForZeroLength) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
      {std::string("a\0b", 3), "70350f6027bce3713f6b76473084309b"},  // every byte counts, NUL too
  };
  for (const auto& c : cases) {
    std::string out = "stale";
    EXPECT_TRUE(pkg::md5Buffer(c.first.data(), c.first.size(), out));
    EXPECT_EQ(c.second, out) << "input \"" << c.first << "\"";
  }
  // Null data is only accepted for zero length.
  std::string out;
  EXPECT_TRUE(pkg::md5Buffer(nullptr, 0, out));
  EXPECT_EQ("d41d8cd98f00b204e9800998ecf8427e", out);
  EXPECT_FALSE(pkg::md5Buffer(nullptr, 4, out));
  EXPECT_TRUE(out.empty());
}

}  // namespace
