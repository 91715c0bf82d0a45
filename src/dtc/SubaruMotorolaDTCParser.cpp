#include "dtc/SubaruMotorolaDTCParser.h"

#include <cstdio>

#include "vehicle/definition/ECUOffsetTranslator.h"

namespace {
const uint8_t kKindNeedsCode = 0x05;
}

void SubaruMotorolaDTCParser::SetupCommonParserFlags() {
  common_parser_flags_ = FLAG_DEFINITION_ADDRESS | FLAG_COUNT | FLAG_STRUCT_SIZE;
}

void SubaruMotorolaDTCParser::configureParserFromECUandXMLData(const Image& image,
                                                               ToggleMap& toggles,
                                                               TiXmlElement& params) {
  BeginParse(image, toggles, params);
  table_offset_ = translator_->translate(common_.definition_address);
}

bool SubaruMotorolaDTCParser::isDTCEnabled(uint64_t entry) const {
  if (ByteAt(entry) == 0) {
    return false;
  }
  if (ByteAt(entry + 1) == kKindNeedsCode) {
    return ByteAt(entry + 2) != 0 || ByteAt(entry + 3) != 0;
  }
  return true;
}

void SubaruMotorolaDTCParser::parseDTC(uint64_t entry) {
  // These codes carry no system bits: always a powertrain code.
  char digits[8];
  std::snprintf(digits, sizeof(digits), "%02X%02X", static_cast<unsigned>(ByteAt(entry + 2)),
                static_cast<unsigned>(ByteAt(entry + 3)));
  AddStateSegment(std::string("P") + digits, entry, {0x00});
}

bool SubaruMotorolaDTCParser::DoParse(const Image& image, ToggleMap& toggles,
                                      TiXmlElement& params) {
  if (translator_ == nullptr) {
    return false;  // the table address is a controller address
  }
  configureParserFromECUandXMLData(image, toggles, params);
  if (common_.struct_size == 0) {
    return false;  // every entry would be the first one
  }
  for (uint64_t index = 0; index < common_.count; ++index) {
    const uint64_t entry = table_offset_ + index * common_.struct_size;
    if (isDTCEnabled(entry)) {
      parseDTC(entry);
    }
  }
  return true;
}
