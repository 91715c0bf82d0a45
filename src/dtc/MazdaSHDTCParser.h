#pragma once

#include <array>
#include <unordered_map>

#include "dtc/DTCParser.h"

// 20-byte code entries at D (code high byte first at +0, state BE16 at +18)
// ending at code 0xFFFF. An enabled code is tied to the 44-byte enable entry
// that shares one of its addresses; the enable word sits at that entry +42.
class MazdaSHDTCParser : public DTCParser {
 public:
  static const std::string DTC_ENA_DEFINITION_ADDRESS;

  bool DoParse(const Image& image, ToggleMap& toggles, TiXmlElement& params) override;
  void SetupCommonParserFlags() override;

 protected:
  void configureParserFromECUandXMLData(const Image& image, ToggleMap& toggles,
                                        TiXmlElement& params);
  bool isDTCIdValid(uint64_t entry) const;
  bool isDTCEnabled(uint64_t entry) const;
  // Finds the enable entry of the code entry at `entry`; its state offset
  // goes to `stateOffset`.
  bool MatchStructs(uint64_t entry, uint64_t& stateOffset);

  uint32_t enable_definition_address_ = 0;
  std::array<uint32_t, 3> code_words_{};
  std::array<uint32_t, 9> enable_words_{};

 private:
  // Enable entries already read, so that each is read once per parse
  // whatever the number of codes: word -> offset of the first entry holding
  // it. The scan stops at the terminator or where the last match was found.
  std::unordered_map<uint32_t, uint64_t> first_entry_by_word_;
  uint64_t next_enable_entry_ = 0;
  bool enable_table_ended_ = false;
};
