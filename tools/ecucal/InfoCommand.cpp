// ecucal info: what the definition says about the vehicle and its ECU.
#include <CLI/CLI.hpp>
#include <cmath>
#include <iostream>
#include <memory>
#include <string>

#include "Commands.h"
#include "Definition.h"
#include "Output.h"
#include "vehicle/definition/RomInfo.h"
#include "vehicle/loading/Vehicle.h"

namespace ecucal_cli {

namespace {

// The version is a single-precision number; 1.1 should read as 1.1.
double Version(const vehicle::Vehicle& vehicle) {
  return std::round(static_cast<double>(vehicle.GetVersion()) * 1000.0) / 1000.0;
}

std::string Limit(uint32_t limit, const char* unit) {
  return limit == 0 ? std::string("none") : std::to_string(limit) + " " + unit;
}

// What both outputs show, in words.
struct Facts {
  std::vector<std::string> variants;
  std::vector<std::string> crcs;
  std::vector<std::string> feature_versions;
  std::vector<std::string> feature_toggles;
  std::vector<ClassCount> counts;
  std::string cpu, protocol, flash, realtime;
};

Facts FactsOf(const Definition& definition) {
  const vehicle::Vehicle& vehicle = *definition.vehicle;
  const vehicle::RomInfo& rom = vehicle.GetRomInfo();
  Facts facts;
  vehicle.GetVehicleVariants(facts.variants);
  for (uint32_t crc : rom.GetRomCrcs())
    facts.crcs.push_back(Hex32(crc));
  facts.feature_versions = SortedKeys(rom.GetFeatureVersions());
  facts.feature_toggles = SortedKeys(rom.GetFeatureToggles());
  facts.counts = CountObjects(definition);
  facts.cpu = Word(vehicle::priv::GetCPUStrs(), rom.GetCPU());
  facts.protocol = Word(vehicle::priv::GetProtocolStrs(), rom.GetProtocol());
  facts.flash = Word(vehicle::priv::GetFlashStrs(), rom.GetFlash());
  facts.realtime = Word(vehicle::priv::GetRealtimeSupportStrs(), rom.GetRealtimeSupport());
  return facts;
}

nlohmann::json RomJson(const vehicle::Vehicle& vehicle, const Facts& facts) {
  const vehicle::RomInfo& rom = vehicle.GetRomInfo();
  const auto& firmware = rom.GetFirmwareId();
  nlohmann::json firmware_json = nullptr;
  if (!firmware.id.empty())
    firmware_json = {{"id", firmware.id}, {"offset", firmware.offset}};
  return {
      {"cpu", facts.cpu},
      {"protocol", facts.protocol},
      {"flash", facts.flash},
      {"rom_name", rom.GetRomName()},
      {"rom_crcs", rom.GetRomCrcs()},
      {"realtime", facts.realtime},
      {"has_realtime_tables", vehicle.HasRealtimeTables()},
      {"monitor_byte_limit", rom.GetMonitorByteLimit()},
      {"monitor_count_limit", rom.GetMonitorCountLimit()},
      {"firmware_id", firmware_json},
      {"dtc_parser", rom.GetDTC()},
      {"feature_versions", facts.feature_versions},
      {"feature_toggles", facts.feature_toggles},
  };
}

void PrintJsonInfo(const Definition& definition, const Facts& facts) {
  const vehicle::Vehicle& vehicle = *definition.vehicle;
  PrintJson({
      {"definition", definition.path},
      {"source", SourceKey(definition)},
      {"vehicle_id", vehicle.GetLiveRomName()},
      {"stock_rom_name", vehicle.GetStockRomName()},
      {"version", Version(vehicle)},
      {"read_only", vehicle.IsReadOnly()},
      {"valid", definition.valid},
      {"variants", facts.variants},
      {"bundle_ids", vehicle.GetBundleIds()},
      {"rom", RomJson(vehicle, facts)},
      {"counts", CountsJson(facts.counts)},
  });
}

void PrintTextInfo(const Definition& definition, const Facts& facts) {
  const vehicle::Vehicle& vehicle = *definition.vehicle;
  const vehicle::RomInfo& rom = vehicle.GetRomInfo();
  const auto& firmware = rom.GetFirmwareId();
  TextTable table({"Vehicle", vehicle.GetLiveRomName()});
  table.AddRow({"Stock ROM", vehicle.GetStockRomName()});
  table.AddRow({"Format version", ShortDouble(Version(vehicle))});
  table.AddRow({"Read from", SourceText(definition) + ", " + definition.path});
  table.AddRow({"Read-only", vehicle.IsReadOnly() ? "yes" : "no"});
  table.AddRow({"Valid", definition.valid ? "yes" : "no (see ecucal check)"});
  table.AddRow({"Variants", JoinOrDash(facts.variants)});
  table.AddRow({"Bundle ids", JoinOrDash(vehicle.GetBundleIds())});
  table.AddRow({"CPU", facts.cpu});
  table.AddRow({"Protocol", facts.protocol});
  table.AddRow({"Flash method", facts.flash});
  table.AddRow({"ROM CRCs", JoinOrDash(facts.crcs)});
  table.AddRow(
      {"Realtime", facts.realtime + (vehicle.HasRealtimeTables() ? ", has RAM tables" : "")});
  table.AddRow({"Firmware id", firmware.id.empty()
                                   ? std::string("-")
                                   : firmware.id + " at " + Hex32(firmware.offset)});
  table.AddRow({"Monitor limits", Limit(rom.GetMonitorByteLimit(), "bytes") + ", " +
                                      Limit(rom.GetMonitorCountLimit(), "monitors")});
  table.AddRow({"Trouble codes", rom.GetDTC().empty() ? "-" : rom.GetDTC()});
  table.AddRow({"Feature versions", JoinOrDash(facts.feature_versions)});
  table.AddRow({"Feature toggles", JoinOrDash(facts.feature_toggles)});
  std::string objects;
  for (const ClassCount& count : facts.counts) {
    if (!objects.empty())
      objects += ", ";
    objects += std::to_string(count.valid) + " " + count.label;
  }
  table.AddRow({"Objects", objects});
  table.Print(std::cout);
}

int Run(const DefinitionOptions& options) {
  const Definition definition = LoadDefinition(options.definition);
  const Facts facts = FactsOf(definition);
  if (options.json) {
    PrintJsonInfo(definition, facts);
  } else {
    PrintTextInfo(definition, facts);
  }
  return kExitOk;
}

}  // namespace

Verb AddInfoVerb(CLI::App& app) {
  auto options = std::make_shared<DefinitionOptions>();
  CLI::App* command = AddDefinitionVerb(
      app, "info",
      "Print the ROM information of a definition: vehicle id, stock ROM name, variants,\n"
      "bundle ids, processor, protocols, checksums, limits, and the object counts.",
      *options);
  return {command, [options] { return Run(*options); }};
}

}  // namespace ecucal_cli
