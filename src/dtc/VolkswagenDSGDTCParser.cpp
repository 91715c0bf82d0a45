#include "dtc/VolkswagenDSGDTCParser.h"

#include <tinyxml.h>

#include "util/XmlRead.h"

const std::string VolkswagenDSGDTCParser::DTC_STRUCTS = "dtc_structs";
const std::string VolkswagenDSGDTCParser::DTC_BLOCK_SIZE = "dtc_block_size";

void VolkswagenDSGDTCParser::SetupCommonParserFlags() {
  common_parser_flags_ = FLAG_DEFINITION_ADDRESS;
}

std::string VolkswagenDSGDTCParser::BlockSuffix(uint32_t block) {
  return block == 0 ? std::string() : "_" + std::to_string(block);
}

void VolkswagenDSGDTCParser::configureParserFromECUandXMLData(const Image& image,
                                                              ToggleMap& toggles,
                                                              TiXmlElement& params) {
  BeginParse(image, toggles, params);
  block_count_ = ReadParamNumber(params, DTC_STRUCTS);
}

std::set<uint32_t> VolkswagenDSGDTCParser::BlocksToWalk(const TiXmlElement& params) const {
  // A block without an entry count has no entries, so only the names the
  // element actually carries need a look; walking every number up to a
  // huge block count would take for ever.
  std::set<uint32_t> blocks;
  if (block_count_ == 0) {
    return blocks;
  }
  blocks.insert(0);
  const std::string prefix = DTC_BLOCK_SIZE + "_";
  const auto consider = [&](const std::string& name) {
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) {
      return;
    }
    const uint32_t block = util::ParseUnsigned(name.substr(prefix.size()));
    if (block != 0 && block < block_count_ && name == DTC_BLOCK_SIZE + BlockSuffix(block)) {
      blocks.insert(block);
    }
  };
  for (const TiXmlAttribute* attribute = params.FirstAttribute(); attribute;
       attribute = attribute->Next()) {
    consider(attribute->Name());
  }
  for (const TiXmlElement* child = params.FirstChildElement(); child;
       child = child->NextSiblingElement()) {
    consider(child->Value());
  }
  return blocks;
}

void VolkswagenDSGDTCParser::parseBlock(const TiXmlElement& params, uint32_t block) {
  const std::string suffix = BlockSuffix(block);
  // Only the plain definition address is required; the state addresses and
  // entry counts of the blocks are read unchecked, 0 when absent.
  IndexedTable table;
  table.count = ReadParamNumber(params, DTC_BLOCK_SIZE + suffix);
  table.code_address = ReadParamNumber(params, DTC_DEFINITION_ADDRESS + suffix);
  table.code_stride = 2;
  table.state_address = ReadParamNumber(params, DTC_ENABLED_STATE_ADDRESS + suffix);
  table.state_stride = 2;
  table.off_state = 0;
  table.switch_off = {0x00, 0x00};
  ParseIndexedTable(table);
}

bool VolkswagenDSGDTCParser::DoParse(const Image& image, ToggleMap& toggles, TiXmlElement& params) {
  configureParserFromECUandXMLData(image, toggles, params);
  for (uint32_t block : BlocksToWalk(params)) {
    parseBlock(params, block);
  }
  return true;
}
