#include "dtc/DTCParser.h"

#include <cstdio>
#include <stdexcept>

#include <tinyxml.h>

#include "util/XmlRead.h"

const std::string DTCParser::DTC_DEFINITION_ADDRESS = "dtc_definition_address";
const std::string DTCParser::DTC_ENABLED_STATE_ADDRESS = "dtc_enabled_state_address";
const std::string DTCParser::DTC_COUNT = "dtc_count";
const std::string DTCParser::DTC_STRUCT_SIZE = "dtc_struct_size";
const std::string DTCParser::DTC_DEFINITION_ADDRESS_END = "dtc_definition_address_end";
const std::string DTCParser::DTC_COUNT_ADDRESS = "dtc_count_address";
const std::string DTCParser::ERROR_TEXT = "Error details hidden in release builds.";

bool DTCParser::DoValidateConfigXML(TiXmlElement& /*params*/) const {
  return true;
}

void DTCParser::init() {
  SetupCommonParserFlags();
}

void DTCParser::SetECUOffsetTranslator(const vehicle::IECUOffsetTranslator* translator) {
  translator_ = translator;
}

bool DTCParser::Parse(const Image& image, ToggleMap& toggles, TiXmlElement& params) {
  errors_.clear();
  if (!ValidateConfigXML(params)) {
    return false;
  }
  return DoParse(image, toggles, params);
}

bool DTCParser::ValidateConfigXML(TiXmlElement& params) const {
  errors_.clear();
  std::string text;
  const auto present = [&](const std::string& name) { return ReadParamText(params, name, text); };
  const auto positive = [&](const std::string& name) {
    return present(name) && ReadParamNumber(params, name) > 0;
  };

  struct Check {
    uint32_t flag;
    bool passed;
  };
  // Checks run in this order whatever the flag values; every one runs.
  const Check checks[] = {
      {FLAG_COUNT, (common_parser_flags_ & FLAG_COUNT) == 0 || positive(DTC_COUNT)},
      {FLAG_DEFINITION_ADDRESS,
       (common_parser_flags_ & FLAG_DEFINITION_ADDRESS) == 0 || present(DTC_DEFINITION_ADDRESS)},
      {FLAG_DEFINITION_ADDRESS_END, (common_parser_flags_ & FLAG_DEFINITION_ADDRESS_END) == 0 ||
                                        present(DTC_DEFINITION_ADDRESS_END)},
      {FLAG_ENABLED_STATE_ADDRESS, (common_parser_flags_ & FLAG_ENABLED_STATE_ADDRESS) == 0 ||
                                       present(DTC_ENABLED_STATE_ADDRESS)},
      {FLAG_STRUCT_SIZE,
       (common_parser_flags_ & FLAG_STRUCT_SIZE) == 0 || positive(DTC_STRUCT_SIZE)},
      {FLAG_COUNT_ADDRESS,
       (common_parser_flags_ & FLAG_COUNT_ADDRESS) == 0 ||
           (present(DTC_COUNT_ADDRESS) &&
            static_cast<int32_t>(ReadParamNumber(params, DTC_COUNT_ADDRESS)) >= 0)},
  };
  bool result = true;
  for (const Check& check : checks) {
    if (!check.passed) {
      AddError();
      result = false;
    }
  }
  const bool familyResult = DoValidateConfigXML(params);
  return result && familyResult;
}

bool DTCParser::ReadParamText(const TiXmlElement& params, const std::string& name,
                              std::string& out) {
  return util::ReadXmlValue(&params, name.c_str(), out);
}

uint32_t DTCParser::ReadParamNumber(const TiXmlElement& params, const std::string& name) {
  uint32_t value = 0;
  util::ReadXmlUnsigned(&params, name.c_str(), value);
  return value;
}

std::string DTCParser::FormatDTCName(uint8_t high, uint8_t low) {
  static const char kSystemLetters[] = {'P', 'C', 'B', 'U'};
  char buffer[8];
  std::snprintf(buffer, sizeof(buffer), "?%02X%02X", static_cast<unsigned>(high & 0x3F),
                static_cast<unsigned>(low));
  buffer[0] = kSystemLetters[(high & 0xC0) >> 6];
  return buffer;
}

void DTCParser::BeginParse(const Image& image, ToggleMap& toggles) {
  image_ = &image;
  toggles_ = &toggles;
}

void DTCParser::CheckRange(uint64_t pos, uint64_t count) const {
  const uint64_t size = image_ ? image_->size() : 0;
  // Report the first byte that does not fit, as std::vector::at would.
  const uint64_t first = pos >= size ? pos : size;
  if (pos >= size || count > size - pos) {
    char message[128];
    std::snprintf(message, sizeof(message),
                  "vector::_M_range_check: __n (which is %zu) >= this->size() (which is %zu)",
                  static_cast<size_t>(first), static_cast<size_t>(size));
    throw std::out_of_range(message);
  }
}

uint8_t DTCParser::ByteAt(uint64_t pos) const {
  CheckRange(pos, 1);
  return (*image_)[pos];
}

