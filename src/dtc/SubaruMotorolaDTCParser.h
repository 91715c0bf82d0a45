#pragma once

#include "dtc/DTCParser.h"

// N entries of S bytes at the ROM offset of controller address D: state byte
// at +0 (0 = disabled), a kind byte at +1 and the code digits at +2, +3.
// Needs the offset translator of the controller; without one the parse fails.
class SubaruMotorolaDTCParser : public DTCParser {
 public:
  bool DoParse(const Image& image, ToggleMap& toggles, TiXmlElement& params) override;
  void SetupCommonParserFlags() override;

 protected:
  void configureParserFromECUandXMLData(const Image& image, ToggleMap& toggles,
                                        TiXmlElement& params);
  bool isDTCEnabled(uint64_t entry) const;
  void parseDTC(uint64_t entry);

  uint32_t table_offset_ = 0;
};
