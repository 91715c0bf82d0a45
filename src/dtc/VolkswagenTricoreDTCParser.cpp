#include "dtc/VolkswagenTricoreDTCParser.h"

const std::string VolkswagenTricoreDTCParser::DTC_IGNORE_RANGES = "dtc_ignore_ranges";
const std::string VolkswagenTricoreDTCParser::DTC_IGNORE_RANGE = "dtc_ignore_range";
const std::string VolkswagenTricoreDTCParser::DTC_IGNORE_START = "start_address";
const std::string VolkswagenTricoreDTCParser::DTC_IGNORE_END = "end_address";

void VolkswagenTricoreDTCParser::SetupCommonParserFlags() {
  common_parser_flags_ =
      FLAG_DEFINITION_ADDRESS | FLAG_ENABLED_STATE_ADDRESS | FLAG_STRUCT_SIZE | FLAG_COUNT_ADDRESS;
}

void VolkswagenTricoreDTCParser::configureParserFromECUandXMLData(const Image& image,
                                                                  ToggleMap& toggles,
                                                                  TiXmlElement& params) {
  BeginParse(image, toggles, params);
  table_ = CommonIndexedTable(getDTCCountFromAddress(common_.count_address));
  configureStateLayout();
  // Ranges a definition gives are honoured by every variant.
  configureIgnoreRangesFromXMLData(params);
}

void VolkswagenTricoreDTCParser::configureIgnoreRangesFromXMLData(TiXmlElement& params) {
  ReadIgnoreRanges(params, DTC_IGNORE_RANGES, DTC_IGNORE_RANGE, DTC_IGNORE_START, DTC_IGNORE_END,
                   table_.ignore_ranges);
}

void VolkswagenTricoreDTCParser::configureStateLayout() {
  table_.off_state = 0xFDFF;
  // The off state as stored (low byte first), so that a code switched off
  // through its toggle reads as disabled when the ROM is parsed again.
  table_.switch_off = {0xFF, 0xFD};
}

uint64_t VolkswagenTricoreDTCParser::getDTCCountFromAddress(uint64_t address) {
  return LE16At(address);
}

bool VolkswagenTricoreDTCParser::DoParse(const Image& image, ToggleMap& toggles,
                                         TiXmlElement& params) {
  configureParserFromECUandXMLData(image, toggles, params);
  ParseIndexedTable(table_);
  return true;
}
