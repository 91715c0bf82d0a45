#pragma once

#include <tinyxml.h>

#include <boost/serialization/base_object.hpp>
#include <boost/serialization/string.hpp>
#include <boost/serialization/vector.hpp>
#include <cstdint>
#include <string>
#include <vector>

#include "util/DataHash.h"
#include "util/DataHashSerialization.h"
#include "util/Storage.h"
#include "vehicle/Enumerations.h"
#include "vehicle/definition/BaseVehicleDefObj.h"

namespace vehicle {

// The ECU and its ROM as a whole: processor, protocol, flash method, stock
// ROM name and checksums, monitor limits, the trouble-code parser and its
// parameters, versioned features. A Vehicle reads the "rominfo" element of
// every document into one RomInfo, included documents first: later
// documents overwrite scalar values, the first definition of a feature wins.
class RomInfo : public BaseVehicleDefObj {
 public:
  struct fw_id_t {
    std::string id;
    uint32_t offset = 0xFFFFFFFF;
  };
  struct feature_version_t {
    std::string id;
    int32_t version = -1;
    uint32_t offset = 0xFFFFFFFF;
    util::data::Storage_e storage = util::data::STORAGE_S8;
    util::e_endian endian = util::ENDIAN_BIG;
  };
  struct feature_toggle_t {
    std::string id;
    uint32_t offset = 0xFFFFFFFF;
  };
  struct feature_adjustment_t {
    std::string id;
    std::string table_id;
  };
  struct liverom_info_t {
    int32_t offset = -1;
    util::e_endian endian = util::ENDIAN_LITTLE;
  };

  // Validation codes.
  enum : validate_codes_t {
    CODE_FEATURE_WITHOUT_ID = 1,
    CODE_NO_CPU = 4,
    CODE_FEATURE_WITHOUT_OFFSET = 17,
    CODE_UNKNOWN_DTC_PARSER = 36,
    CODE_BAD_DTC_PARSER_PARAMS = 37,
  };

  RomInfo();

  const char* DebugGetClassName() const override { return "RomInfo"; }

  // `element` is the document root; the values come from its first
  // "rominfo" child. Returns READ_FAILED (changing nothing) without one.
  int32_t DoRead(const TiXmlElement* element, std::string& error, bool not_first) override;

  // CPU set, feature versions complete, trouble-code parser known and its
  // parameters accepted (unless read from a cache file, which does not keep
  // them). The error text is not written.
  validate_codes_t Validate(std::string& error);
  validate_codes_t Validate() override;

  cpu_t GetCPU() const { return cpu_; }
  protocol_t GetProtocol() const { return protocol_; }
  flash_t GetFlash() const { return flash_; }
  std::string GetRomName() const { return rom_name_; }
  std::vector<uint32_t> GetRomCrcs() const { return rom_crcs_; }
  std::string GetDTC() const { return dtc_parser_id_; }
  uint32_t GetMonitorByteLimit() const { return monitor_byte_limit_; }
  uint32_t GetMonitorCountLimit() const { return monitor_count_limit_; }
  bool HasMonitorByteLimit() const { return monitor_byte_limit_ != 0; }
  bool HasMonitorCountLimit() const { return monitor_count_limit_ != 0; }
  realtime_support_t GetRealtimeSupport() const { return realtime_; }
  liverom_info_t GetLiveromInfo() const { return liverom_info_; }
  const fw_id_t& GetFirmwareId() const { return fw_id_; }

  void SetCPU(cpu_t cpu) { cpu_ = cpu; }
  void SetProtocol(protocol_t protocol) { protocol_ = protocol; }
  void SetFlash(flash_t flash) { flash_ = flash; }
  void SetRomName(const std::string& name) { rom_name_ = name; }
  void SetRomCrcs(const std::vector<uint32_t>& crcs) { rom_crcs_ = crcs; }
  void SetRealtimeSupport(realtime_support_t realtime) { realtime_ = realtime; }
  void SetLiveromInfo(const liverom_info_t& info) { liverom_info_ = info; }
  void SetMonitorByteLimit(uint32_t limit) { monitor_byte_limit_ = limit; }
  void SetMonitorCountLimit(uint32_t limit) { monitor_count_limit_ = limit; }

