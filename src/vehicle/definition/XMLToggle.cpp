#include "vehicle/definition/XMLToggle.h"

#include <tinyxml.h>

#include "util/XmlRead.h"

namespace vehicle {

namespace {

// "1, 0x02, 255": each number's low eight bits become one byte.
void AppendBytes(const TiXmlElement* pair, const char* name, std::vector<uint8_t>& out) {
  std::string text;
  if (!util::ReadXmlValue(pair, name, text))
    return;
  for (const std::string& entry : util::SplitList(text)) {
    out.push_back(static_cast<uint8_t>(util::ParseUnsigned(entry) & 0xFF));
  }
}

}  // namespace

XMLToggle::XMLToggle() : BaseVehicleDefObj("toggle") {}

void XMLToggle::init(const std::string& id, ToggleType_e type) {
  Toggle::init(id, type);
  SetObjId(id);
}

int32_t XMLToggle::DoRead(const TiXmlElement* element, std::string& /*error*/, bool /*not_first*/) {
  toggle_id_ = GetObjId();
  util::ReadXmlFlag(element, "validate", strict_validation_);

  const TiXmlElement* toggle = GetCurrentElement();
  std::string type;
  util::ReadXmlValue(toggle, "type", type);
  type = util::ToLower(type);
  toggle_type_ = type == "toggle" ? TOGGLE_TYPE_TOGGLE
                 : type == "dtc"  ? TOGGLE_TYPE_DTC
                                  : TOGGLE_TYPE_NONE;

  std::vector<const TiXmlElement*> pairs;
  for (const TiXmlElement* pair = toggle ? toggle->FirstChildElement("toggle_pair") : nullptr;
       pair != nullptr; pair = pair->NextSiblingElement("toggle_pair")) {
    pairs.push_back(pair);
  }
  segments_.resize(pairs.size());
  for (std::size_t i = 0; i < pairs.size(); ++i) {
    ToggleStateDefinitionSegment& segment = segments_[i];
    util::ReadXmlUnsigned(pairs[i], "rom_offset", segment.rom_offset);
    AppendBytes(pairs[i], "enabled_values", segment.enabled_values);
    AppendBytes(pairs[i], "disabled_values", segment.disabled_values);
    std::vector<uint8_t> mask;
    AppendBytes(pairs[i], "mask_values", mask);
    segment.use_mask = !mask.empty();
    segment.mask_values.insert(segment.mask_values.end(), mask.begin(), mask.end());
  }
  return READ_OK;
}

validate_codes_t XMLToggle::Validate() {
  if (toggle_type_ < 1 || toggle_type_ > 3)
    return CODE_BAD_TYPE;
  if (segments_.empty())
    return CODE_NO_SEGMENTS;
  for (const ToggleStateDefinitionSegment& segment : segments_) {
    if (segment.rom_offset == 0)
      return CODE_OFFSET_ZERO;
    if (segment.disabled_values.empty())
      return CODE_NO_DISABLED_VALUES;
    if (segment.enabled_values.empty())
      return CODE_NO_ENABLED_VALUES;
    if (segment.enabled_values.size() != segment.disabled_values.size()) {
      return CODE_VALUE_LENGTHS_DIFFER;
    }
    if (!segment.mask_values.empty() &&
        segment.mask_values.size() != segment.enabled_values.size()) {
      return CODE_MASK_LENGTH_DIFFERS;
    }
  }
  return 0;
}

}  // namespace vehicle
