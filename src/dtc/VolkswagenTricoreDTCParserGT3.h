#pragma once

#include "dtc/VolkswagenTricoreDTCParser.h"

// The Tricore table with one state byte per entry at E + i; 0x0B means
// disabled and 0x0F is written to switch a code off.
class VolkswagenTricoreDTCParserGT3 : public VolkswagenTricoreDTCParser {
 protected:
  bool isDTCEnabled() override;
  uint64_t getOffsetForDTCEnableDisableState() override;
  uint32_t getValueAtROMOffset(uint64_t offset) override;
  std::vector<uint8_t> getDisabledStateValues() override;
};
