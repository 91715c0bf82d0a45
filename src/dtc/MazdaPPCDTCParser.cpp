#include "dtc/MazdaPPCDTCParser.h"

namespace {
const uint64_t kEntrySize = 16;
const uint64_t kStateAddressOffset = 12;
const uint16_t kTableEnd = 0xFFFF;
const uint32_t kMaxStateAddress = 0x40000000;
}  // namespace

void MazdaPPCDTCParser::SetupCommonParserFlags() {
  common_parser_flags_ = FLAG_DEFINITION_ADDRESS;
}

void MazdaPPCDTCParser::configureParserFromECUandXMLData(const Image& image, ToggleMap& toggles,
                                                         TiXmlElement& params) {
  BeginParse(image, toggles, params);
}

bool MazdaPPCDTCParser::isDTCIdValid(uint64_t entry) const {
  return BE16At(entry) != kTableEnd;
}

uint32_t MazdaPPCDTCParser::getAddressForDTCEnableDisableState(uint64_t entry) const {
  return BE32At(entry + kStateAddressOffset);
}

bool MazdaPPCDTCParser::isDTCEnabled(uint32_t stateAddress) const {
  return stateAddress <= kMaxStateAddress && ByteAt(stateAddress) != 0;
}

bool MazdaPPCDTCParser::DoParse(const Image& image, ToggleMap& toggles, TiXmlElement& params) {
  configureParserFromECUandXMLData(image, toggles, params);
  for (uint64_t entry = common_.definition_address; isDTCIdValid(entry); entry += kEntrySize) {
    const uint32_t stateAddress = getAddressForDTCEnableDisableState(entry);
    if (isDTCEnabled(stateAddress)) {
      AddStateSegment(NameFromBytesAt(entry, true), stateAddress, {0x00, 0x00});
    }
  }
  return true;
}
