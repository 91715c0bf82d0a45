#include "dtc/VolkswagenSimosDTCParser.h"

void VolkswagenSimosDTCParser::SetupCommonParserFlags() {
  common_parser_flags_ = FLAG_DEFINITION_ADDRESS | FLAG_ENABLED_STATE_ADDRESS | FLAG_STRUCT_SIZE |
                         FLAG_DEFINITION_ADDRESS_END;
}

void VolkswagenSimosDTCParser::configureParserFromECUandXMLData(const Image& image,
                                                                ToggleMap& toggles,
                                                                TiXmlElement& params) {
  BeginParse(image, toggles);
  definition_address_ = ReadParamNumber(params, DTC_DEFINITION_ADDRESS);
  enabled_state_address_ = ReadParamNumber(params, DTC_ENABLED_STATE_ADDRESS);
  struct_size_ = ReadParamNumber(params, DTC_STRUCT_SIZE);
  definition_address_end_ = ReadParamNumber(params, DTC_DEFINITION_ADDRESS_END);
  // An end before the start is an empty table, not a wrapped huge one.
  count_ = (struct_size_ == 0 || definition_address_end_ < definition_address_)
               ? 0
               : (definition_address_end_ - definition_address_) / struct_size_;
  configureIgnoreRangesFromXMLData(params);
}

bool VolkswagenSimosDTCParser::isDTCEnabled() {
  return getValueForDTC() != 0 && isDTCOutsideIgnoreRange();
}

uint64_t VolkswagenSimosDTCParser::getOffsetForDTCEnableDisableState() {
  return enabled_state_address_ + index_;
}

uint32_t VolkswagenSimosDTCParser::getValueAtROMOffset(uint64_t offset) {
  return ByteAt(offset);
}

std::vector<uint8_t> VolkswagenSimosDTCParser::getDisabledStateValues() {
  return {0x00};
}
