#include "dtc/VolkswagenTricoreDTCParserGT3.h"

void VolkswagenTricoreDTCParserGT3::configureStateLayout() {
  table_.state_stride = 1;
  table_.off_state = 0x0B;
  table_.switch_off = {0x0F};
}