  // Stores the feature version unless its id is empty or already stored.
  void SetFeatureVersion(const feature_version_t& feature);

  // Whether `crc` is one of the accepted ROM checksums (false when none are).
  bool IsRomCrcValid(uint32_t crc) const;

  const util::DataHash<std::string, feature_version_t>& GetFeatureVersions() const {
    return feature_versions_;
  }
  const util::DataHash<std::string, feature_toggle_t>& GetFeatureToggles() const {
    return feature_toggles_;
  }
  const util::DataHash<std::string, feature_adjustment_t>& GetFeatureAdjustments() const {
    return feature_adjustments_;
  }

  // The "dtc_parser_params" element as the definition wrote it.
  TiXmlElement& GetDTCParserParams() { return dtc_parser_params_; }
  const TiXmlElement& GetDTCParserParams() const { return dtc_parser_params_; }

 private:
  friend class boost::serialization::access;
  template <class Archive>
  void serialize(Archive& ar, const unsigned int /*version*/);
  template <class Archive>
  void NoteParamsNotKept(Archive& ar);

  void ReadFeatureVersions(const TiXmlElement* rominfo);
  void ReadFeatureToggles(const TiXmlElement* rominfo);
  void ReadFeatureAdjustments(const TiXmlElement* rominfo);

  fw_id_t fw_id_;
  util::DataHash<std::string, feature_version_t> feature_versions_;
  util::DataHash<std::string, feature_toggle_t> feature_toggles_;
  util::DataHash<std::string, feature_adjustment_t> feature_adjustments_;
  TiXmlElement dtc_parser_params_;
  std::string rom_name_;
  std::vector<uint32_t> rom_crcs_;
  cpu_t cpu_ = CPU_INVALID;
  protocol_t protocol_ = PROTOCOL_INVALID;
  flash_t flash_ = FLASH_INVALID;
  std::string dtc_parser_id_;
  uint32_t monitor_byte_limit_ = 0;
  uint32_t monitor_count_limit_ = 0;
  realtime_support_t realtime_ = REALTIME_INVALID;
  liverom_info_t liverom_info_;
  // The cache file keeps the parser's name but not its parameters; the
  // parameters were checked when the definition was read from XML.
  bool dtc_params_not_kept_ = false;
};

template <class Archive>
void RomInfo::serialize(Archive& ar, const unsigned int /*version*/) {
  ar& boost::serialization::base_object<BaseVehicleDefObj>(*this);
  ar& fw_id_;
  ar& cpu_;
  ar& protocol_;
  ar& flash_;
  ar& dtc_parser_id_;
  ar& realtime_;
  ar& monitor_byte_limit_;
  ar& monitor_count_limit_;
  ar& feature_versions_;
  ar& feature_toggles_;
  NoteParamsNotKept(ar);
}

template <class Archive>
void RomInfo::NoteParamsNotKept(Archive& /*ar*/) {
  if (Archive::is_loading::value)
    dtc_params_not_kept_ = true;
}

}  // namespace vehicle

namespace boost {
namespace serialization {

template <class Archive>
void serialize(Archive& ar, vehicle::RomInfo::fw_id_t& fw_id, const unsigned int /*version*/) {
  ar& fw_id.id;
  ar& fw_id.offset;
}

template <class Archive>
void serialize(Archive& ar, vehicle::RomInfo::feature_version_t& feature,
               const unsigned int /*version*/) {
  ar& feature.id;
  ar& feature.version;
  ar& feature.offset;
  ar& feature.storage;
  ar& feature.endian;
}

template <class Archive>
void serialize(Archive& ar, vehicle::RomInfo::feature_toggle_t& feature,
               const unsigned int /*version*/) {
  ar& feature.id;
  ar& feature.offset;
}

}  // namespace serialization
}  // namespace boost
