#pragma once

#include "dtc/DTCParser.h"

// N state bytes at E; bit k of byte n (least significant first) enables the
// code at D + 16n + 2k. "endian" says which code byte is the high one.
class SubaruHitachiISOCANDTCParser : public DTCParser {
 public:
  static const std::string DTC_ENDIAN;

  bool DoParse(const Image& image, ToggleMap& toggles, TiXmlElement& params) override;
  void SetupCommonParserFlags() override;

 protected:
  void configureParserFromECUandXMLData(const Image& image, ToggleMap& toggles,
                                        TiXmlElement& params);
  void parseStateByte(uint64_t stateIndex);

  bool first_byte_high_ = false;
};
