#pragma once

#include "dtc/DTCParser.h"

// (Dend - D) / S entries at D: entry +0 picks a state byte at E + s,
// entry +1 the bit in it (1 << b), entry +6 holds the code high byte first.
class NissanHitachiDTCParser : public DTCParser {
 public:
  bool DoParse(const Image& image, ToggleMap& toggles, TiXmlElement& params) override;
  void SetupCommonParserFlags() override;

 protected:
  void configureParserFromECUandXMLData(const Image& image, ToggleMap& toggles,
                                        TiXmlElement& params);
  // The entry's state bit, 0 when the bit number leaves the byte.
  uint8_t getStateBit(uint64_t entry) const;
  uint64_t getOffsetForDTCEnableDisableState(uint64_t entry) const;
};
