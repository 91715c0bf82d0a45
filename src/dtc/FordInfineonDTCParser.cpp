#include "dtc/FordInfineonDTCParser.h"

namespace ecu {
namespace ford {

void infineon_pcode_bytes_to_str(const unsigned char* bytes, std::string& out) {
  if (bytes == nullptr) {
    return;
  }
  out = DTCParser::FormatDTCName(bytes[1], bytes[0]);
}

}  // namespace ford
}  // namespace ecu

void FordInfineonDTCParser::SetupCommonParserFlags() {
  common_parser_flags_ = FLAG_DEFINITION_ADDRESS | FLAG_STRUCT_SIZE | FLAG_DEFINITION_ADDRESS_END;
}

void FordInfineonDTCParser::configureParserFromECUandXMLData(const Image& image, ToggleMap& toggles,
                                                             TiXmlElement& params) {
  BeginParse(image, toggles, params);
}

uint64_t FordInfineonDTCParser::getAddressForDTCEnableDisableState(uint64_t record) const {
  return uint64_t{ByteAt(record + common_.struct_size)} | uint64_t{ByteAt(record + 5)} << 8 |
         uint64_t{ByteAt(record + 6)} << 16;
}

bool FordInfineonDTCParser::DoParse(const Image& image, ToggleMap& toggles, TiXmlElement& params) {
  configureParserFromECUandXMLData(image, toggles, params);
  // The list must end after its start by whole entries.
  if (!common_.EndsOnWholeEntry())
    return false;
  for (uint64_t pointer = common_.definition_address; pointer < common_.definition_address_end;
       pointer += common_.struct_size) {
    const uint64_t record = LE24At(pointer);
    const uint64_t stateAddress = getAddressForDTCEnableDisableState(record);
    if (ByteAt(stateAddress) == 0) {
      continue;
    }
    const std::vector<uint8_t> code = BytesAt(record, 2);
    std::string name;
    ecu::ford::infineon_pcode_bytes_to_str(code.data(), name);
    AddStateSegment(name, stateAddress, {0x00});
  }
  return true;
}
