#include "vehicle/definition/CopyGroup.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <string>

namespace {

using vehicle::CopyGroup;
using Store = util::DataHash<std::string, std::shared_ptr<CopyGroup>>;

Store ReadGroups(const std::string& xml) {
  TiXmlDocument doc;
  doc.Parse(xml.c_str());
  Store store;
  std::string error;
  vehicle::ReadHashData(doc.RootElement(), store, error);
  return store;
}

TEST(CopyGroupTest, ReadsCategoriesChildrenAndCopyables) {
  Store store = ReadGroups(R"(<vehicledef>
    <copy_group id="CAT">
      <copy_group id="G1" readonly="1" realtime="0x1">
        <copyable alias="A" table_id="T1" slave_table_id=" T2 , T3 "/>
        <copyable alias="B"/>
        <copyable alias="C" table_id="T4"/>
        <copyable alias="C" table_id="T5"/>
      </copy_group>
      <copy_group id="G2"/>
    </copy_group></vehicledef>)");
  auto& children = store.findData("CAT")->getChildren();
  ASSERT_EQ(children.size(), 2u);
  auto g1 = children.findData("G1");
  EXPECT_TRUE(g1->isReadOnly());
  EXPECT_TRUE(g1->isRealtime());
  ASSERT_EQ(g1->getCopyables().size(), 2u);  // B has no table and is ignored
  CopyGroup::CopyTargets a = g1->GetCopyable("A");
  EXPECT_EQ(a.table_id, "T1");
  EXPECT_EQ(a.slave_table_ids, (std::vector<std::string>{"T2", "T3"}));
  EXPECT_EQ(g1->GetCopyable("C").table_id, "T5");  // the later element wins
  EXPECT_TRUE(g1->GetCopyable("missing").table_id.empty());
  EXPECT_TRUE(g1->GetCopyable("missing").slave_table_ids.empty());

  g1->ChangeTableId("T2", "T9");
  EXPECT_EQ(g1->GetCopyable("A").slave_table_ids, (std::vector<std::string>{"T9", "T3"}));
  g1->ChangeTableId("T1", "T0");
  EXPECT_EQ(g1->GetCopyable("A").table_id, "T0");
}

TEST(CopyGroupTest, ValidationWalksChildren) {
  CopyGroup category;
  EXPECT_EQ(category.Validate(), CopyGroup::CODE_NO_ID);
  category.setCopyGroupID("CAT");
  EXPECT_EQ(category.Validate(), 0);
  auto good = std::make_shared<CopyGroup>();
  good->setCopyGroupID("good");
  category.addChild(good);
  category.addChild(std::make_shared<CopyGroup>());  // no id
  EXPECT_EQ(category.Validate(), CopyGroup::CODE_NO_ID);

  CopyGroup::ConstChildren view;
  category.getChildren(view);
  EXPECT_EQ(view.size(), 2u);
}

TEST(CopyGroupTest, HostileNestingIsCutOff) {
  std::string xml = "<vehicledef>";
  for (int i = 0; i < 200; ++i)
    xml += "<copy_group id=\"g" + std::to_string(i) + "\">";
  for (int i = 0; i < 200; ++i)
    xml += "</copy_group>";
  xml += "</vehicledef>";
  Store store = ReadGroups(xml);
  int depth = 0;
  const Store* level = &store;
  while (!level->empty()) {
    ++depth;
    level = &level->begin()->second->getChildren();
  }
  EXPECT_LE(depth, CopyGroup::kMaxNesting + 1);
  EXPECT_GT(depth, 2);
}

}  // namespace
