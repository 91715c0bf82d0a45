#include "dtc/BMWN54DTCParser.h"

namespace {
const uint64_t kStateOffset = 6;
}

void BMWN54DTCParser::SetupCommonParserFlags() {
  common_parser_flags_ = FLAG_DEFINITION_ADDRESS | FLAG_STRUCT_SIZE;
}

void BMWN54DTCParser::configureParserFromECUandXMLData(const Image& image, ToggleMap& toggles,
                                                       TiXmlElement& params) {
  BeginParse(image, toggles);
  definition_address_ = ReadParamNumber(params, DTC_DEFINITION_ADDRESS);
  struct_size_ = ReadParamNumber(params, DTC_STRUCT_SIZE);
}

bool BMWN54DTCParser::isDTCIdValid(uint64_t index) const {
  return LE16At(definition_address_ + getPartialDTCROMOffset(index)) != 0;
}

bool BMWN54DTCParser::isDTCEnabled(uint64_t index) const {
  return ByteAt(definition_address_ + kStateOffset + getPartialDTCROMOffset(index)) != 0;
}

void BMWN54DTCParser::parseDTC(uint64_t index) {
  const uint64_t entry = definition_address_ + getPartialDTCROMOffset(index);
  AddStateSegment(NameFromBytesAt(entry, false), entry + kStateOffset, {0x00});
}

bool BMWN54DTCParser::DoParse(const Image& image, ToggleMap& toggles, TiXmlElement& params) {
  configureParserFromECUandXMLData(image, toggles, params);
  if (struct_size_ == 0) {
    return false;  // the walk would never leave the first entry
  }
  for (uint64_t index = 0; isDTCIdValid(index); ++index) {
    if (isDTCEnabled(index)) {
      parseDTC(index);
    }
  }
  return true;
}
