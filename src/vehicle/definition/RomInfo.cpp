#include "vehicle/definition/RomInfo.h"

#include <algorithm>
#include <limits>

#include "dtc/ParserFactory.h"
#include "util/XmlRead.h"
#include "vehicle/definition/StorageStrings.h"

namespace vehicle {

namespace {

template <class E>
void ReadWord(const TiXmlElement* element, const char* name,
              const util::enum_map<E, std::string>& table, E& out) {
  std::string text;
  if (util::ReadXmlValue(element, name, text))
    out = util::FindEnumValue(table, util::ToLower(text));
}

// A positive limit; zero, negative and unreadable values mean "no limit".
void ReadLimit(const TiXmlElement* element, const char* name, uint32_t& out) {
  std::string text;
  int64_t value = 0;
  if (!util::ReadXmlValue(element, name, text) || !util::ParseInt64(text, value))
    return;
  if (value > 0) {
    out = static_cast<uint32_t>(std::min<int64_t>(value, std::numeric_limits<uint32_t>::max()));
  }
}

}  // namespace

RomInfo::RomInfo() : BaseVehicleDefObj("rominfo"), dtc_parser_params_("dtc_parser_params") {
  SetObjIdRequired(false);
}

int32_t RomInfo::DoRead(const TiXmlElement* element, std::string& /*error*/, bool /*not_first*/) {
  if (element == nullptr)
    return READ_FAILED;
  // Read found the "rominfo" child already while it looked for the id; it is
  // looked up here only when the id was known from an earlier document.
  const TiXmlElement* current = GetCurrentElement();
  const TiXmlElement* rominfo = current != nullptr && current->Parent() == element
                                    ? current
                                    : util::FirstChildElement(element, "rominfo");
  if (rominfo == nullptr)
    return READ_FAILED;

  ReadWord(rominfo, "cpu", priv::GetCPUStrs(), cpu_);
  ReadWord(rominfo, "protocol", priv::GetProtocolStrs(), protocol_);
  ReadWord(rominfo, "flash", priv::GetFlashStrs(), flash_);
  util::ReadXmlValue(rominfo, "rom_name", rom_name_);
  ReadLimit(rominfo, "monitor_byte_limit", monitor_byte_limit_);
  ReadLimit(rominfo, "monitor_count_limit", monitor_count_limit_);

  realtime_ = REALTIME_UNDEFINED;
  ReadWord(rominfo, "realtime", priv::GetRealtimeSupportStrs(), realtime_);

  rom_crcs_.clear();
  std::string crcs;
  if (util::ReadXmlValue(rominfo, "rom_crc", crcs)) {
    for (const std::string& entry : util::SplitList(crcs)) {
      rom_crcs_.push_back(util::ParseUnsigned(entry));
    }
  }

  if (util::ReadXmlValue(rominfo, "fw_id", fw_id_.id)) {
    const TiXmlElement* holder =
        rominfo->Attribute("fw_id") ? rominfo : rominfo->FirstChildElement("fw_id");
    util::ReadXmlUnsigned(holder, "offset", fw_id_.offset);
  }

  if (const TiXmlElement* params = rominfo->FirstChildElement("dtc_parser_params")) {
    util::ReadXmlValue(params, "id", dtc_parser_id_);
    dtc_parser_params_ = *params;
  }

  ReadFeatureVersions(rominfo);
  ReadFeatureToggles(rominfo);
  ReadFeatureAdjustments(rominfo);

  if (const TiXmlElement* live = rominfo->FirstChildElement("liverom_info")) {
    liverom_info_t info;
    uint32_t offset = 0;
    if (util::ReadXmlUnsigned(live, "offset", offset))
      info.offset = static_cast<int32_t>(offset);
    ReadWord(live, "endian", util::GetEndianStrs(), info.endian);
    liverom_info_ = info;
  }
  return READ_OK;
}

void RomInfo::ReadFeatureVersions(const TiXmlElement* rominfo) {
  const TiXmlElement* list = rominfo->FirstChildElement("feature_versions");
  if (list == nullptr)
    return;
  for (const TiXmlElement* feature = list->FirstChildElement("feature"); feature != nullptr;
       feature = feature->NextSiblingElement("feature")) {
    feature_version_t version;
    util::ReadXmlValue(feature, "id", version.id);
    util::ReadXmlUnsigned(feature, "offset", version.offset);
    std::string text;
    int64_t number = 0;
    if (util::ReadXmlValue(feature, "version", text) && util::ParseInt64(text, number)) {
      version.version = static_cast<int32_t>(number);
    }
    ReadWord(feature, "storage", util::data::GetStorageStrs(), version.storage);
    ReadWord(feature, "endian", util::GetEndianStrs(), version.endian);
    SetFeatureVersion(version);
  }
}

void RomInfo::ReadFeatureToggles(const TiXmlElement* rominfo) {
  const TiXmlElement* list = rominfo->FirstChildElement("feature_toggles");
  if (list == nullptr)
    return;
  for (const TiXmlElement* feature = list->FirstChildElement("feature"); feature != nullptr;
       feature = feature->NextSiblingElement("feature")) {
    feature_toggle_t toggle;
    util::ReadXmlValue(feature, "id", toggle.id);
    util::ReadXmlUnsigned(feature, "offset", toggle.offset);
    if (!feature_toggles_.dataExists(toggle.id))
      feature_toggles_.addData(toggle.id, toggle);
  }
}

void RomInfo::ReadFeatureAdjustments(const TiXmlElement* rominfo) {
  const TiXmlElement* list = rominfo->FirstChildElement("feature_adjustments");
  if (list == nullptr)
    return;
  for (const TiXmlElement* feature = list->FirstChildElement("feature"); feature != nullptr;
       feature = feature->NextSiblingElement("feature")) {
    feature_adjustment_t adjustment;
    util::ReadXmlValue(feature, "id", adjustment.id);
    util::ReadXmlValue(feature, "table_id", adjustment.table_id);
    if (!feature_adjustments_.dataExists(adjustment.id)) {
      feature_adjustments_.addData(adjustment.id, adjustment);
    }
  }
}

void RomInfo::SetFeatureVersion(const feature_version_t& feature) {
  if (feature.id.empty() || feature_versions_.dataExists(feature.id))
    return;
  feature_versions_.addData(feature.id, feature);
}

bool RomInfo::IsRomCrcValid(uint32_t crc) const {
  return std::find(rom_crcs_.begin(), rom_crcs_.end(), crc) != rom_crcs_.end();
}

validate_codes_t RomInfo::Validate(std::string& /*error*/) {
  if (cpu_ == CPU_INVALID)
    return CODE_NO_CPU;
  for (const auto& entry : feature_versions_) {
    if (entry.second.id.empty())
      return CODE_FEATURE_WITHOUT_ID;
    if (entry.second.offset == 0xFFFFFFFF)
      return CODE_FEATURE_WITHOUT_OFFSET;
  }
  if (dtc_parser_id_.empty())
    return 0;
  std::unique_ptr<DTCParser> parser = dtc::MakeParser(dtc_parser_id_);
  if (!parser)
    return CODE_UNKNOWN_DTC_PARSER;
  if (!dtc_params_not_kept_ && !parser->ValidateConfigXML(dtc_parser_params_)) {
    return CODE_BAD_DTC_PARSER_PARAMS;
  }
  return 0;
}

validate_codes_t RomInfo::Validate() {
  std::string scratch;
  return Validate(scratch);
}

}  // namespace vehicle
