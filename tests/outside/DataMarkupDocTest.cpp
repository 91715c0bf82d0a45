#include "outside/DataMarkupDoc.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;
using vexa_xml::DataMarkupDoc;

const std::string kDir = std::string(ECUCAL_TEST_DATA_DIR) + "/outside";

// Text of the "where" attribute of the root element, or "?" when there is none.
std::string Where(const DataMarkupDoc& doc) {
  const TiXmlElement* root = doc.RootElement();
  const char* where = root != nullptr ? root->Attribute("where") : nullptr;
  return where != nullptr ? where : "?";
}

TEST(DataMarkupDocTest, InnermostLiveDocumentDecides) {
  std::string error;
  DataMarkupDoc top;
  ASSERT_TRUE(top.InitFromFile(kDir + "/top.xml", error));
  EXPECT_EQ(kDir + "/top.xml", top.GetFilePath());
  EXPECT_EQ(top.GetFilePath(), top.ValueStr());
  DataMarkupDoc leaf;
  ASSERT_TRUE(leaf.InitFromFile("leaf.xml", error)) << error;
  EXPECT_EQ("top", Where(leaf));
  // Absolute paths are taken as they are; loading again replaces the content.
  ASSERT_TRUE(leaf.InitFromFile(kDir + "/sub/grand/leaf.xml", error)) << error;
  EXPECT_EQ("grand", Where(leaf));
  EXPECT_EQ(kDir + "/sub/grand/leaf.xml", leaf.GetFilePath());
}

TEST(DataMarkupDocTest, OutOfOrderDestructionLeavesTheRestInPlace) {
  std::string error;
  auto top = std::make_unique<DataMarkupDoc>();
  ASSERT_TRUE(top->InitFromFile(kDir + "/top.xml", error));
  auto child = std::make_unique<DataMarkupDoc>();
  ASSERT_TRUE(child->InitFromFile("sub/child.xml", error));
  auto grand = std::make_unique<DataMarkupDoc>();
  ASSERT_TRUE(grand->InitFromFile("grand/leaf.xml", error));

  child.reset();  // not the innermost
  EXPECT_EQ(kDir + "/sub/grand/x.xml", DataMarkupDoc::ResolvePath("x.xml"));
  grand.reset();
  EXPECT_EQ(kDir + "/x.xml", DataMarkupDoc::ResolvePath("x.xml"));
  top.reset();
  EXPECT_EQ("x.xml", DataMarkupDoc::ResolvePath("x.xml"));
}

TEST(DataMarkupDocTest, RelativeToCwdOptionIgnoresLiveDocuments) {
  std::string error;
  DataMarkupDoc top;
  ASSERT_TRUE(top.InitFromFile(kDir + "/top.xml", error));
  DataMarkupDoc other;
  EXPECT_FALSE(other.InitFromFile("leaf.xml", error, vexa_xml::XML_LOAD_RELATIVE_TO_CWD));
  EXPECT_NE(std::string::npos, error.find("\"leaf.xml\"")) << error;
}

// The error is appended and placed even with a tab size of 0, where TinyXML
// counts no positions; the setting must survive the retry.
TEST(DataMarkupDocTest, ParseErrorNamesFileLineAndColumn) {
  for (int tab_size : {4, 0}) {
    std::string error = "earlier\n";
    DataMarkupDoc doc;
    doc.SetTabSize(tab_size);
    EXPECT_FALSE(doc.InitFromFile(kDir + "/malformed.xml", error));
    EXPECT_EQ(0u, error.find("earlier\n")) << "text must be appended";
    EXPECT_NE(std::string::npos, error.find(kDir + "/malformed.xml")) << error;
    EXPECT_NE(std::string::npos, error.find("line 3, column 3")) << error;
    EXPECT_EQ('\n', error.back());
    EXPECT_EQ(nullptr, doc.FirstChildElement("vehicledef"));
    EXPECT_TRUE(doc.GetFilePath().empty());
    ASSERT_TRUE(doc.InitFromFile(kDir + "/top.xml", error)) << error;
    // Written on line 2; with nothing counted it stays at 1.
    EXPECT_EQ(tab_size == 0 ? 1 : 2, doc.FirstChildElement("vehicledef")->Row());
  }
}

