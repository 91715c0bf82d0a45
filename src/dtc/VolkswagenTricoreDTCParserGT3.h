#pragma once

#include "dtc/VolkswagenTricoreDTCParser.h"

// The Tricore table with one state byte per entry at E + i; 0x0B means
// disabled and 0x0F is written to switch a code off.
class VolkswagenTricoreDTCParserGT3 : public VolkswagenTricoreDTCParser {
 protected:
  void configureStateLayout() override;
};
