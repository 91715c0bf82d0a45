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
  const CommonParams common = ReadCommonParams(params);
  // Checks run in this order whatever the flag values; every one runs.
  const CommonFlag_e order[] = {FLAG_COUNT,
                                FLAG_DEFINITION_ADDRESS,
                                FLAG_DEFINITION_ADDRESS_END,
                                FLAG_ENABLED_STATE_ADDRESS,
                                FLAG_STRUCT_SIZE,
                                FLAG_COUNT_ADDRESS};
  bool result = true;
  for (CommonFlag_e flag : order) {
    if ((common_parser_flags_ & flag) != 0 && !common.Passes(flag)) {
      AddError();
      result = false;
    }
  }
  const bool familyResult = DoValidateConfigXML(params);
  return result && familyResult;
}

DTCParser::CommonParams DTCParser::ReadCommonParams(const TiXmlElement& params) {
  CommonParams common;
  const struct {
    CommonFlag_e flag;
    const std::string& name;
    uint32_t CommonParams::*field;
  } fields[] = {
      {FLAG_DEFINITION_ADDRESS, DTC_DEFINITION_ADDRESS, &CommonParams::definition_address},
      {FLAG_ENABLED_STATE_ADDRESS, DTC_ENABLED_STATE_ADDRESS, &CommonParams::enabled_state_address},
      {FLAG_COUNT, DTC_COUNT, &CommonParams::count},
      {FLAG_STRUCT_SIZE, DTC_STRUCT_SIZE, &CommonParams::struct_size},
      {FLAG_DEFINITION_ADDRESS_END, DTC_DEFINITION_ADDRESS_END,
       &CommonParams::definition_address_end},
      {FLAG_COUNT_ADDRESS, DTC_COUNT_ADDRESS, &CommonParams::count_address},
  };
  for (const auto& field : fields) {
    if (util::ReadXmlUnsigned(&params, field.name.c_str(), common.*field.field))
      common.present |= field.flag;
  }
  return common;
}

bool DTCParser::CommonParams::Passes(CommonFlag_e flag) const {
  if ((present & flag) == 0)
    return false;
  switch (flag) {
    case FLAG_COUNT:
      return count > 0;
    case FLAG_STRUCT_SIZE:
      return struct_size > 0;
    case FLAG_COUNT_ADDRESS:
      return static_cast<int32_t>(count_address) >= 0;
    default:
      return true;
  }
}

uint64_t DTCParser::CommonParams::EntryCount() const {
  if (struct_size == 0 || definition_address_end <= definition_address)
    return 0;
  return (definition_address_end - definition_address) / struct_size;
}

bool DTCParser::CommonParams::EndsOnWholeEntry() const {
  return struct_size != 0 && definition_address_end >= definition_address &&
         (definition_address_end - definition_address) % struct_size == 0;
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

void DTCParser::BeginParse(const Image& image, ToggleMap& toggles, const TiXmlElement& params) {
  image_ = &image;
  toggles_ = &toggles;
  common_ = ReadCommonParams(params);
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

void DTCParser::ParseIndexedTable(const IndexedTable& table) {
  const bool wide = table.switch_off.size() == 2;
  for (uint64_t i = 0; i < table.count; ++i) {
    const uint64_t state = table.state_address + i * table.state_stride;
    const uint32_t value = wide ? LE16At(state) : ByteAt(state);
    if (value == table.off_state || !IsOutsideIgnoreRanges(table.ignore_ranges, state))
      continue;
    AddStateSegment(NameFromBytesAt(table.code_address + i * table.code_stride, false), state,
                    table.switch_off);
  }
}

DTCParser::IndexedTable DTCParser::CommonIndexedTable(uint64_t count) const {
  IndexedTable table;
  table.count = count;
  table.code_address = common_.definition_address;
  table.code_stride = common_.struct_size;
  table.state_address = common_.enabled_state_address;
  table.state_stride = common_.struct_size;
  return table;
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
