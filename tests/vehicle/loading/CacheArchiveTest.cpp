#include <gtest/gtest.h>

#include <boost/archive/archive_exception.hpp>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "vehicle/loading/Vehicle.h"

namespace {

namespace fs = std::filesystem;
using vehicle::Vehicle;

// A copy of a fixture in a fresh folder, so that cache files land there.
class CacheArchiveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() /
              ("ecucal-cache-" +
               std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    path_ = (folder_ / "shared.xml").string();
    fs::copy_file(std::string(ECUCAL_TEST_DATA_DIR) + "/loading/post/shared.xml", path_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  std::string CacheBytes() const {
    std::ifstream in(path_ + Vehicle::SVX_EXT, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  void WriteCache(const std::string& bytes) const {
    std::ofstream(path_ + Vehicle::SVX_EXT, std::ios::binary | std::ios::trunc) << bytes;
  }

  fs::path folder_;
  std::string path_;
};

TEST_F(CacheArchiveTest, FlagByteOtherThanZeroOrOneIsRefused) {
  Vehicle original;
  std::string error;
  original.Load(path_, error, vexa_xml::XML_LOAD_DEFAULT);
  ASSERT_TRUE(original.SaveSerializedFile(path_));
  std::string bytes = CacheBytes();
  // The read-only flag follows the vehicle id and the 4-byte version.
  const size_t id = bytes.find("POST");
  ASSERT_NE(id, std::string::npos);
  const size_t flag = id + 4 + 4;
  ASSERT_LT(flag, bytes.size());
  ASSERT_EQ(bytes[flag], '\0');
  bytes[flag] = '\x7E';
  WriteCache(bytes);
  Vehicle cached;
  EXPECT_THROW(cached.Load(path_, error, vexa_xml::XML_LOAD_DEFAULT),
               boost::archive::archive_exception);
  bytes[flag] = '\x01';
  WriteCache(bytes);
  Vehicle read_only;
  read_only.Load(path_, error, vexa_xml::XML_LOAD_DEFAULT);
  EXPECT_TRUE(read_only.IsReadOnly());
}

}  // namespace
