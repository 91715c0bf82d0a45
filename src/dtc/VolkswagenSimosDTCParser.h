#pragma once

#include "dtc/VolkswagenTricoreDTCParser.h"

// The Tricore walk over (Dend - D) / S entries with one state byte per
// entry at E + i (0 = disabled).
class VolkswagenSimosDTCParser : public VolkswagenTricoreDTCParser {
 public:
  void SetupCommonParserFlags() override;

 protected:
  void configureParserFromECUandXMLData(const Image& image, ToggleMap& toggles,
                                        TiXmlElement& params) override;
  bool isDTCEnabled() override;
  uint64_t getOffsetForDTCEnableDisableState() override;
  uint32_t getValueAtROMOffset(uint64_t offset) override;
  std::vector<uint8_t> getDisabledStateValues() override;

  uint32_t definition_address_end_ = 0;
};
