#include "dtc/ParserFactory.h"

#include <unordered_map>

#include "dtc/BMWN54DTCParser.h"
#include "dtc/BMWN55DTCParser.h"
#include "dtc/FordInfineonDTCParser.h"
#include "dtc/HondaTricoreDTCParser.h"
#include "dtc/MazdaPPCDTCParser.h"
#include "dtc/MazdaSHDTCParser.h"
#include "dtc/MitsuHitachiDTCParser.h"
#include "dtc/NissanHitachiDTCParser.h"
#include "dtc/PorscheSimosDTCParser.h"
#include "dtc/SubaruHitachiDTCParser.h"
#include "dtc/SubaruHitachiISOCANDTCParser.h"
#include "dtc/SubaruMotorolaDTCParser.h"
#include "dtc/ToyotaDTCParser.h"
#include "dtc/VolkswagenDSGDTCParser.h"
#include "dtc/VolkswagenSimosDTCParser.h"
#include "dtc/VolkswagenTricoreDTCParser.h"
#include "dtc/VolkswagenTricoreDTCParserGT3.h"

namespace dtc {
namespace {

using Creator = std::unique_ptr<DTCParser> (*)();

template <class Family>
std::unique_ptr<DTCParser> Create() {
  return std::unique_ptr<DTCParser>(new Family());
}

struct Entry {
  const char* name;
  Creator create;
};

const Entry kEntries[] = {
    {"SUBARU_HITACHI_DTC_PARSER", &Create<SubaruHitachiDTCParser>},
    {"SUBARU_HITACHI_ISOCAN_DTC_PARSER", &Create<SubaruHitachiISOCANDTCParser>},
    {"SUBARU_MOTOROLA_DTC_PARSER", &Create<SubaruMotorolaDTCParser>},
    {"NISSAN_HITACHI_DTC_PARSER", &Create<NissanHitachiDTCParser>},
    {"FORD_INFINEON_DTC_PARSER", &Create<FordInfineonDTCParser>},
    {"VOLKSWAGEN_TRICORE_DTC_PARSER", &Create<VolkswagenTricoreDTCParser>},
    {"VOLKSWAGEN_TRICORE_DTC_PARSER_GT3", &Create<VolkswagenTricoreDTCParserGT3>},
    {"VOLKSWAGEN_SIMOS_DTC_PARSER", &Create<VolkswagenSimosDTCParser>},
    {"MAZDA_PPC_DTC_PARSER", &Create<MazdaPPCDTCParser>},
    {"MAZDA_SH_DTC_PARSER", &Create<MazdaSHDTCParser>},
    {"PORSCHE_SIMOS_DTC_PARSER", &Create<PorscheSimosDTCParser>},
    {"VOLKSWAGEN_DSG_DTC_PARSER", &Create<VolkswagenDSGDTCParser>},
    {"BMW_N54_DTC_PARSER", &Create<BMWN54DTCParser>},
    {"BMW_N55_DTC_PARSER", &Create<BMWN55DTCParser>},
    {"MITSU_HITACHI_DTC_PARSER", &Create<MitsuHitachiDTCParser>},
    {"HONDA_TRICORE_DTC_PARSER", &Create<HondaTricoreDTCParser>},
    {"TOYOTA_DTC_PARSER", &Create<ToyotaDTCParser>},
};

const std::unordered_map<std::string, Creator>& Registry() {
  static const std::unordered_map<std::string, Creator> registry = [] {
    std::unordered_map<std::string, Creator> map;
    for (const Entry& entry : kEntries) {
      map.emplace(entry.name, entry.create);
    }
    return map;
  }();
  return registry;
}

// Fill the registry during start-up so that later calls only read it.
[[maybe_unused]] const bool kRegistryFilled = !Registry().empty();

}  // namespace

std::unique_ptr<DTCParser> MakeParser(const std::string& name) {
  const auto& registry = Registry();
  const auto found = registry.find(name);
  if (found == registry.end()) {
    return nullptr;
  }
  std::unique_ptr<DTCParser> parser = found->second();
  parser->init();
  return parser;
}

const std::vector<std::string>& RegisteredParserNames() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> list;
    for (const Entry& entry : kEntries) {
      list.emplace_back(entry.name);
    }
    return list;
  }();
  return names;
}

}  // namespace dtc
