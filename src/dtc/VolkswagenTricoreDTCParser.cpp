#include "dtc/VolkswagenTricoreDTCParser.h"

const std::string VolkswagenTricoreDTCParser::DTC_IGNORE_RANGES = "dtc_ignore_ranges";
const std::string VolkswagenTricoreDTCParser::DTC_IGNORE_RANGE = "dtc_ignore_range";
const std::string VolkswagenTricoreDTCParser::DTC_IGNORE_START = "start_address";
const std::string VolkswagenTricoreDTCParser::DTC_IGNORE_END = "end_address";

namespace {
const uint32_t kDisabledState = 0xFDFF;
}

void VolkswagenTricoreDTCParser::SetupCommonParserFlags() {
  common_parser_flags_ =
      FLAG_DEFINITION_ADDRESS | FLAG_ENABLED_STATE_ADDRESS | FLAG_STRUCT_SIZE | FLAG_COUNT_ADDRESS;
}

void VolkswagenTricoreDTCParser::configureParserFromECUandXMLData(const Image& image,
                                                                  ToggleMap& toggles,
                                                                  TiXmlElement& params) {
  BeginParse(image, toggles);
  definition_address_ = ReadParamNumber(params, DTC_DEFINITION_ADDRESS);
  enabled_state_address_ = ReadParamNumber(params, DTC_ENABLED_STATE_ADDRESS);
  struct_size_ = ReadParamNumber(params, DTC_STRUCT_SIZE);
  count_address_ = ReadParamNumber(params, DTC_COUNT_ADDRESS);
  count_ = getDTCCountFromAddress(count_address_);
  // Ranges a definition gives are honoured by every variant.
  configureIgnoreRangesFromXMLData(params);
}

void VolkswagenTricoreDTCParser::configureIgnoreRangesFromXMLData(TiXmlElement& params) {
  ignore_ranges_.clear();
  ReadIgnoreRanges(params, DTC_IGNORE_RANGES, DTC_IGNORE_RANGE, DTC_IGNORE_START, DTC_IGNORE_END,
                   ignore_ranges_);
}

bool VolkswagenTricoreDTCParser::isDTCEnabled() {
  return getValueForDTC() != kDisabledState && isDTCOutsideIgnoreRange();
}

bool VolkswagenTricoreDTCParser::isDTCOutsideIgnoreRange() {
  return isOutsideIgnoreRange(getOffsetForDTCEnableDisableState());
}

bool VolkswagenTricoreDTCParser::isOutsideIgnoreRange(uint64_t offset) {
  return IsOutsideIgnoreRanges(ignore_ranges_, offset);
}

void VolkswagenTricoreDTCParser::parseDTC() {
  AddStateSegment(NameFromBytesAt(getDTCPCodeStartByte(), false),
                  getOffsetForDTCEnableDisableState(), getDisabledStateValues());
}

uint64_t VolkswagenTricoreDTCParser::getPartialDTCROMOffset() {
  return index_ * struct_size_;
}

uint64_t VolkswagenTricoreDTCParser::getDTCPCodeStartByte() {
  return definition_address_ + getPartialDTCROMOffset();
}

uint64_t VolkswagenTricoreDTCParser::getOffsetForDTCEnableDisableState() {
  return enabled_state_address_ + getPartialDTCROMOffset();
}

uint32_t VolkswagenTricoreDTCParser::getValueForDTC() {
  return getValueAtROMOffset(getOffsetForDTCEnableDisableState());
}

uint32_t VolkswagenTricoreDTCParser::getValueAtROMOffset(uint64_t offset) {
  return LE16At(offset);
}

uint64_t VolkswagenTricoreDTCParser::getDTCCountFromAddress(uint64_t address) {
  return LE16At(address);
}

std::vector<uint8_t> VolkswagenTricoreDTCParser::getDisabledStateValues() {
  // kDisabledState as stored (low byte first), so a code switched off
  // through its toggle reads as disabled when the ROM is parsed again.
  return {0xFF, 0xFD};
}

bool VolkswagenTricoreDTCParser::DoParse(const Image& image, ToggleMap& toggles,
                                         TiXmlElement& params) {
  index_ = 0;
  configureParserFromECUandXMLData(image, toggles, params);
  for (index_ = 0; index_ < count_; ++index_) {
    if (isDTCEnabled()) {
      parseDTC();
    }
  }
  return true;
}
