#include <gtest/gtest.h>
#include <unistd.h>

#include <boost/archive/archive_exception.hpp>
#include <boost/archive/binary_oarchive.hpp>
#include <boost/serialization/map.hpp>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "vehicle/definition/Axis.h"
#include "vehicle/definition/CopyGroup.h"
#include "vehicle/definition/DataType.h"
#include "vehicle/definition/Group.h"
#include "vehicle/definition/Table.h"
#include "vehicle/definition/XMLToggle.h"
#include "vehicle/loading/Vehicle.h"
#include "vehicle/monitor/Monitor.h"

namespace {

namespace fs = std::filesystem;
using vehicle::Vehicle;

// The archived bytes of one object: equal bytes mean equal stored members.
template <class T>
std::string Bytes(const T& object) {
  std::ostringstream stream;
  {
    boost::archive::binary_oarchive archive(stream, boost::archive::no_header);
    archive << object;
  }
  return stream.str();
}

template <class Store>
void ExpectSameObjects(const Store& xml, const Store& cached, const char* what) {
  ASSERT_EQ(xml.size(), cached.size()) << what;
  for (const auto& entry : xml) {
    ASSERT_TRUE(cached.dataExists(entry.first)) << what << " " << entry.first;
    EXPECT_EQ(Bytes(*entry.second), Bytes(*cached.findData(entry.first)))
        << what << " " << entry.first;
  }
}

class CacheTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("ecucal-cache-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    path_ = (dir_ / "def.xml").string();
    fs::copy_file(std::string(ECUCAL_TEST_DATA_DIR) + "/loading/cache/def.xml", path_);
    xml_.Load(path_, error_, vexa_xml::XML_LOAD_DEFAULT);
    ASSERT_TRUE(xml_.IsLoaded()) << error_;
    ASSERT_TRUE(xml_.Validate(error_)) << error_;
  }
  void TearDown() override { fs::remove_all(dir_); }

  void WriteCache(const std::string& bytes) {
    std::ofstream(path_ + Vehicle::SVX_EXT, std::ios::binary) << bytes;
  }
  std::string ReadCache() {
    std::ifstream file(path_ + Vehicle::SVX_EXT, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
  }

  fs::path dir_;
  std::string path_;
  std::string error_;
  Vehicle xml_;
};

TEST_F(CacheTest, RoundTripKeepsEveryStoredMember) {
  ASSERT_TRUE(xml_.SaveSerializedFile(path_));
  Vehicle cached;
  std::string error;
  cached.Load(path_, error, vexa_xml::XML_LOAD_DEFAULT);
  ASSERT_TRUE(cached.IsLoaded()) << error;

  EXPECT_EQ(cached.GetLiveRomName(), "CACHE_SD");
  EXPECT_EQ(cached.GetVersion(), xml_.GetVersion());
  EXPECT_TRUE(cached.IsReadOnly());
  EXPECT_EQ(cached.GetBundleIds(), xml_.GetBundleIds());
  std::vector<std::string> variants;
  ASSERT_TRUE(cached.GetVehicleVariants(variants));
  EXPECT_EQ(variants, (std::vector<std::string>{"V1", "V2"}));
  EXPECT_EQ(Bytes(cached.GetRomInfo()), Bytes(xml_.GetRomInfo()));
  EXPECT_EQ(cached.GetRomInfo().GetCPU(), vehicle::CPU_HC16);  // the bytes are not all zero

  ExpectSameObjects(xml_.GetDataTypes(), cached.GetDataTypes(), "data type");
  // Only adjustable tables are kept.
  EXPECT_EQ(xml_.GetTables().size(), 2u);
  ASSERT_EQ(cached.GetTables().size(), 1u);
  EXPECT_EQ(Bytes(*cached.GetTables().findData("ADJ")), Bytes(*xml_.GetTables().findData("ADJ")));
  ExpectSameObjects(xml_.GetGroups(), cached.GetGroups(), "group");
  ExpectSameObjects(xml_.GetMonitors(), cached.GetMonitors(), "monitor");
  ExpectSameObjects(xml_.GetCopyGroups(), cached.GetCopyGroups(), "copy group");
  ExpectSameObjects(xml_.GetXMLToggles(), cached.GetXMLToggles(), "toggle");
  EXPECT_EQ(cached.GetParsedToggles().size(), xml_.GetParsedToggles().size());
  EXPECT_EQ(cached.HasRealtimeTables(), xml_.HasRealtimeTables());
  EXPECT_TRUE(cached.GetMonitors().findData("SUM")->IsCompound());
  EXPECT_EQ(cached.GetMonitors().findData("M3")->GetIds(), (std::vector<uint8_t>{0x10, 0x05}));

  // What the cache does not keep comes back at its default.
  EXPECT_EQ(cached.GetRomInfo().GetRomName(), "");
  EXPECT_TRUE(cached.GetRomInfo().GetRomCrcs().empty());
  EXPECT_EQ(cached.GetStockRomName(), "CACHE");  // falls back to the variantless id
  EXPECT_FALSE(xml_.GetDataTypes().findData("LBL")->labels.empty());
  EXPECT_TRUE(cached.GetDataTypes().findData("LBL")->labels.empty());

  // The parser parameters are not kept, so they cannot fail validation now.
  EXPECT_EQ(cached.GetRomInfo().GetDTCParserParams().FirstAttribute(), nullptr);
  std::string validation;
  EXPECT_TRUE(cached.Validate(validation)) << validation;
}

// An axis two tables share is one object after a cache load too, owned by
// the tables once the archive is gone.
TEST_F(CacheTest, SharedAxesStayOneObject) {
  const std::string path = (dir_ / "shared.xml").string();
  std::ofstream(path) << R"(<vehicledef id="SHARED" version="1.1">
  <rominfo cpu="hc16" protocol="suba_ssm_can" flash="suba_ssmiii"/>
  <datatype id="U8" unit="-" endian="big" storage="8" min="0" max="255" format="%.0f">
    <conv type="slope-int" scalar="1" offset="0"/>
  </datatype>
  <group id="G" type="table"/>
  <table id="A1" group="G" adjustable="1">
    <axis id="Z1" type="z" datatype="U8" ram_offset="0xFF00"><dimensions x="4"/></axis>
  </table>
  <table id="A2" group="G" adjustable="1">
    <axis id="Z2" type="z" datatype="U8" ram_offset="0xFF00"><dimensions x="4"/></axis>
  </table>
</vehicledef>)";
  Vehicle xml;
  std::string error;
  xml.Load(path, error, vexa_xml::XML_LOAD_DEFAULT);
  ASSERT_TRUE(xml.Validate(error)) << error;
  const auto axis_of = [](const Vehicle& vehicle, const char* table) {
    return vehicle.GetTables().findData(table)->GetAxis(vehicle::AXIS_Z);
  };
  ASSERT_EQ(axis_of(xml, "A1"), axis_of(xml, "A2"));
  ASSERT_TRUE(xml.SaveSerializedFile(path));

