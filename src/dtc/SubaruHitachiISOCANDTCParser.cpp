#include "dtc/SubaruHitachiISOCANDTCParser.h"

#include "util/XmlRead.h"

const std::string SubaruHitachiISOCANDTCParser::DTC_ENDIAN = "endian";

namespace {
const uint64_t kCodesPerStateByte = 16;  // bytes of codes per state byte
// Bits 0 and 1 of this state byte belong to real codes even when they read 0000.
const uint64_t kZeroCodeStateByte = 20;
}  // namespace

void SubaruHitachiISOCANDTCParser::SetupCommonParserFlags() {
  common_parser_flags_ = FLAG_DEFINITION_ADDRESS | FLAG_ENABLED_STATE_ADDRESS | FLAG_COUNT;
}

void SubaruHitachiISOCANDTCParser::configureParserFromECUandXMLData(const Image& image,
                                                                    ToggleMap& toggles,
                                                                    TiXmlElement& params) {
  BeginParse(image, toggles, params);
  std::string endian;
  ReadParamText(params, DTC_ENDIAN, endian);
  first_byte_high_ = util::ToLower(endian) == "big";
}

void SubaruHitachiISOCANDTCParser::parseStateByte(uint64_t stateIndex) {
  const uint64_t stateOffset = common_.enabled_state_address + stateIndex;
  const uint8_t state = ByteAt(stateOffset);
  for (unsigned bit = 0; bit < 8; ++bit) {
    const uint8_t mask = static_cast<uint8_t>(1u << bit);
    if ((state & mask) == 0) {
      continue;
    }
    const uint64_t codeOffset =
        common_.definition_address + kCodesPerStateByte * stateIndex + 2 * bit;
    const std::vector<uint8_t> code = BytesAt(codeOffset, 2);
    const bool zero = code[0] == 0 && code[1] == 0;
    if (zero && !(stateIndex == kZeroCodeStateByte && bit < 2)) {
      continue;
    }
    const std::string name =
        first_byte_high_ ? FormatDTCName(code[0], code[1]) : FormatDTCName(code[1], code[0]);
    AddMaskedStateSegment(name, stateOffset, mask, mask, 0x00);
    AddSegment(name, codeOffset, code,
               zero ? std::vector<uint8_t>{0xFF, 0xFF} : std::vector<uint8_t>{0x00, 0x00});
  }
}

bool SubaruHitachiISOCANDTCParser::DoParse(const Image& image, ToggleMap& toggles,
                                           TiXmlElement& params) {
  configureParserFromECUandXMLData(image, toggles, params);
  for (uint64_t stateIndex = 0; stateIndex < common_.count; ++stateIndex) {
    parseStateByte(stateIndex);
  }
  return true;
}
