#include "dtc/PorscheSimosDTCParser.h"

void PorscheSimosDTCParser::SetupCommonParserFlags() {
  common_parser_flags_ = FLAG_DEFINITION_ADDRESS | FLAG_ENABLED_STATE_ADDRESS | FLAG_STRUCT_SIZE |
                         FLAG_DEFINITION_ADDRESS_END;
}

DTCParser::IndexedTable PorscheSimosDTCParser::configureParserFromECUandXMLData(
    const Image& image, ToggleMap& toggles, TiXmlElement& params) {
  BeginParse(image, toggles, params);
  IndexedTable table = CommonIndexedTable(common_.EntryCount());
  table.state_stride = 1;
  table.off_state = 0;
  table.switch_off = {0x00};
  return table;
}

bool PorscheSimosDTCParser::DoParse(const Image& image, ToggleMap& toggles, TiXmlElement& params) {
  ParseIndexedTable(configureParserFromECUandXMLData(image, toggles, params));
  return true;
}
