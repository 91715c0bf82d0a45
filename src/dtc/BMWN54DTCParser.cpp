#include "dtc/BMWN54DTCParser.h"

namespace {
const uint64_t kStateOffset = 6;
}

void BMWN54DTCParser::SetupCommonParserFlags() {
  common_parser_flags_ = FLAG_DEFINITION_ADDRESS | FLAG_STRUCT_SIZE;
}

void BMWN54DTCParser::configureParserFromECUandXMLData(const Image& image, ToggleMap& toggles,
                                                       TiXmlElement& params) {
  BeginParse(image, toggles, params);
}

bool BMWN54DTCParser::isDTCIdValid(uint64_t index) const {
  return LE16At(common_.definition_address + getPartialDTCROMOffset(index)) != 0;
}

bool BMWN54DTCParser::isDTCEnabled(uint64_t index) const {
  return ByteAt(common_.definition_address + kStateOffset + getPartialDTCROMOffset(index)) != 0;
}

void BMWN54DTCParser::parseDTC(uint64_t index) {
  const uint64_t entry = common_.definition_address + getPartialDTCROMOffset(index);
  AddStateSegment(NameFromBytesAt(entry, false), entry + kStateOffset, {0x00});
}

bool BMWN54DTCParser::DoParse(const Image& image, ToggleMap& toggles, TiXmlElement& params) {
  configureParserFromECUandXMLData(image, toggles, params);
  if (common_.struct_size == 0) {
    return false;  // the walk would never leave the first entry
  }
  for (uint64_t index = 0; isDTCIdValid(index); ++index) {
    if (isDTCEnabled(index)) {
      parseDTC(index);
    }
  }
  return true;
}
