#include "dtc/MazdaSHDTCParser.h"

const std::string MazdaSHDTCParser::DTC_ENA_DEFINITION_ADDRESS = "dtc_ena_definition_address";

namespace {
const uint64_t kEntrySize = 20;
const uint64_t kStateWordOffset = 18;
const uint64_t kEnableEntrySize = 44;
const uint64_t kEnableStateOffset = 42;
const uint16_t kTableEnd = 0xFFFF;
// Only words above this are addresses worth comparing.
const uint32_t kMinMatchWord = 0x100000;
}  // namespace

void MazdaSHDTCParser::SetupCommonParserFlags() {
  common_parser_flags_ = FLAG_DEFINITION_ADDRESS;
}

void MazdaSHDTCParser::configureParserFromECUandXMLData(const Image& image, ToggleMap& toggles,
                                                        TiXmlElement& params) {
  BeginParse(image, toggles, params);
  enable_definition_address_ = ReadParamNumber(params, DTC_ENA_DEFINITION_ADDRESS);
  first_entry_by_word_.clear();
  next_enable_entry_ = enable_definition_address_;
  enable_table_ended_ = false;
}

bool MazdaSHDTCParser::isDTCIdValid(uint64_t entry) const {
  return BE16At(entry) != kTableEnd;
}

bool MazdaSHDTCParser::isDTCEnabled(uint64_t entry) const {
  return BE16At(entry + kStateWordOffset) != 0;
}

bool MazdaSHDTCParser::MatchStructs(uint64_t entry, uint64_t& stateOffset) {
  for (size_t w = 0; w < code_words_.size(); ++w) {
    code_words_[w] = BE32At(entry + 4 + 4 * w);
  }
  // The earliest enable entry holding any of the code words wins. Entries
  // not read yet all lie after the ones already indexed.
  const auto earliestIndexed = [this](uint64_t& found) {
    bool any = false;
    for (uint32_t code : code_words_) {
      if (code <= kMinMatchWord) {
        continue;
      }
      const auto hit = first_entry_by_word_.find(code);
      if (hit != first_entry_by_word_.end() && (!any || hit->second < found)) {
        found = hit->second;
        any = true;
      }
    }
    return any;
  };
  uint64_t found = 0;
  while (!earliestIndexed(found)) {
    if (enable_table_ended_ || BE16At(next_enable_entry_) == kTableEnd) {
      enable_table_ended_ = true;
      return false;
    }
    for (size_t w = 0; w < enable_words_.size(); ++w) {
      enable_words_[w] = BE32At(next_enable_entry_ + 4 + 4 * w);
      first_entry_by_word_.emplace(enable_words_[w], next_enable_entry_);
    }
    next_enable_entry_ += kEnableEntrySize;
  }
  stateOffset = found + kEnableStateOffset;
  return true;
}

bool MazdaSHDTCParser::DoParse(const Image& image, ToggleMap& toggles, TiXmlElement& params) {
  configureParserFromECUandXMLData(image, toggles, params);
  for (uint64_t entry = common_.definition_address; isDTCIdValid(entry); entry += kEntrySize) {
    uint64_t stateOffset = 0;
    if (isDTCEnabled(entry) && MatchStructs(entry, stateOffset)) {
      AddStateSegment(NameFromBytesAt(entry, true), stateOffset, {0x00, 0x00});
    }
  }
  return true;
}
