#include "vehicle/definition/XMLToggle.h"

#include <tinyxml.h>

#include "util/XmlRead.h"

namespace vehicle {

namespace {

// "1, 0x02, 255": each number's low eight bits become one byte. A list that
// gives bytes replaces the ones held; an absent or empty one keeps them. A
// toggle read again under the same id (a document refining one it includes)
// would otherwise append its values to the first ones, and then write more
// bytes than the feature has, over its neighbours in the ROM.
// True when the list gave bytes.
bool ReadBytes(const TiXmlElement* pair, const char* name, std::vector<uint8_t>& out) {
  const char* text = util::FindXmlValue(pair, name);
  if (text == nullptr)
    return false;
  std::vector<uint8_t> read;
  util::AppendByteList(text, read);
  if (read.empty())
    return false;
  out.swap(read);
  return true;
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

  std::size_t count = 0;
  for (const TiXmlElement* pair = util::FirstChildElement(toggle, "toggle_pair"); pair != nullptr;
       pair = util::NextSiblingElement(pair, "toggle_pair")) {
    ++count;
  }
  segments_.resize(count);
  std::size_t i = 0;
  for (const TiXmlElement* pair = util::FirstChildElement(toggle, "toggle_pair"); pair != nullptr;
       pair = util::NextSiblingElement(pair, "toggle_pair"), ++i) {
    ToggleStateDefinitionSegment& segment = segments_[i];
    util::ReadXmlUnsigned(pair, "rom_offset", segment.rom_offset);
    ReadBytes(pair, "enabled_values", segment.enabled_values);
    ReadBytes(pair, "disabled_values", segment.disabled_values);
    segment.use_mask = ReadBytes(pair, "mask_values", segment.mask_values);
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
