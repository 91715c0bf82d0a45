#include "dtc/VolkswagenSimosDTCParser.h"

void VolkswagenSimosDTCParser::SetupCommonParserFlags() {
  common_parser_flags_ = FLAG_DEFINITION_ADDRESS | FLAG_ENABLED_STATE_ADDRESS | FLAG_STRUCT_SIZE |
                         FLAG_DEFINITION_ADDRESS_END;
}

void VolkswagenSimosDTCParser::configureStateLayout() {
  table_.state_stride = 1;
  table_.off_state = 0;
  table_.switch_off = {0x00};
}

uint64_t VolkswagenSimosDTCParser::getDTCCountFromAddress(uint64_t /*address*/) {
  return common_.EntryCount();
}
