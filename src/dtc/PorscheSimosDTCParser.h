#pragma once

#include "dtc/DTCParser.h"

// (Dend - D) / S entries: the code low byte first at D + i*S and one state
// byte at E + i (0 = disabled).
class PorscheSimosDTCParser : public DTCParser {
 public:
  bool DoParse(const Image& image, ToggleMap& toggles, TiXmlElement& params) override;
  void SetupCommonParserFlags() override;

 protected:
  virtual bool isDTCEnabled();
  virtual void parseDTC();
  virtual uint64_t getPartialDTCROMOffset();
  virtual uint64_t getDTCPCodeStartByte();
  virtual uint32_t getValueForDTC();
  virtual uint64_t getDTCCountFromAddress(uint64_t address);

  void configureParserFromECUandXMLData(const Image& image, ToggleMap& toggles,
                                        TiXmlElement& params);
  uint64_t getOffsetForDTCEnableDisableState() const { return enabled_state_address_ + index_; }

  uint32_t definition_address_ = 0;
  uint32_t enabled_state_address_ = 0;
  uint32_t struct_size_ = 0;
  uint32_t definition_address_end_ = 0;
  uint64_t index_ = 0;
};
