#include "dtc/HondaTricoreDTCParser.h"

const std::string HondaTricoreDTCParser::DTC_IGNORE_RANGES = "dtc_ignore_ranges";
const std::string HondaTricoreDTCParser::DTC_IGNORE_RANGE = "dtc_ignore_range";
const std::string HondaTricoreDTCParser::DTC_IGNORE_START = "start_address";
const std::string HondaTricoreDTCParser::DTC_IGNORE_END = "end_address";

namespace {
const uint32_t kDisabledState = 0xFFFF;
}

void HondaTricoreDTCParser::SetupCommonParserFlags() {
  common_parser_flags_ =
      FLAG_DEFINITION_ADDRESS | FLAG_ENABLED_STATE_ADDRESS | FLAG_STRUCT_SIZE | FLAG_COUNT_ADDRESS;
}

void HondaTricoreDTCParser::configureParserFromECUandXMLData(const Image& image, ToggleMap& toggles,
                                                             TiXmlElement& params) {
  BeginParse(image, toggles);
  definition_address_ = ReadParamNumber(params, DTC_DEFINITION_ADDRESS);
  enabled_state_address_ = ReadParamNumber(params, DTC_ENABLED_STATE_ADDRESS);
  struct_size_ = ReadParamNumber(params, DTC_STRUCT_SIZE);
  count_address_ = ReadParamNumber(params, DTC_COUNT_ADDRESS);
  // Ranges a definition gives are honoured.
  configureIgnoreRangesFromXMLData(params);
}

void HondaTricoreDTCParser::configureIgnoreRangesFromXMLData(TiXmlElement& params) {
  ignore_ranges_.clear();
  ReadIgnoreRanges(params, DTC_IGNORE_RANGES, DTC_IGNORE_RANGE, DTC_IGNORE_START, DTC_IGNORE_END,
                   ignore_ranges_);
}

bool HondaTricoreDTCParser::isDTCEnabled() {
  return getValueForDTC() != kDisabledState && isDTCOutsideIgnoreRange();
}

bool HondaTricoreDTCParser::isDTCOutsideIgnoreRange() {
  return isOutsideIgnoreRange(getOffsetForDTCEnableDisableState());
}

bool HondaTricoreDTCParser::isOutsideIgnoreRange(uint64_t offset) {
  return IsOutsideIgnoreRanges(ignore_ranges_, offset);
}

void HondaTricoreDTCParser::parseDTC() {
  AddStateSegment(NameFromBytesAt(getDTCPCodeStartByte(), false),
                  getOffsetForDTCEnableDisableState(), {0xFF, 0xFF});
}

uint64_t HondaTricoreDTCParser::getPartialDTCROMOffset() {
  return index_ * struct_size_;
}

uint64_t HondaTricoreDTCParser::getDTCPCodeStartByte() {
  return definition_address_ + getPartialDTCROMOffset();
}

uint64_t HondaTricoreDTCParser::getOffsetForDTCEnableDisableState() {
  return enabled_state_address_ + getPartialDTCROMOffset();
}

uint32_t HondaTricoreDTCParser::getValueForDTC() {
  return getValueAtROMOffset(getOffsetForDTCEnableDisableState());
}

uint32_t HondaTricoreDTCParser::getValueAtROMOffset(uint64_t offset) {
  return LE16At(offset);
}

uint64_t HondaTricoreDTCParser::getDTCCountFromAddress(uint64_t address) {
  return LE16At(address);
}

bool HondaTricoreDTCParser::DoParse(const Image& image, ToggleMap& toggles, TiXmlElement& params) {
  index_ = 0;
  configureParserFromECUandXMLData(image, toggles, params);
  const uint64_t count = getDTCCountFromAddress(count_address_);
  for (index_ = 0; index_ < count; ++index_) {
    if (isDTCEnabled()) {
      parseDTC();
    }
  }
  return true;
}
