#pragma once

#include "dtc/DTCParser.h"

// 16-byte entries at D (code high byte first at +0) ending at code 0xFFFF;
// each holds at +12 the BE32 address of its two state bytes.
class MazdaPPCDTCParser : public DTCParser {
 public:
  bool DoParse(const Image& image, ToggleMap& toggles, TiXmlElement& params) override;
  void SetupCommonParserFlags() override;

 protected:
  void configureParserFromECUandXMLData(const Image& image, ToggleMap& toggles,
                                        TiXmlElement& params);
  bool isDTCIdValid(uint64_t entry) const;
  uint32_t getAddressForDTCEnableDisableState(uint64_t entry) const;
  bool isDTCEnabled(uint32_t stateAddress) const;
};
