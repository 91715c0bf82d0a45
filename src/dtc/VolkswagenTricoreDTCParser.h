#pragma once

#include "dtc/DTCParser.h"

// LE16 count at C; entries of S bytes: the code low byte first at D + i*S,
// the LE16 state at E + i*S (0xFDFF = disabled). States inside one of the
// "dtc_ignore_ranges" are left alone.
//
// The walk is the base's indexed table; the configuration lays it out, so
// that the GT3 and Simos variants only replace the layout steps that differ.
class VolkswagenTricoreDTCParser : public DTCParser {
 public:
  static const std::string DTC_IGNORE_RANGES;
  static const std::string DTC_IGNORE_RANGE;
  static const std::string DTC_IGNORE_START;
  static const std::string DTC_IGNORE_END;

  bool DoParse(const Image& image, ToggleMap& toggles, TiXmlElement& params) override;
  void SetupCommonParserFlags() override;

 protected:
  // Reads the parameters and lays out table_.
  virtual void configureParserFromECUandXMLData(const Image& image, ToggleMap& toggles,
                                                TiXmlElement& params);
  virtual void configureIgnoreRangesFromXMLData(TiXmlElement& params);
  // The state's stride and width and the values that mean and make "off".
  virtual void configureStateLayout();
  virtual uint64_t getDTCCountFromAddress(uint64_t address);

  IndexedTable table_;
};
