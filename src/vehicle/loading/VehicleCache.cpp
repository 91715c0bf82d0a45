// The definition cache file: a Boost binary archive beside the top document.
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <boost/archive/archive_exception.hpp>
#include <boost/archive/binary_oarchive.hpp>
#include <boost/serialization/map.hpp>
#include <boost/serialization/shared_ptr.hpp>
#include <boost/serialization/split_member.hpp>
#include <boost/serialization/string.hpp>
#include <boost/serialization/throw_exception.hpp>
#include <boost/serialization/vector.hpp>
#include <boost/serialization/version.hpp>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <istream>
#include <sstream>
#include <streambuf>
#include <vector>

#include "util/DataHashSerialization.h"
#include "vehicle/definition/Axis.h"
#include "vehicle/definition/CopyGroup.h"
#include "vehicle/definition/DataType.h"
#include "vehicle/definition/Group.h"
#include "vehicle/definition/Table.h"
#include "vehicle/definition/XMLToggle.h"
#include "vehicle/loading/CacheArchive.h"
#include "vehicle/loading/Vehicle.h"
#include "vehicle/monitor/Monitor.h"

BOOST_CLASS_VERSION(vehicle::Vehicle, 1)

namespace vehicle {

template <class Archive>
void Vehicle::save(Archive& ar, const unsigned int /*version*/) const {
  ar << vehicle_id_ << version_ << read_only_ << rom_info_;
  ar << data_types_ << invalid_data_types_ << groups_ << invalid_groups_ << monitors_
     << invalid_monitors_ << copy_groups_;
  ar << adjustable_tables_;
  ar << xml_toggles_ << invalid_xml_toggles_ << parsed_toggles_;
  ar << loaded_ << valid_ << has_realtime_tables_;
  ar << variants_ << bundle_ids_;
}

template <class Archive>
void Vehicle::load(Archive& ar, const unsigned int /*version*/) {
  ar >> vehicle_id_ >> version_ >> read_only_ >> rom_info_;
  if (rom_info_only_)
    return;
  ar >> data_types_ >> invalid_data_types_ >> groups_ >> invalid_groups_ >> monitors_ >>
      invalid_monitors_ >> copy_groups_;
  ar >> tables_;
  ar >> xml_toggles_ >> invalid_xml_toggles_ >> parsed_toggles_;
  ar >> loaded_ >> valid_ >> has_realtime_tables_;
  ar >> variants_ >> bundle_ids_;
}

template <class Archive>
void Vehicle::serialize(Archive& ar, const unsigned int version) {
  boost::serialization::split_member(ar, *this, version);
}

namespace {

// Writes `bytes` to `path` through a temporary file in the same folder and a
// rename, so a crash or a full disk never leaves a truncated file behind.
bool WriteAtomically(const std::string& path, const std::string& bytes) {
  std::string temp = path + ".XXXXXX";
  std::vector<char> name(temp.begin(), temp.end());
  name.push_back('\0');
  const int fd = mkstemp(name.data());
  if (fd < 0)
    return false;
  bool ok = true;
  for (std::size_t written = 0; ok && written < bytes.size();) {
    const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0) {
      ok = errno == EINTR;
      continue;
    }
    written += static_cast<std::size_t>(n);
  }
  ok = ok && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  ok = ok && std::rename(name.data(), path.c_str()) == 0;
  if (!ok)
    std::remove(name.data());
  return ok;
}

// The whole file in one string; false when it cannot be opened.
void ThrowCacheUnreadable() {
  boost::serialization::throw_exception(
      boost::archive::archive_exception(boost::archive::archive_exception::input_stream_error));
}

// The whole file in one string; false when it cannot be opened. A file
// larger than any cache (a damaged or foreign one, or a device that never
// ends) raises archive_exception before its size is allocated.
bool ReadWholeFile(const std::string& path, std::string& bytes) {
  std::ifstream file(path, std::ios::binary);
  if (!file.is_open())
    return false;
  std::error_code ec;
  const std::uintmax_t size = std::filesystem::file_size(path, ec);
  if (!ec) {
    if (size > Vehicle::kMaxCacheBytes)
      ThrowCacheUnreadable();
    bytes.reserve(static_cast<std::size_t>(size));
  }
  char block[65536];
  while (file.read(block, sizeof block) || file.gcount() > 0) {
    bytes.append(block, static_cast<std::size_t>(file.gcount()));
    if (bytes.size() > Vehicle::kMaxCacheBytes)
      ThrowCacheUnreadable();
  }
  return true;
}

// Hands the archive the bytes of a string in place, instead of copying them
// into a string stream. The archive asks for blocks of bytes and, to check
// lengths, for its position.
class MemoryBuffer : public std::streambuf {
 public:
  explicit MemoryBuffer(std::string& bytes) {
    char* begin = bytes.empty() ? nullptr : &bytes[0];
    setg(begin, begin, begin + bytes.size());
  }

 protected:
  pos_type seekoff(off_type offset, std::ios_base::seekdir direction,
                   std::ios_base::openmode which) override {
    if (offset != 0 || direction != std::ios_base::cur || (which & std::ios_base::in) == 0)
      return pos_type(off_type(-1));
    return pos_type(static_cast<off_type>(gptr() - eback()));
  }
};

}  // namespace

bool Vehicle::SaveSerializedFile(const std::string& path) {
  adjustable_tables_.clear();
  for (const auto& entry : tables_) {
    if (entry.second->IsAdjustable() || entry.second->IsAdjustmentEnableTable()) {
      adjustable_tables_.addData(entry.first, entry.second);
    }
  }
  std::ostringstream stream;
  {
    boost::archive::binary_oarchive archive(stream, 0);
    const Vehicle& self = *this;
    archive << self;
  }
  return WriteAtomically(path + SVX_EXT, stream.str());
}

bool Vehicle::LoadSerializedFile(const std::string& path) {
  std::string bytes;
  if (!ReadWholeFile(path + SVX_EXT, bytes))
    return false;
  MemoryBuffer buffer(bytes);
  std::istream stream(&buffer);
  CacheIArchive archive(stream, bytes.size());
  archive >> *this;
  // Offsets in the file were translated when the definition was first read.
  offsets_translated_ = true;
  return true;
}

}  // namespace vehicle
