#include "dtc/HondaTricoreDTCParser.h"

const std::string HondaTricoreDTCParser::DTC_IGNORE_RANGES = "dtc_ignore_ranges";
const std::string HondaTricoreDTCParser::DTC_IGNORE_RANGE = "dtc_ignore_range";
const std::string HondaTricoreDTCParser::DTC_IGNORE_START = "start_address";
const std::string HondaTricoreDTCParser::DTC_IGNORE_END = "end_address";

void HondaTricoreDTCParser::SetupCommonParserFlags() {
  common_parser_flags_ =
      FLAG_DEFINITION_ADDRESS | FLAG_ENABLED_STATE_ADDRESS | FLAG_STRUCT_SIZE | FLAG_COUNT_ADDRESS;
}

void HondaTricoreDTCParser::configureParserFromECUandXMLData(const Image& image, ToggleMap& toggles,
                                                             TiXmlElement& params) {
  BeginParse(image, toggles, params);
  table_ = CommonIndexedTable(LE16At(common_.count_address));
  table_.off_state = 0xFFFF;
  table_.switch_off = {0xFF, 0xFF};
  // Ranges a definition gives are honoured.
  configureIgnoreRangesFromXMLData(params);
}

void HondaTricoreDTCParser::configureIgnoreRangesFromXMLData(TiXmlElement& params) {
  ReadIgnoreRanges(params, DTC_IGNORE_RANGES, DTC_IGNORE_RANGE, DTC_IGNORE_START, DTC_IGNORE_END,
                   table_.ignore_ranges);
}

bool HondaTricoreDTCParser::DoParse(const Image& image, ToggleMap& toggles, TiXmlElement& params) {
  configureParserFromECUandXMLData(image, toggles, params);
  ParseIndexedTable(table_);
  return true;
}
