#pragma once

#include "dtc/DTCParser.h"

// LE16 count at C; 2-byte codes (low byte first) at D + 2i and 2-byte states
// at E + 2i. A code byte of 0x01 marks an unused slot; the state LE16 0x0080
// means disabled.
class BMWN55DTCParser : public DTCParser {
 public:
  bool DoParse(const Image& image, ToggleMap& toggles, TiXmlElement& params) override;
  void SetupCommonParserFlags() override;

 protected:
  void configureParserFromECUandXMLData(const Image& image, ToggleMap& toggles,
                                        TiXmlElement& params);
  bool isDTCEnabled(uint64_t index) const;
  void parseDTC(uint64_t index);
};
