// ecucal info: what the definition says about the vehicle and its ECU.
#include <CLI/CLI.hpp>
#include <algorithm>
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

struct InfoOptions {
  std::string definition;
  bool json = false;
};

template <class Store>
std::vector<std::string> SortedKeys(const Store& store) {
  std::vector<std::string> keys;
  for (const auto& entry : store)
    keys.push_back(entry.first);
  std::sort(keys.begin(), keys.end());
  return keys;
}

// The version is a single-precision number; 1.1 should read as 1.1.
double Version(const vehicle::Vehicle& vehicle) {
  return std::round(static_cast<double>(vehicle.GetVersion()) * 1000.0) / 1000.0;
}

std::string Limit(uint32_t limit, const char* unit) {
  return limit == 0 ? std::string("none") : std::to_string(limit) + " " + unit;
}

int Run(const InfoOptions& options) {
  Progress progress;
  const Definition definition = LoadDefinition(options.definition, CacheUse::kCacheFirst, progress);
  const vehicle::Vehicle& vehicle = *definition.vehicle;
  const vehicle::RomInfo& rom = vehicle.GetRomInfo();

  std::vector<std::string> variants;
  vehicle.GetVehicleVariants(variants);
  std::vector<std::string> crcs;
  for (uint32_t crc : rom.GetRomCrcs())
    crcs.push_back(Hex32(crc));
  const std::vector<std::string> feature_versions = SortedKeys(rom.GetFeatureVersions());
  const std::vector<std::string> feature_toggles = SortedKeys(rom.GetFeatureToggles());
  const std::vector<ClassCount> counts = CountObjects(definition);
  const std::string cpu = Word(vehicle::priv::GetCPUStrs(), rom.GetCPU());
  const std::string protocol = Word(vehicle::priv::GetProtocolStrs(), rom.GetProtocol());
  const std::string flash = Word(vehicle::priv::GetFlashStrs(), rom.GetFlash());
  const std::string realtime =
      Word(vehicle::priv::GetRealtimeSupportStrs(), rom.GetRealtimeSupport());
  const auto& firmware = rom.GetFirmwareId();

  if (options.json) {
    nlohmann::json firmware_json = nullptr;
    if (!firmware.id.empty()) {
      firmware_json = {{"id", firmware.id}, {"offset", firmware.offset}};
    }
    PrintJson({
        {"definition", definition.path},
        {"source", definition.from_cache ? "cache" : "xml"},
        {"vehicle_id", vehicle.GetLiveRomName()},
        {"stock_rom_name", vehicle.GetStockRomName()},
        {"version", Version(vehicle)},
        {"read_only", vehicle.IsReadOnly()},
        {"valid", definition.valid},
        {"variants", variants},
        {"bundle_ids", vehicle.GetBundleIds()},
        {"rom",
         {
             {"cpu", cpu},
             {"protocol", protocol},
             {"flash", flash},
             {"rom_name", rom.GetRomName()},
             {"rom_crcs", rom.GetRomCrcs()},
             {"realtime", realtime},
             {"has_realtime_tables", vehicle.HasRealtimeTables()},
             {"monitor_byte_limit", rom.GetMonitorByteLimit()},
             {"monitor_count_limit", rom.GetMonitorCountLimit()},
             {"firmware_id", firmware_json},
             {"dtc_parser", rom.GetDTC()},
             {"feature_versions", feature_versions},
             {"feature_toggles", feature_toggles},
         }},
        {"counts", CountsJson(counts)},
    });
    return kExitOk;
  }

  TextTable table({"Vehicle", vehicle.GetLiveRomName()});
  table.AddRow({"Stock ROM", vehicle.GetStockRomName()});
  table.AddRow({"Format version", ShortDouble(Version(vehicle))});
  table.AddRow({"Read from", SourceText(definition) + ", " + definition.path});
  table.AddRow({"Read-only", vehicle.IsReadOnly() ? "yes" : "no"});
  table.AddRow({"Valid", definition.valid ? "yes" : "no (see ecucal check)"});
  table.AddRow({"Variants", JoinOrDash(variants)});
  table.AddRow({"Bundle ids", JoinOrDash(vehicle.GetBundleIds())});
  table.AddRow({"CPU", cpu});
  table.AddRow({"Protocol", protocol});
  table.AddRow({"Flash method", flash});
  table.AddRow({"ROM CRCs", JoinOrDash(crcs)});
  table.AddRow({"Realtime", realtime + (vehicle.HasRealtimeTables() ? ", has RAM tables" : "")});
  table.AddRow({"Firmware id", firmware.id.empty()
                                   ? std::string("-")
                                   : firmware.id + " at " + Hex32(firmware.offset)});
  table.AddRow({"Monitor limits", Limit(rom.GetMonitorByteLimit(), "bytes") + ", " +
                                      Limit(rom.GetMonitorCountLimit(), "monitors")});
  table.AddRow({"Trouble codes", rom.GetDTC().empty() ? "-" : rom.GetDTC()});
  table.AddRow({"Feature versions", JoinOrDash(feature_versions)});
  table.AddRow({"Feature toggles", JoinOrDash(feature_toggles)});
  std::string objects;
  for (const ClassCount& count : counts) {
    if (!objects.empty())
      objects += ", ";
    objects += std::to_string(count.valid) + " " + count.label;
  }
  table.AddRow({"Objects", objects});
  table.Print(std::cout);
  return kExitOk;
}

}  // namespace

Verb AddInfoVerb(CLI::App& app) {
  auto options = std::make_shared<InfoOptions>();
  CLI::App* command = app.add_subcommand(
      "info",
      "Print the ROM information of a definition: vehicle id, stock ROM name, variants,\n"
      "bundle ids, processor, protocols, checksums, limits, and the object counts.");
  command->add_option("definition", options->definition, "top document of the definition")
      ->required();
  command->add_flag("--json", options->json, "print one JSON document");
  return {command, [options] { return Run(*options); }};
}

}  // namespace ecucal_cli