TEST(DataMarkupDocTest, UnreadableFilesFailCleanly) {
  struct Case {
    std::string path;
    std::string reason;
  };
  const Case cases[] = {{kDir + "/missing.xml", "no such file"},
                        {kDir + "/sub", "not a regular file"},
                        {kDir + "/empty.xml", "empty"},
                        {"", "empty file path"}};
  for (const Case& c : cases) {
    std::string error;
    DataMarkupDoc doc;
    EXPECT_FALSE(doc.InitFromFile(c.path, error)) << c.path;
    EXPECT_NE(std::string::npos, error.find(c.reason)) << error;
    EXPECT_EQ(nullptr, doc.FirstChild());
  }
}

class DataMarkupDocTempTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("ecucal_outside_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  std::string Write(const std::string& name, const std::string& bytes) {
    const fs::path path = dir_ / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
  }
  fs::path dir_;
};

TEST_F(DataMarkupDocTempTest, OversizedFileAndNulByteAreRefused) {
  const std::string big = Write("big.xml", "<a/>");
  fs::resize_file(big, DataMarkupDoc::kMaxFileBytes + 1);  // sparse, nothing is written
  const std::string nul = Write("nul.xml", std::string("<a/>\0<b/>", 9));
  for (const auto& c : {std::make_pair(big, "larger than"), std::make_pair(nul, "NUL")}) {
    std::string error;
    DataMarkupDoc doc;
    EXPECT_FALSE(doc.InitFromFile(c.first, error));
    EXPECT_NE(std::string::npos, error.find(c.second)) << error;
  }
}

// Nesting is counted as TinyXML would nest: markup inside comments, CDATA, quoted values and
// unknown items does not count, and neither do self-closed or closed elements.
TEST_F(DataMarkupDocTempTest, NestingDeeperThanTheLimitIsRefused) {
  const size_t limit = DataMarkupDoc::kMaxNestingDepth;
  const auto nested = [](size_t levels, const std::string& inner) {
    std::string text;
    for (size_t i = 0; i < levels; ++i)
      text += "<e a=\"x\">";
    text += inner;
    for (size_t i = 0; i < levels; ++i)
      text += "</e>";
    return text;
  };
  const std::string many_siblings = nested(limit / 2, "") + nested(limit / 2, "");
  std::string hostile;  // deep enough to overflow TinyXML's recursion
  for (int i = 0; i < 100000; ++i)
    hostile += "<a>";
  struct Case {
    const char* name;
    std::string text;
    bool loads;
  } cases[] = {
      {"at_limit", nested(limit, ""), true},
      {"one_deeper", nested(limit + 1, ""), false},
      {"self_closed_at_limit", nested(limit - 1, "<leaf b='/>'/>"), true},
      {"markup_in_comment_cdata_quotes",
       nested(limit - 1, "<!-- <a><a> --><![CDATA[<a><a>]]><q v=\"<a><a>\" w='<a>'/>"), true},
      {"unknown_item_holds_quote", "<!DOCTYPE \">" + nested(limit + 1, "") + "\">", false},
      {"siblings_do_not_add_up", "<r>" + many_siblings + many_siblings + "</r>", true},
      {"hostile_depth", hostile, false},
  };
  for (const Case& c : cases) {
    std::string error;
    DataMarkupDoc doc;
    EXPECT_EQ(c.loads, doc.InitFromFile(Write(std::string(c.name) + ".xml", c.text), error))
        << c.name << ": " << error;
    if (!c.loads) {
      EXPECT_NE(std::string::npos, error.find("nested deeper than")) << c.name << ": " << error;
    }
  }
}

TEST(DataMarkupDocOptionsTest, LineEndsAndWhitespace) {
  std::string error;
  DataMarkupDoc condensed;
  ASSERT_TRUE(condensed.InitFromFile(kDir + "/crlf.xml", error)) << error;
  const TiXmlElement* note = condensed.FirstChildElement("vehicledef")->FirstChildElement("note");
  ASSERT_NE(nullptr, note);
  EXPECT_STREQ("a b", note->GetText());

  const bool before = TiXmlBase::IsWhiteSpaceCondensed();
  DataMarkupDoc preserved;
  ASSERT_TRUE(
      preserved.InitFromFile(kDir + "/crlf.xml", error, vexa_xml::XML_LOAD_PRESERVE_WHITESPACE));
  EXPECT_STREQ("a   b",
               preserved.FirstChildElement("vehicledef")->FirstChildElement("note")->GetText());
  EXPECT_EQ(before, TiXmlBase::IsWhiteSpaceCondensed());
}

}  // namespace
