#include "vehicle/definition/BaseVehicleDefObj.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <tuple>

#include "util/XmlRead.h"

namespace {

// A minimal definition class: reads one "value" into a text.
class Thing : public vehicle::BaseVehicleDefObj {
 public:
  Thing() : BaseVehicleDefObj("thing") {}
  const char* DebugGetClassName() const override { return "Thing"; }
  vehicle::validate_codes_t Validate() override { return 0; }
  int32_t DoRead(const TiXmlElement*, std::string&, bool) override {
    ++reads;
    util::ReadXmlValue(GetCurrentElement(), "value", value);
    return vehicle::READ_OK;
  }
  std::string value;
  int reads = 0;
};

using Store = util::DataHash<std::string, std::shared_ptr<Thing>>;

// A document read into a store of things.
struct Parsed {
  explicit Parsed(const char* xml) {
    doc.Parse(xml);
    ok = vehicle::ReadHashData(doc.RootElement(), store, error);
  }
  TiXmlDocument doc;
  Store store;
  std::string error;
  bool ok = false;
};

TEST(ReadHashDataTest, InternalFlagIsANumber) {
  Parsed xml(R"(<root><thing id="one" internal="1"/><thing id="word" internal="true"/>
                <thing id="hex" internal="0x10"/><thing id="zero" internal="0"/></root>)");
  const Store& store = xml.store;
  EXPECT_TRUE(xml.ok);
  EXPECT_FALSE(store.dataExists("one"));
  EXPECT_TRUE(store.dataExists("word"));
  EXPECT_FALSE(store.dataExists("hex"));
  EXPECT_TRUE(store.dataExists("zero"));
}

TEST(ReadHashDataTest, MissingIdFailsButLaterElementsAreRead) {
  Parsed xml(R"(<root><thing value="x"/><thing><id>b</id></thing><other id="c"/></root>)");
  Store& store = xml.store;
  EXPECT_FALSE(xml.ok);
  EXPECT_EQ(store.size(), 1u);
  EXPECT_TRUE(store.dataExists("b"));  // id as child element text
#ifndef ECUCAL_DIAGNOSTICS
  EXPECT_TRUE(xml.error.empty());  // details withheld in release builds
#endif
}

// An element without an id after one that refined a stored object must not
// be taken for that object, and the next new id gets an object of its own.
TEST(ReadHashDataTest, MissingIdAfterARefinementIsNotTheRefinedObject) {
  Parsed xml(R"(<root><thing id="a" value="1"/><thing id="a" value="2"/>
                <thing value="3"/><thing id="b" value="4"/></root>)");
  Store& store = xml.store;
  EXPECT_FALSE(xml.ok);
  ASSERT_EQ(store.size(), 2u);
  const auto a = store.findData("a"), b = store.findData("b");
  EXPECT_EQ(std::make_tuple(a->value, a->reads, b->value, b->reads),
            std::make_tuple("2", 2, "4", 1));
}

TEST(ReadHashDataTest, InternalElementMarksStoredObjectWithoutReading) {
  Parsed xml(R"(<root><thing id="a" value="1"/><thing id="a" internal="1" value="2"/></root>)");
  auto thing = xml.store.findData("a");
  EXPECT_TRUE(thing->IsInternalOnly());
  EXPECT_EQ(thing->value, "1");
  EXPECT_EQ(thing->reads, 1);
}

TEST(BaseVehicleDefObjTest, ReadOfNullFailsRestrictedAndLocation) {
  Thing empty;
  std::string error;
  EXPECT_EQ(empty.Read(nullptr, error, false), vehicle::READ_FAILED);
  EXPECT_EQ(empty.reads, 0);

  Parsed xml("<root>\n  <thing id=\"t\" restricted=\"1\"/></root>");
  auto thing = xml.store.findData("t");
  EXPECT_TRUE(thing->IsRestricted());
  EXPECT_EQ(thing->GetTagXMLRow(), 0);  // the loader records no location
  thing->_SaveDebugLocationInfo(thing->GetCurrentElement());
  EXPECT_EQ(thing->GetTagXMLRow(), 2);
  EXPECT_EQ(thing->GetTagXMLColumn(), 3);
}

}  // namespace
