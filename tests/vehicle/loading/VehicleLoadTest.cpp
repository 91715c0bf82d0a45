#include <gtest/gtest.h>

#include <string>

#include "vehicle/definition/DataType.h"
#include "vehicle/loading/Vehicle.h"

namespace {

using vehicle::Vehicle;

std::string Fixture(const std::string& name) {
  return std::string(ECUCAL_TEST_DATA_DIR) + "/loading/" + name;
}

struct Loaded {
  explicit Loaded(const std::string& name) {
    vehicle.Load(Fixture(name), error, vexa_xml::XML_LOAD_DEFAULT);
  }
  Vehicle vehicle;
  std::string error;
};

TEST(VehicleLoadTest, IncludesInOtherFoldersAreReadFirstAndRefinedVariantsAndStockName) {
  Loaded l("basic/top.xml");
  const Vehicle& v = l.vehicle;
  ASSERT_TRUE(v.IsLoaded()) << l.error;
  EXPECT_EQ(v.GetLiveRomName(), "TEST_VEHICLE_SD_CF");  // the child's id is ignored
  EXPECT_FLOAT_EQ(v.GetVersion(), 1.1f);
  EXPECT_TRUE(v.IsReadOnly());
  EXPECT_TRUE(v.HasVolatileOnlyRealtimeTables());

  // Three documents, one store: the top document refines the child's RPM.
  ASSERT_EQ(v.GetDataTypes().size(), 3u);
  const auto& rpm = v.GetDataTypes().findData("RPM");
  EXPECT_EQ(rpm->unit, "rpm");
  EXPECT_EQ(rpm->endian, util::ENDIAN_BIG);
  EXPECT_TRUE(v.GetDataTypes().dataExists("GRAND"));

  // Rominfo: the top document's values override the included one's.
  EXPECT_EQ(v.GetRomInfo().GetCPU(), vehicle::CPU_SH7058);
  EXPECT_EQ(v.GetRomInfo().GetProtocol(), vehicle::PROTOCOL_SUBA_SSM_CAN);
  EXPECT_EQ(v.GetRomInfo().GetRomName(), "");

  // Variants come from the first document read that has them: the top one,
  // tested before its includes; bundle ids were not given there.
  std::vector<std::string> variants;
  ASSERT_TRUE(v.GetVehicleVariants(variants));
  EXPECT_EQ(variants, (std::vector<std::string>{"A", "B", "", "C", ""}));
  EXPECT_TRUE(v.GetBundleIds().empty());

  EXPECT_TRUE(v.GetToggleRestrictor().IsRestricted("TG_A"));
  EXPECT_FALSE(v.GetToggleRestrictor().IsRestricted("TG_B"));

  EXPECT_TRUE(v.HasVehicleVariant(vehicle::VARIANT_SD));
  EXPECT_TRUE(v.HasVehicleVariant(vehicle::VARIANT_CF));
  EXPECT_FALSE(v.HasVehicleVariant(vehicle::VARIANT_NONE));
  EXPECT_FALSE(v.HasVehicleVariant(static_cast<vehicle::variant_t>(7)));
  std::string id;
  EXPECT_TRUE(v.GetVariantlessId(id));
  EXPECT_EQ(id, "TEST_VEHICLE");
  EXPECT_EQ(v.GetStockRomName(), "TEST_VEHICLE");
  std::string plain = "PLAIN";
  EXPECT_FALSE(v.RemoveFeatureStrings(plain));
  std::string twice = "A_SD_B_SD";
  EXPECT_TRUE(v.RemoveFeatureStrings(twice));
  EXPECT_EQ(twice, "A_SD_B");  // only the last occurrence
}

TEST(VehicleLoadTest, IncludeCyclesFailWithoutEndlessRecursion) {
  Loaded self("cycle/self.xml");
  EXPECT_FALSE(self.vehicle.IsLoaded());
  EXPECT_NE(self.error.find("cycle"), std::string::npos) << self.error;
  EXPECT_TRUE(self.vehicle.GetDataTypes().dataExists("MINE"));  // the rest still loads

  Loaded ring("cycle/a.xml");
  EXPECT_FALSE(ring.vehicle.IsLoaded());
  EXPECT_TRUE(ring.vehicle.GetDataTypes().dataExists("FROM_A"));
  EXPECT_TRUE(ring.vehicle.GetDataTypes().dataExists("FROM_B"));
  EXPECT_NE(ring.error.find("missing.xml"), std::string::npos) << ring.error;
  EXPECT_NE(ring.error.find("names no document"), std::string::npos) << ring.error;
}

TEST(VehicleLoadTest, BadDocumentsFailCleanly) {
  for (const char* name : {"bad/noid.xml", "bad/wrongroot.xml", "bad/notxml.xml",
                           "bad/noversion.xml", "bad/absent.xml", "bad"}) {
    Loaded l(name);
    EXPECT_FALSE(l.vehicle.IsLoaded()) << name;
    EXPECT_TRUE(l.vehicle.GetDataTypes().empty()) << name;
  }
  Loaded not_xml("bad/notxml.xml");
  EXPECT_NE(not_xml.error.find("notxml.xml"), std::string::npos) << not_xml.error;
  // An included document of another version contributes nothing.
  Loaded version("bad/version.xml");
  EXPECT_FALSE(version.vehicle.IsLoaded());
  EXPECT_TRUE(version.vehicle.GetDataTypes().dataExists("TOP"));
  EXPECT_FALSE(version.vehicle.GetDataTypes().dataExists("CHILD"));
}

}  // namespace
