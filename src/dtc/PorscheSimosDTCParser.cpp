#include "dtc/PorscheSimosDTCParser.h"

void PorscheSimosDTCParser::SetupCommonParserFlags() {
  common_parser_flags_ = FLAG_DEFINITION_ADDRESS | FLAG_ENABLED_STATE_ADDRESS | FLAG_STRUCT_SIZE |
                         FLAG_DEFINITION_ADDRESS_END;
}

void PorscheSimosDTCParser::configureParserFromECUandXMLData(const Image& image, ToggleMap& toggles,
                                                             TiXmlElement& params) {
  BeginParse(image, toggles);
  definition_address_ = ReadParamNumber(params, DTC_DEFINITION_ADDRESS);
  enabled_state_address_ = ReadParamNumber(params, DTC_ENABLED_STATE_ADDRESS);
  struct_size_ = ReadParamNumber(params, DTC_STRUCT_SIZE);
  definition_address_end_ = ReadParamNumber(params, DTC_DEFINITION_ADDRESS_END);
}

bool PorscheSimosDTCParser::isDTCEnabled() {
  return getValueForDTC() != 0;
}

void PorscheSimosDTCParser::parseDTC() {
  AddStateSegment(NameFromBytesAt(getDTCPCodeStartByte(), false),
                  getOffsetForDTCEnableDisableState(), {0x00});
}

uint64_t PorscheSimosDTCParser::getPartialDTCROMOffset() {
  return index_ * struct_size_;
}

uint64_t PorscheSimosDTCParser::getDTCPCodeStartByte() {
  return definition_address_ + getPartialDTCROMOffset();
}

uint32_t PorscheSimosDTCParser::getValueForDTC() {
  return ByteAt(getOffsetForDTCEnableDisableState());
}

uint64_t PorscheSimosDTCParser::getDTCCountFromAddress(uint64_t address) {
  // `address` is the table end; an end before the start is an empty table.
  if (struct_size_ == 0 || address < definition_address_) {
    return 0;
  }
  return (address - definition_address_) / struct_size_;
}

bool PorscheSimosDTCParser::DoParse(const Image& image, ToggleMap& toggles, TiXmlElement& params) {
  index_ = 0;
  configureParserFromECUandXMLData(image, toggles, params);
  const uint64_t count = getDTCCountFromAddress(definition_address_end_);
  for (index_ = 0; index_ < count; ++index_) {
    if (isDTCEnabled()) {
      parseDTC();
    }
  }
  return true;
}
