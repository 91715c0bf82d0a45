#include "dtc/NissanHitachiDTCParser.h"

namespace {
const uint64_t kCodeOffset = 6;
}

void NissanHitachiDTCParser::SetupCommonParserFlags() {
  common_parser_flags_ = FLAG_DEFINITION_ADDRESS | FLAG_ENABLED_STATE_ADDRESS | FLAG_STRUCT_SIZE |
                         FLAG_DEFINITION_ADDRESS_END;
}

void NissanHitachiDTCParser::configureParserFromECUandXMLData(const Image& image,
                                                              ToggleMap& toggles,
                                                              TiXmlElement& params) {
  BeginParse(image, toggles, params);
}

uint8_t NissanHitachiDTCParser::getStateBit(uint64_t entry) const {
  const uint8_t bitNumber = ByteAt(entry + 1);
  return bitNumber < 8 ? static_cast<uint8_t>(1u << bitNumber) : 0;
}

uint64_t NissanHitachiDTCParser::getOffsetForDTCEnableDisableState(uint64_t entry) const {
  return uint64_t{common_.enabled_state_address} + ByteAt(entry);
}

bool NissanHitachiDTCParser::DoParse(const Image& image, ToggleMap& toggles, TiXmlElement& params) {
  configureParserFromECUandXMLData(image, toggles, params);
  // The end must lie past the start by whole entries.
  const uint64_t count = common_.EntryCount();
  if (count == 0 || !common_.EndsOnWholeEntry())
    return false;
  for (uint64_t index = 0; index < count; ++index) {
    const uint64_t entry = common_.definition_address + index * common_.struct_size;
    const uint8_t bit = getStateBit(entry);
    if (bit == 0) {
      continue;
    }
    const uint64_t stateOffset = getOffsetForDTCEnableDisableState(entry);
    if ((ByteAt(stateOffset) & bit) != 0) {
      AddMaskedStateSegment(NameFromBytesAt(entry + kCodeOffset, true), stateOffset, bit, bit,
                            0x00);
    }
  }
  return true;
}