  Vehicle cached;
  cached.Load(path, error, vexa_xml::XML_LOAD_DEFAULT);
  ASSERT_TRUE(cached.IsLoaded()) << error;
  const std::shared_ptr<vehicle::Axis> first = axis_of(cached, "A1");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first, axis_of(cached, "A2"));
  EXPECT_EQ(first->GetRamOffsets(), axis_of(xml, "A1")->GetRamOffsets());
  EXPECT_GE(first.use_count(), 3);  // both tables and this test
}

// The read-only flag follows the vehicle id and the 4-byte version; any
// value but 0 or 1 marks a damaged cache.
TEST_F(CacheTest, FlagByteOtherThanZeroOrOneIsRefused) {
  ASSERT_TRUE(xml_.SaveSerializedFile(path_));
  std::string bytes = ReadCache();
  const std::size_t flag = bytes.find("CACHE_SD") + 8 + 4;
  ASSERT_LT(flag, bytes.size());
  ASSERT_EQ(bytes[flag], '\x01');
  bytes[flag] = '\x7E';
  WriteCache(bytes);
  Vehicle damaged;
  EXPECT_THROW(damaged.Load(path_, error_, vexa_xml::XML_LOAD_DEFAULT),
               boost::archive::archive_exception);
  bytes[flag] = '\0';
  WriteCache(bytes);
  Vehicle writable;
  writable.Load(path_, error_, vexa_xml::XML_LOAD_DEFAULT);
  EXPECT_TRUE(writable.IsLoaded());
  EXPECT_FALSE(writable.IsReadOnly());
}

TEST_F(CacheTest, RomInfoOnly) {
  ASSERT_TRUE(xml_.SaveSerializedFile(path_));
  Vehicle cached;
  cached.LoadRomInfoOnly();
  std::string error;
  cached.Load(path_, error, vexa_xml::XML_LOAD_DEFAULT);
  EXPECT_TRUE(cached.IsLoaded());
  EXPECT_EQ(cached.GetLiveRomName(), "CACHE_SD");
  EXPECT_TRUE(cached.IsReadOnly());
  EXPECT_EQ(cached.GetRomInfo().GetCPU(), vehicle::CPU_HC16);
  EXPECT_TRUE(cached.GetDataTypes().empty());
  EXPECT_TRUE(cached.GetTables().empty());
  EXPECT_TRUE(cached.GetMonitors().empty());
}

TEST_F(CacheTest, BadCacheFilesRaiseTheArchiveException) {
  ASSERT_TRUE(xml_.SaveSerializedFile(path_));
  const std::string good = ReadCache();
  ASSERT_GT(good.size(), 100u);

  std::string huge_length = good;
  // The first data after the archive header is the vehicle id's length:
  // claim 2^63 bytes for it.
  const std::string id = "CACHE_SD";
  const std::size_t at = good.find(id);
  ASSERT_NE(at, std::string::npos);
  for (int i = 0; i < 8; ++i)
    huge_length[at - 8 + i] = i == 7 ? '\x80' : '\0';

  std::string wrong_header = good;
  wrong_header[5] ^= 0x55;

  const std::string cases[] = {
      good.substr(0, good.size() / 2),  // truncated
      good.substr(0, 10),               // header cut short
      "definitely not an archive",      // some other file
      std::string(),                    // empty
      huge_length,
      wrong_header,
      good,  // grown below past any cache's size
  };
  for (const std::string& bytes : cases) {
    WriteCache(bytes);
    // Refused before anything is read or allocated: 64 GiB, sparse.
    if (&bytes == &cases[std::size(cases) - 1])
      fs::resize_file(path_ + Vehicle::SVX_EXT, std::uintmax_t{64} << 30);
    Vehicle v;
    std::string error;
    EXPECT_THROW(v.Load(path_, error, vexa_xml::XML_LOAD_DEFAULT),
                 boost::archive::archive_exception)
        << bytes.size();
  }
}

TEST_F(CacheTest, SavingIsAtomicAndReportsFailure) {
  EXPECT_FALSE(xml_.SaveSerializedFile((dir_ / "no" / "such" / "folder" / "def.xml").string()));
  ASSERT_TRUE(xml_.SaveSerializedFile(path_));
  // Nothing but the definition and its cache: no temporary file left over.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 2);
}

}  // namespace
