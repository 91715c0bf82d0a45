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
  BeginParse(image, toggles);
  definition_address_ = ReadParamNumber(params, DTC_DEFINITION_ADDRESS);
  enabled_state_address_ = ReadParamNumber(params, DTC_ENABLED_STATE_ADDRESS);
  count_address_ = ReadParamNumber(params, DTC_COUNT_ADDRESS);
}

bool BMWN55DTCParser::isDTCEnabled(uint64_t index) const {
  if (ByteAt(definition_address_ + 2 * index) == kUnusedCodeByte) {
    return false;
  }
  return LE16At(enabled_state_address_ + 2 * index) != kDisabledState;
}

void BMWN55DTCParser::parseDTC(uint64_t index) {
  // Disabled values in ROM order, so that they read back as kDisabledState.
  AddStateSegment(NameFromBytesAt(definition_address_ + 2 * index, false),
                  enabled_state_address_ + 2 * index, {0x80, 0x00});
}

bool BMWN55DTCParser::DoParse(const Image& image, ToggleMap& toggles, TiXmlElement& params) {
  configureParserFromECUandXMLData(image, toggles, params);
  const uint64_t count = LE16At(count_address_);
  for (uint64_t index = 0; index < count; ++index) {
    if (isDTCEnabled(index)) {
      parseDTC(index);
    }
  }
  return true;
}
