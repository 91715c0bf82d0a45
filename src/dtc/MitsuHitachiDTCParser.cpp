#include "dtc/MitsuHitachiDTCParser.h"

#include <tinyxml.h>

const std::string MitsuHitachiDTCParser::DTC_ENA_DEFINITION_ADDRESS = "dtc_ena_definition_address";
const std::string MitsuHitachiDTCParser::DTC_GROUP_TOGGLE_ADDRESS = "dtc_group_toggle_address";
const std::string MitsuHitachiDTCParser::TAG_DTC_PAIRS = "dtc_pairs";
const std::string MitsuHitachiDTCParser::TAG_DTC_PAIR = "dtc_pair";
const std::string MitsuHitachiDTCParser::ATTR_PRIMARY = "primary";
const std::string MitsuHitachiDTCParser::ATTR_SECONDARY = "secondary";

namespace {
const uint32_t kFirstId = 16;
const uint32_t kFirstPassLastId = 31;
const uint32_t kLastId = 287;
const uint32_t kGroupToggleId = 288;
const uint64_t kMirrorDistance = 36;
const uint8_t kGroupToggleDisabled = 0x90;
}  // namespace

void MitsuHitachiDTCParser::SetupCommonParserFlags() {
  common_parser_flags_ = FLAG_DEFINITION_ADDRESS;
}

void MitsuHitachiDTCParser::configureParserFromECUandXMLData(const Image& image, ToggleMap& toggles,
                                                             TiXmlElement& params) {
  BeginParse(image, toggles, params);
  enable_position_ = ReadParamNumber(params, DTC_ENA_DEFINITION_ADDRESS);
  group_toggle_address_ = ReadParamNumber(params, DTC_GROUP_TOGGLE_ADDRESS);
  buildPrimarySecondaryDtcPairs(params);
}

void MitsuHitachiDTCParser::buildPrimarySecondaryDtcPairs(const TiXmlElement& params) {
  primary_secondaries_.clear();
  const TiXmlElement* pairs = params.FirstChildElement(TAG_DTC_PAIRS.c_str());
  if (!pairs) {
    return;
  }
  for (const TiXmlElement* pair = pairs->FirstChildElement(TAG_DTC_PAIR.c_str()); pair;
       pair = pair->NextSiblingElement(TAG_DTC_PAIR.c_str())) {
    std::string primary;
    std::string secondary;
    if (ReadParamText(*pair, ATTR_PRIMARY, primary) &&
        ReadParamText(*pair, ATTR_SECONDARY, secondary)) {
      primary_secondaries_[primary].insert(secondary);
    }
  }
}

std::string MitsuHitachiDTCParser::concatPrimaryDtcWithSecondaries(const std::string& name) const {
  std::string result = name;
  const auto found = primary_secondaries_.find(name);
  if (found != primary_secondaries_.end()) {
    for (const std::string& secondary : found->second) {
      result += ", " + secondary;
    }
  }
  return result;
}

bool MitsuHitachiDTCParser::isValidDTCID(uint32_t id) const {
  return BE16At(common_.definition_address + 2ull * id) != 0;
}

std::string MitsuHitachiDTCParser::parseDTCName(uint32_t id) const {
  return concatPrimaryDtcWithSecondaries(
      NameFromBytesAt(common_.definition_address + 2ull * id, true));
}

void MitsuHitachiDTCParser::parseIdRange(uint32_t first, uint32_t last) {
  unsigned bit = 0;
  for (uint32_t id = first; id <= last; ++id, ++bit) {
    if (bit == 8) {
      ++enable_position_;
      bit = 0;
    }
    const uint8_t mask = static_cast<uint8_t>(0x80u >> bit);
    if (!isValidDTCID(id)) {
      continue;
    }
    const uint8_t state = ByteAt(enable_position_);
    if ((state & mask) == 0) {
      continue;
    }
    // The bit map is kept twice; both copies follow the primary's state.
    const std::string name = parseDTCName(id);
    AddMaskedStateSegment(name, enable_position_, mask, state, 0x00);
    AddMaskedStateSegment(name, enable_position_ + kMirrorDistance, mask, state, 0x00);
  }
}

void MitsuHitachiDTCParser::parseGroupToggle() {
  if (!isValidDTCID(kGroupToggleId)) {
    return;
  }
  if (ByteAt(group_toggle_address_) != kGroupToggleDisabled) {
    AddStateSegment(parseDTCName(kGroupToggleId), group_toggle_address_, {kGroupToggleDisabled});
  }
}

bool MitsuHitachiDTCParser::DoParse(const Image& image, ToggleMap& toggles, TiXmlElement& params) {
  configureParserFromECUandXMLData(image, toggles, params);
  parseIdRange(kFirstId, kFirstPassLastId);
  ++enable_position_;
  parseIdRange(kFirstId, kLastId);
  parseGroupToggle();
  return true;
}
