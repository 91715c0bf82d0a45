#pragma once

#include "dtc/DTCParser.h"

// LE16 count at C; entries of S bytes: the code low byte first at D + i*S,
// the LE16 state at E + i*S (0xFFFF = disabled). States inside one of the
// "dtc_ignore_ranges" are left alone.
class HondaTricoreDTCParser : public DTCParser {
 public:
  static const std::string DTC_IGNORE_RANGES;
  static const std::string DTC_IGNORE_RANGE;
  static const std::string DTC_IGNORE_START;
  static const std::string DTC_IGNORE_END;

  bool DoParse(const Image& image, ToggleMap& toggles, TiXmlElement& params) override;
  void SetupCommonParserFlags() override;

  const IgnoreRanges& GetIgnoreRanges() const { return ignore_ranges_; }

 protected:
  virtual void configureParserFromECUandXMLData(const Image& image, ToggleMap& toggles,
                                                TiXmlElement& params);
  virtual void configureIgnoreRangesFromXMLData(TiXmlElement& params);
  virtual bool isDTCEnabled();
  virtual bool isDTCOutsideIgnoreRange();
  virtual bool isOutsideIgnoreRange(uint64_t offset);
  virtual void parseDTC();
  virtual uint64_t getPartialDTCROMOffset();
  virtual uint64_t getDTCPCodeStartByte();
  virtual uint64_t getOffsetForDTCEnableDisableState();
  virtual uint32_t getValueForDTC();
  virtual uint32_t getValueAtROMOffset(uint64_t offset);
  virtual uint64_t getDTCCountFromAddress(uint64_t address);

  uint32_t definition_address_ = 0;
  uint32_t enabled_state_address_ = 0;
  uint32_t struct_size_ = 0;
  uint32_t count_address_ = 0;
  uint64_t index_ = 0;
  IgnoreRanges ignore_ranges_;
};
