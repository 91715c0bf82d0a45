#include "util/XmlRead.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

struct Parsed {
  explicit Parsed(const char* xml) { doc.Parse(xml); }
  const TiXmlElement* root() const { return doc.RootElement(); }
  TiXmlDocument doc;
};

TEST(XmlReadTest, SplitListKeepsEmptyEntries) {
  EXPECT_EQ(util::SplitList(" a , b,,c ,"), (std::vector<std::string>{"a", "b", "", "c", ""}));
  EXPECT_EQ(util::SplitList(""), (std::vector<std::string>{""}));
  EXPECT_EQ(util::SplitList("\ta"), (std::vector<std::string>{"\ta"}));  // only spaces trim
}

// The direct node walks must find exactly what TinyXML's own lookups find,
// across text, comments, look-alike names and absent names.
TEST(XmlReadTest, NodeWalksMatchTinyXml) {
  Parsed xml(R"(<e axis="A" ax="B" axis2="C">text<!-- axis --><ax/><axis>1</axis>
                <axis2/><axis>2</axis><other/></e>)");
  const TiXmlElement* e = xml.root();
  ASSERT_NE(e, nullptr);
  for (const char* name : {"axis", "ax", "axis2", "other", "ab", "a", "", "text"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(util::FirstChildElement(e, name), e->FirstChildElement(name));
    const TiXmlElement* first = e->FirstChildElement(name);
    if (first != nullptr) {
      EXPECT_EQ(util::NextSiblingElement(first, name), first->NextSiblingElement(name));
    }
    EXPECT_STREQ(util::FindAttribute(e, name), e->Attribute(name));  // null only with null
  }
  EXPECT_EQ(util::FirstChildElement(nullptr, "axis"), nullptr);
  EXPECT_EQ(util::NextSiblingElement(nullptr, "axis"), nullptr);
  EXPECT_EQ(util::FindAttribute(nullptr, "axis"), nullptr);
  EXPECT_STREQ(util::FindXmlValue(e, "axis"), "A");    // the attribute wins
  EXPECT_EQ(util::FindXmlValue(e, "other"), nullptr);  // child without text
}

// Number lists parsed in place must give what splitting and parsing each
// entry gives, however odd the blanks, signs and entries.
TEST(XmlReadTest, NumberListsMatchSplitThenParse) {
  const char* texts[] = {"1,2,3",   " 0x10 , 010 ,", "",        ",",     " , ",   "\t5,\n6",
                         "-1",      "4294967296",    "12 34,5", "abc,7", "0x1FF", "  ,  ,9",
                         "+3,-0x2", "99999999999"};
  for (const char* text : texts) {
    SCOPED_TRACE(text);
    std::vector<uint32_t> expected_words;
    std::vector<uint8_t> expected_bytes;
    for (const std::string& entry : util::SplitList(text)) {
      expected_words.push_back(util::ParseUnsigned(entry));
      expected_bytes.push_back(static_cast<uint8_t>(util::ParseUnsigned(entry) & 0xFF));
    }
    std::vector<uint32_t> words = {42};  // appended to, not replaced
    util::AppendUnsignedList(text, words);
    expected_words.insert(expected_words.begin(), 42);
    EXPECT_EQ(words, expected_words);
    std::vector<uint8_t> bytes;
    util::AppendByteList(text, bytes);
    EXPECT_EQ(bytes, expected_bytes);
  }
}

TEST(XmlReadTest, Int64ReadsTheLeadingNumber) {
  int64_t i = 0;
  EXPECT_TRUE(util::ParseInt64("-12abc", i));
  EXPECT_EQ(i, -12);
  EXPECT_FALSE(util::ParseInt64("", i));
  EXPECT_EQ(i, -12);
}

}  // namespace
