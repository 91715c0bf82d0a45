#pragma once

#include "dtc/VolkswagenTricoreDTCParser.h"

// The Tricore walk over (Dend - D) / S entries with one state byte per
// entry at E + i (0 = disabled).
class VolkswagenSimosDTCParser : public VolkswagenTricoreDTCParser {
 public:
  void SetupCommonParserFlags() override;

 protected:
  void configureStateLayout() override;
  // The entry count follows from the table end instead.
  uint64_t getDTCCountFromAddress(uint64_t address) override;
};
