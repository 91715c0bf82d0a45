#include "dtc/BMWN55DTCParser.h"

namespace {
const uint8_t kUnusedCodeByte = 0x01;
const uint16_t kDisabledState = 0x0080;
}  // namespace

void BMWN55DTCParser::SetupCommonParserFlags() {
  common_parser_flags_ = FLAG_DEFINITION_ADDRESS | FLAG_COUNT_ADDRESS;
}

void BMWN55DTCParser::configureParserFromECUandXMLData(const Image& image, ToggleMap& toggles,
                                                       TiXmlElement& params) {
  // The state address is read although no flag requires it: an absent one
  // reads as 0, as it always has for this family.
  BeginParse(image, toggles, params);
}

bool BMWN55DTCParser::isDTCEnabled(uint64_t index) const {
  if (ByteAt(common_.definition_address + 2 * index) == kUnusedCodeByte) {
    return false;
  }
  return LE16At(common_.enabled_state_address + 2 * index) != kDisabledState;
}

void BMWN55DTCParser::parseDTC(uint64_t index) {
  // Disabled values in ROM order, so that they read back as kDisabledState.
  AddStateSegment(NameFromBytesAt(common_.definition_address + 2 * index, false),
                  common_.enabled_state_address + 2 * index, {0x80, 0x00});
}

bool BMWN55DTCParser::DoParse(const Image& image, ToggleMap& toggles, TiXmlElement& params) {
  configureParserFromECUandXMLData(image, toggles, params);
  const uint64_t count = LE16At(common_.count_address);
  for (uint64_t index = 0; index < count; ++index) {
    if (isDTCEnabled(index)) {
      parseDTC(index);
    }
  }
  return true;
}
