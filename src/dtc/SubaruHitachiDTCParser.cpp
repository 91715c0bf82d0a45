#include "dtc/SubaruHitachiDTCParser.h"

const std::string SubaruHitachiDTCParser::DTC_PCODE_IDX = "dtc_pcode_idx";

namespace {
const uint8_t kEnabledState = 0x01;
const uint16_t kUnusedCode = 0xFFFF;
const uint16_t kReservedCode = 0x4BB0;
}  // namespace

void SubaruHitachiDTCParser::SetupCommonParserFlags() {
  common_parser_flags_ = FLAG_DEFINITION_ADDRESS | FLAG_ENABLED_STATE_ADDRESS | FLAG_STRUCT_SIZE;
}

bool SubaruHitachiDTCParser::DoValidateConfigXML(TiXmlElement& params) const {
  std::string text;
  if (!ReadParamText(params, DTC_PCODE_IDX, text) || ReadParamNumber(params, DTC_PCODE_IDX) == 0) {
    AddError();
    return false;
  }
  return true;
}

void SubaruHitachiDTCParser::configureParserFromECUandXMLData(const Image& image,
                                                              ToggleMap& toggles,
                                                              TiXmlElement& params) {
  BeginParse(image, toggles, params);
  pcode_index_ = ReadParamNumber(params, DTC_PCODE_IDX);
}

uint64_t SubaruHitachiDTCParser::getDTCPCodeStartByte(uint64_t index) const {
  return uint64_t{common_.definition_address} + pcode_index_ + index * common_.struct_size;
}

bool SubaruHitachiDTCParser::isDTCEnabled(uint64_t index) const {
  if (ByteAt(common_.enabled_state_address + index) != kEnabledState) {
    return false;
  }
  const uint16_t code = BE16At(getDTCPCodeStartByte(index));
  return code != kUnusedCode && code != kReservedCode;
}

void SubaruHitachiDTCParser::parseDTC(uint64_t index) {
  const uint64_t codeOffset = getDTCPCodeStartByte(index);
  const std::vector<uint8_t> code = BytesAt(codeOffset, 2);
  const std::string name = FormatDTCName(code[0], code[1]);
  AddStateSegment(name, common_.enabled_state_address + index, {0x00});
  // A code of 0000 is switched off by the unused-code marker instead.
  const bool zero = code[0] == 0 && code[1] == 0;
  AddSegment(name, codeOffset, code,
             zero ? std::vector<uint8_t>{0xFF, 0xFF} : std::vector<uint8_t>{0x00, 0x00});
}

bool SubaruHitachiDTCParser::DoParse(const Image& image, ToggleMap& toggles, TiXmlElement& params) {
  configureParserFromECUandXMLData(image, toggles, params);
  if (common_.enabled_state_address >= common_.definition_address) {
    return false;
  }
  const uint64_t count = common_.definition_address - common_.enabled_state_address;
  for (uint64_t index = 0; index < count; ++index) {
    if (isDTCEnabled(index)) {
      parseDTC(index);
    }
  }
  return true;
}
