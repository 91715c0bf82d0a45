#pragma once

#include <set>

#include "dtc/DTCParser.h"

// "dtc_structs" blocks, each a run of LE16 codes at D and LE16 states at E
// ("dtc_block_size" of each). Block 0 reads the plain parameter names,
// block k > 0 the names with "_k" appended.
class VolkswagenDSGDTCParser : public DTCParser {
 public:
  static const std::string DTC_STRUCTS;
  static const std::string DTC_BLOCK_SIZE;

  bool DoParse(const Image& image, ToggleMap& toggles, TiXmlElement& params) override;
  void SetupCommonParserFlags() override;

  // "" for block 0, "_k" for block k.
  static std::string BlockSuffix(uint32_t block);

 protected:
  void configureParserFromECUandXMLData(const Image& image, ToggleMap& toggles,
                                        TiXmlElement& params);
  // The blocks below the block count that can hold entries: block 0 and
  // every block whose entry count parameter is given.
  std::set<uint32_t> BlocksToWalk(const TiXmlElement& params) const;
  void parseBlock(const TiXmlElement& params, uint32_t block);

  uint32_t block_count_ = 0;
};
