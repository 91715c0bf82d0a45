#pragma once

#include "dtc/DTCParser.h"

// (Dend - D) / S entries: the code low byte first at D + i*S and one state
// byte at E + i (0 = disabled).
class PorscheSimosDTCParser : public DTCParser {
 public:
  bool DoParse(const Image& image, ToggleMap& toggles, TiXmlElement& params) override;
  void SetupCommonParserFlags() override;

 protected:
  // Reads the parameters and lays out the table.
  IndexedTable configureParserFromECUandXMLData(const Image& image, ToggleMap& toggles,
                                                TiXmlElement& params);
};
