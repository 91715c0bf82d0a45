#include "dtc/ToyotaDTCParser.h"

const std::string ToyotaDTCParser::DTC_ENTRY_POINT = "dtc_entry_point";

namespace {
const uint64_t kGroupDirectoryOffset = 4;
const uint64_t kGroupSize = 8;
const uint64_t kCodeOffset = 2;
const uint64_t kStateOffset = 12;
}  // namespace

void ToyotaDTCParser::SetupCommonParserFlags() {
  common_parser_flags_ = 0;
}

void ToyotaDTCParser::configureParserFromECUandXMLData(const Image& image, ToggleMap& toggles,
                                                       TiXmlElement& params) {
  BeginParse(image, toggles, params);
  entry_point_ = ReadParamNumber(params, DTC_ENTRY_POINT);
}

void ToyotaDTCParser::parseGroup(uint64_t group) {
  const uint64_t groupEntry = entry_point_ + kGroupDirectoryOffset + kGroupSize * group;
  const uint64_t list = LE32At(groupEntry);
  const uint64_t count = ByteAt(LE32At(groupEntry + 4));
  for (uint64_t entry = 0; entry < count; ++entry) {
    const uint64_t record = LE32At(LE32At(list + 4 * entry));
    AddStateSegment(NameFromBytesAt(record + kCodeOffset, true), record + kStateOffset,
                    {0x00, 0x00});
  }
}

bool ToyotaDTCParser::DoParse(const Image& image, ToggleMap& toggles, TiXmlElement& params) {
  configureParserFromECUandXMLData(image, toggles, params);
  const uint64_t groups = LE16At(entry_point_);
  for (uint64_t group = 0; group < groups; ++group) {
    parseGroup(group);
  }
  return true;
}
