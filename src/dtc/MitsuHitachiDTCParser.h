#pragma once

#include <map>
#include <set>

#include "dtc/DTCParser.h"

// Codes are BE16 at D + 2*id (0 = no code). Their enable bits run from
// "dtc_ena_definition_address", eight ids per byte, most significant bit
// first, with a mirror of the bit map 36 bytes further on. Ids 16..31 come
// first, then (from the next byte) ids 16..287; id 288 is switched by the
// byte at "dtc_group_toggle_address" (0x90 = off).
//
// "dtc_pairs" ties secondary codes to a primary: the primary's toggle is
// named "<primary>, <secondary>, ..." with the secondaries in text order.
class MitsuHitachiDTCParser : public DTCParser {
 public:
  static const std::string DTC_ENA_DEFINITION_ADDRESS;
  static const std::string DTC_GROUP_TOGGLE_ADDRESS;
  static const std::string TAG_DTC_PAIRS;
  static const std::string TAG_DTC_PAIR;
  static const std::string ATTR_PRIMARY;
  static const std::string ATTR_SECONDARY;

  bool DoParse(const Image& image, ToggleMap& toggles, TiXmlElement& params) override;
  void SetupCommonParserFlags() override;

 protected:
  void configureParserFromECUandXMLData(const Image& image, ToggleMap& toggles,
                                        TiXmlElement& params);
  void buildPrimarySecondaryDtcPairs(const TiXmlElement& params);
  std::string concatPrimaryDtcWithSecondaries(const std::string& name) const;
  // Walks ids first..last with a fresh bit counter from the current byte.
  void parseIdRange(uint32_t first, uint32_t last);
  void parseGroupToggle();
  bool isValidDTCID(uint32_t id) const;
  std::string parseDTCName(uint32_t id) const;

  uint64_t enable_position_ = 0;
  uint32_t group_toggle_address_ = 0;
  std::map<std::string, std::set<std::string>> primary_secondaries_;
};