uint16_t DTCParser::LE16At(uint64_t pos) const {
  CheckRange(pos, 2);
  return static_cast<uint16_t>((*image_)[pos] | ((*image_)[pos + 1] << 8));
}

uint16_t DTCParser::BE16At(uint64_t pos) const {
  CheckRange(pos, 2);
  return static_cast<uint16_t>(((*image_)[pos] << 8) | (*image_)[pos + 1]);
}

uint32_t DTCParser::LE24At(uint64_t pos) const {
  CheckRange(pos, 3);
  const Image& image = *image_;
  return static_cast<uint32_t>(image[pos]) | static_cast<uint32_t>(image[pos + 1]) << 8 |
         static_cast<uint32_t>(image[pos + 2]) << 16;
}

uint32_t DTCParser::LE32At(uint64_t pos) const {
  CheckRange(pos, 4);
  return LE24At(pos) | static_cast<uint32_t>((*image_)[pos + 3]) << 24;
}

uint32_t DTCParser::BE32At(uint64_t pos) const {
  CheckRange(pos, 4);
  const Image& image = *image_;
  return static_cast<uint32_t>(image[pos]) << 24 | static_cast<uint32_t>(image[pos + 1]) << 16 |
         static_cast<uint32_t>(image[pos + 2]) << 8 | static_cast<uint32_t>(image[pos + 3]);
}

std::vector<uint8_t> DTCParser::BytesAt(uint64_t pos, size_t count) const {
  CheckRange(pos, count);
  const auto begin = image_->begin() + static_cast<std::ptrdiff_t>(pos);
  return std::vector<uint8_t>(begin, begin + static_cast<std::ptrdiff_t>(count));
}

std::string DTCParser::NameFromBytesAt(uint64_t pos, bool highByteFirst) const {
  const uint8_t first = ByteAt(pos);
  const uint8_t second = ByteAt(pos + 1);
  return highByteFirst ? FormatDTCName(first, second) : FormatDTCName(second, first);
}

uint32_t DTCParser::RomOffset(uint64_t pos) const {
  // Segment offsets are 32-bit; a position beyond that cannot be written back.
  if (pos > 0xFFFFFFFFu) {
    CheckRange(image_ ? image_->size() : 0, 1);
  }
  return static_cast<uint32_t>(pos);
}

vehicle::Toggle& DTCParser::getExistingOrCreateDTCToggleByName(const std::string& name) {
  auto found = toggles_->find(name);
  if (found != toggles_->end()) {
    return found->second;
  }
  return createDTCToggleWithName(name);
}

vehicle::Toggle& DTCParser::createDTCToggleWithName(const std::string& name) {
  vehicle::Toggle& toggle = (*toggles_)[name];
  toggle.init(name, vehicle::Toggle::TOGGLE_TYPE_DTC);
  return toggle;
}

vehicle::ToggleStateDefinitionSegment& DTCParser::createStateDefinitionSegmentForToggle(
    vehicle::Toggle& toggle) {
  auto& segments = toggle.GetToggleStateDefinitionSegments();
  segments.emplace_back();
  return segments.back();
}

void DTCParser::AddSegment(const std::string& name, uint64_t offset, std::vector<uint8_t> enabled,
                           std::vector<uint8_t> disabled) {
  const uint32_t rom_offset = RomOffset(offset);
  vehicle::ToggleStateDefinitionSegment& segment =
      createStateDefinitionSegmentForToggle(getExistingOrCreateDTCToggleByName(name));
  segment.rom_offset = rom_offset;
  segment.enabled_values = std::move(enabled);
  segment.disabled_values = std::move(disabled);
}

void DTCParser::AddStateSegment(const std::string& name, uint64_t offset,
                                const std::vector<uint8_t>& disabled) {
  AddSegment(name, offset, BytesAt(offset, disabled.size()), disabled);
}

void DTCParser::AddMaskedStateSegment(const std::string& name, uint64_t offset, uint8_t mask,
                                      uint8_t enabled, uint8_t disabled) {
  CheckRange(offset, 1);
  AddSegment(name, offset, {enabled}, {disabled});
  vehicle::ToggleStateDefinitionSegment& segment =
      (*toggles_)[name].GetToggleStateDefinitionSegments().back();
  segment.use_mask = true;
  segment.mask_values = {mask};
}

void DTCParser::ReadIgnoreRanges(const TiXmlElement& params, const std::string& rangesTag,
                                 const std::string& rangeTag, const std::string& startName,
                                 const std::string& endName, IgnoreRanges& out) {
  for (const TiXmlElement* ranges = params.FirstChildElement(rangesTag.c_str()); ranges;
       ranges = ranges->NextSiblingElement(rangesTag.c_str())) {
    for (const TiXmlElement* range = ranges->FirstChildElement(rangeTag.c_str()); range;
         range = range->NextSiblingElement(rangeTag.c_str())) {
      out.emplace_back(ReadParamNumber(*range, startName), ReadParamNumber(*range, endName));
    }
  }
}

bool DTCParser::IsOutsideIgnoreRanges(const IgnoreRanges& ranges, uint64_t offset) {
  for (const auto& range : ranges) {
    if (range.first <= offset && offset <= range.second) {
      return false;
    }
  }
  return true;
}
