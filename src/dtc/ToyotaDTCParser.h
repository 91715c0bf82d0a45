#pragma once

#include "dtc/DTCParser.h"

// A group directory at "dtc_entry_point": LE16 group count, then per group
// the LE32 address of its list of entry pointers and the LE32 address of
// its entry count byte. Every entry points (through one more LE32) to a
// record with the code high byte first at +2 and two state bytes at +12.
class ToyotaDTCParser : public DTCParser {
 public:
  static const std::string DTC_ENTRY_POINT;

  bool DoParse(const Image& image, ToggleMap& toggles, TiXmlElement& params) override;
  void SetupCommonParserFlags() override;

 protected:
  void configureParserFromECUandXMLData(const Image& image, ToggleMap& toggles,
                                        TiXmlElement& params);
  void parseGroup(uint64_t group);

  uint32_t entry_point_ = 0;
};
