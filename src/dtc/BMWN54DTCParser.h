#pragma once

#include "dtc/DTCParser.h"

// Entries of S bytes at D: the code low byte first at +0, the state byte at
// +6 (enabled when not 0). The table ends at the first code 0.
class BMWN54DTCParser : public DTCParser {
 public:
  bool DoParse(const Image& image, ToggleMap& toggles, TiXmlElement& params) override;
  void SetupCommonParserFlags() override;

 protected:
  void configureParserFromECUandXMLData(const Image& image, ToggleMap& toggles,
                                        TiXmlElement& params);
  bool isDTCIdValid(uint64_t index) const;
  bool isDTCEnabled(uint64_t index) const;
  uint64_t getPartialDTCROMOffset(uint64_t index) const { return index * common_.struct_size; }
  void parseDTC(uint64_t index);
};
