#pragma once

#include "dtc/DTCParser.h"

// One state byte per code at E + i (0x01 = enabled) for every i below
// D - E; code i (high byte first) at D + K + i*S, K = "dtc_pcode_idx".
// Switching a code off clears both its state byte and its code.
class SubaruHitachiDTCParser : public DTCParser {
 public:
  static const std::string DTC_PCODE_IDX;

  bool DoParse(const Image& image, ToggleMap& toggles, TiXmlElement& params) override;
  bool DoValidateConfigXML(TiXmlElement& params) const override;
  void SetupCommonParserFlags() override;

 protected:
  void configureParserFromECUandXMLData(const Image& image, ToggleMap& toggles,
                                        TiXmlElement& params);
  uint64_t getDTCPCodeStartByte(uint64_t index) const;
  bool isDTCEnabled(uint64_t index) const;
  void parseDTC(uint64_t index);

  uint32_t pcode_index_ = 0;
};
