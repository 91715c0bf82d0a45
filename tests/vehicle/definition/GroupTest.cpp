#include "vehicle/definition/Group.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <tuple>

#include "ArchiveTestSupport.h"

namespace {

using vehicle::Group;
using vehicle::GroupHash;

struct Groups {
  explicit Groups(const std::string& xml) {
    doc.Parse(xml.c_str());
    ok = vehicle::ReadHashData(doc.RootElement(), store, error);
  }
  std::shared_ptr<Group> operator[](const std::string& id) { return store.findData(id); }
  TiXmlDocument doc;
  GroupHash store;
  std::string error;
  bool ok = false;
};

TEST(GroupTest, TypeWordIgnoresCaseAndUnknownWordsAreInvalid) {
  Groups g(R"(<d><group id="a" type="Monitor"/><group id="b"><type>LIST</type></group>
              <group id="c" type="tables"/><group id="d"/>
              <group id="outer" type="table"><group id="ok" type="table"/><group id="bad"/></group>
              </d>)");
  ASSERT_TRUE(g.ok);
  EXPECT_EQ(std::make_tuple(g["a"]->GetGroupType(), g["b"]->GetGroupType(), g["c"]->GetGroupType(),
                            g["d"]->GetGroupType()),
            std::make_tuple(vehicle::GROUP_MONITOR, vehicle::GROUP_LIST, vehicle::GROUP_INVALID,
                            vehicle::GROUP_INVALID));
  // "outer" fails for its invalid sub-group.
  EXPECT_EQ(std::make_tuple(g["a"]->Validate(), g["d"]->Validate(), g["outer"]->Validate()),
            std::make_tuple(0, 15, 15));
  Group no_id;
  no_id.SetGroupType(vehicle::GROUP_TABLE);
  EXPECT_EQ(no_id.Validate(), 1);
}

TEST(GroupTest, SubGroupsNestAndKnowTheirParent) {
  Groups g(R"(<d><group id="top" type="table">
                <group id="mid" type="table"><group id="leaf" type="list"/></group>
              </group></d>)");
  ASSERT_TRUE(g.ok);
  auto top = g["top"];
  auto mid = top->GetSubGroups().findData("mid");
  EXPECT_EQ(mid->GetParent(), top.get());
  EXPECT_EQ(mid->GetSubGroups().findData("leaf")->GetParent(), mid.get());
  EXPECT_EQ(top->GetParent(), nullptr);
  EXPECT_FALSE(g.store.dataExists("mid"));
}

TEST(GroupTest, RepeatedIdsRefineOneGroup) {
  Groups g(R"(<d><group id="a" type="table"><group id="s1" type="table"/></group>
              <group id="a" type="monitor"><group id="s2" type="table"/></group></d>)");
  ASSERT_EQ(g.store.size(), 1u);
  EXPECT_EQ(g["a"]->GetGroupType(), vehicle::GROUP_MONITOR);
  EXPECT_EQ(g["a"]->GetSubGroups().size(), 2u);
}

TEST(GroupTest, FindGroupSearchesSubGroupsAndMatchesKind) {
  Groups g(R"(<d><group id="a" type="table"><group id="deep" type="monitor"/></group>
              <group id="b" type="table"/></d>)");
  std::shared_ptr<Group> found;
  EXPECT_TRUE(vehicle::FindGroup(g.store, "deep", vehicle::GROUP_MONITOR, found));
  EXPECT_EQ(found, g["a"]->GetSubGroups().findData("deep"));
  std::shared_ptr<Group> untouched = g["b"];
  EXPECT_FALSE(vehicle::FindGroup(g.store, "deep", vehicle::GROUP_TABLE, untouched));
  EXPECT_EQ(untouched, g["b"]);
  EXPECT_FALSE(vehicle::FindGroup(g.store, "nowhere", vehicle::GROUP_TABLE, untouched));
  EXPECT_TRUE(vehicle::FindGroup(g.store, "b", vehicle::GROUP_TABLE, found));
  EXPECT_EQ(found, g["b"]);
}

TEST(GroupTest, ResolveReferencesSharesTopLevelTableGroupsOnly) {
  Groups g(R"(<d><group id="outer" type="list"><group id="t" type="table"/>
                <group id="m" type="monitor"/></group>
              <group id="t" type="table"/><group id="m" type="monitor"/></d>)");
  auto outer = g["outer"];
  EXPECT_FALSE(outer->ResolveReferences(g.store));
  EXPECT_EQ(outer->GetSubGroups().findData("t"), g["t"]);
  EXPECT_NE(outer->GetSubGroups().findData("m"), g["m"]);

  Groups only_tables(R"(<d><group id="o" type="list"><group id="t" type="table"/></group>
                        <group id="t" type="table"/></d>)");
  EXPECT_TRUE(only_tables["o"]->ResolveReferences(only_tables.store));
}

TEST(GroupTest, CyclicReferencesAfterResolutionTerminate) {
  // "a" names itself as a sub-group; resolution makes the group its own child.
  Groups g(R"(<d><group id="a" type="table"><group id="a" type="table"/>
              <group id="b" type="table"/></group><group id="b" type="table">
              <group id="a" type="table"/></group></d>)");
  EXPECT_TRUE(g["a"]->ResolveReferences(g.store));
  EXPECT_TRUE(g["b"]->ResolveReferences(g.store));
  EXPECT_EQ(g["a"]->GetSubGroups().findData("a"), g["a"]);
  EXPECT_EQ(g["a"]->Validate(), 0);
  std::shared_ptr<Group> found;
  EXPECT_FALSE(vehicle::FindGroup(g.store, "missing", vehicle::GROUP_TABLE, found));
  // Break the cycles so the groups can be released.
  g["a"]->GetSubGroups().clear();
  g["b"]->GetSubGroups().clear();
}

TEST(GroupTest, NestingDepthIsBounded) {
  const int depth = 3 * Group::kMaxNestingDepth;
  std::string xml = "<d>";
  for (int i = 0; i < depth; ++i)
    xml += "<group id=\"g" + std::to_string(i) + "\" type=\"table\">";
  for (int i = 0; i < depth; ++i)
    xml += "</group>";
  xml += "</d>";
  Groups g(xml);
  EXPECT_TRUE(g.ok);
  EXPECT_FALSE(g.error.empty());
  int levels = 0;
  for (std::shared_ptr<Group> group = g["g0"]; group; ++levels) {
    auto& subs = group->GetSubGroups();
    group = subs.empty() ? nullptr : subs.begin()->second;
  }
  EXPECT_EQ(levels, Group::kMaxNestingDepth + 1);
  EXPECT_EQ(g["g0"]->Validate(), 0);
}

TEST(GroupTest, SerializesIdTypeAndSubGroups) {
  Groups g(R"(<d><group id="a" type="monitor"><group id="s" type="list"/></group></d>)");
  std::shared_ptr<Group> copy;
  ArchiveRoundTrip(g["a"], copy);
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->GetObjId(), "a");
  EXPECT_EQ(copy->GetGroupType(), vehicle::GROUP_MONITOR);
  EXPECT_EQ(copy->GetSubGroups().findData("s")->GetGroupType(), vehicle::GROUP_LIST);
}

}  // namespace
