#include "Rom.h"

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "Output.h"
#include "RomMap.h"
#include "outside/FileIO.h"
#include "vehicle/data/ToggleData.h"
#include "vehicle/data/VehicleData.h"
#include "vehicle/definition/Table.h"
#include "vehicle/definition/XMLToggle.h"
#include "vehicle/loading/Vehicle.h"

namespace ecucal_cli {

namespace fs = std::filesystem;

namespace {

// Far beyond any ECU flash; a larger file is refused before it is read.
constexpr uint64_t kMaxImageBytes = uint64_t{1} << 30;

std::string SystemError() {
  return std::strerror(errno);
}

uint64_t PowerOfTwoFor(uint64_t end) {
  uint64_t size = 1024;
  while (size < end)
    size *= 2;
  return size;
}

std::string SizeText(uint64_t bytes) {
  std::string text = std::to_string(bytes) + " bytes";
  if (bytes >= 1024 && bytes % 1024 == 0)
    text += " (" + std::to_string(bytes / 1024) + " KiB)";
  return text;
}

// The first item of the definition that lies (partly) beyond `size`; a
// table when one does, since that is what a tuner knows the ROM by.
const Owner* FirstBeyond(const RomMap& map, uint64_t size) {
  const Owner* first = nullptr;
  auto rank = [](const Owner& owner) { return owner.kind == Owner::kTable ? 0 : 1; };
  for (const Owner& owner : map.owners()) {
    if (owner.bytes.end <= size)
      continue;
    if (first == nullptr || rank(owner) < rank(*first) ||
        (rank(owner) == rank(*first) && owner.bytes.begin < first->bytes.begin))
      first = &owner;
  }
  return first;
}

std::string OwnerText(const Owner& owner) {
  std::string text = owner.kind == Owner::kToggle    ? "toggle \"" + owner.id + "\""
                     : owner.kind == Owner::kRomInfo ? owner.id
                                                     : "table \"" + owner.id + "\"";
  if (!owner.detail.empty())
    text += " (" + owner.detail + ")";
  return text;
}

}  // namespace

CLI::App* AddRomVerb(CLI::App& app, const std::string& name, const std::string& description,
                     RomOptions& options) {
  CLI::App* command = AddDefinitionVerb(app, name, description, options);
  command->add_option("--second", options.second,
                      "second image (trouble codes, ephemeral tables); default: the ROM itself");
  return command;
}

void AddOutputOptions(CLI::App* command, OutputOptions& options) {
  command->add_option("-o,--output", options.output, "write the edited image here");
  command->add_flag("--in-place", options.in_place,
                    "overwrite the ROM itself, keeping the original as ROM.bak");
}

void CheckOutputOptions(const OutputOptions& options, const std::string& rom_path) {
  if (options.output.empty() == !options.in_place)
    throw CommandError(kExitUsage, "give either -o OUT or --in-place");
  if (options.in_place)
    return;
  std::error_code error;
  if (options.output == rom_path || fs::equivalent(options.output, rom_path, error)) {
    throw CommandError(kExitUsage, "-o names the input ROM " + rom_path +
                                       "; use --in-place to overwrite it (keeps ROM.bak)");
  }
}

Image ReadImage(const std::string& path, const std::string& what) {
  std::error_code error;
  if (fs::is_directory(path, error))
    throw CommandError(kExitUnreadable, "cannot read " + what + " " + path + ": it is a folder");
  std::ifstream file(path, std::ios::binary);
  if (!file)
    throw CommandError(kExitUnreadable, "cannot read " + what + " " + path + ": " + SystemError());
  const uint64_t size = fs::file_size(path, error);
  if (!error && size > kMaxImageBytes) {
    throw CommandError(kExitBadRequest,
                       what + " " + path + " is " + SizeText(size) + ", larger than any ROM");
  }
  Image bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (file.bad())
    throw CommandError(kExitUnreadable, "cannot read " + what + " " + path);
  return bytes;
}

void WriteFileAtomically(const std::string& path, const Image& bytes) {
  std::string error;
  if (!util::WriteFileAtomically(path, bytes, error))
    throw CommandError(kExitUnreadable, "cannot write " + path + ": " + error);
}

std::string WriteOutput(const OutputOptions& options, const std::string& rom_path,
                        const Image& bytes) {
  if (!options.in_place) {
    WriteFileAtomically(options.output, bytes);
    return options.output;
  }
  WriteFileAtomically(rom_path + ".bak", ReadImage(rom_path, "ROM"));
  WriteFileAtomically(rom_path, bytes);
  return rom_path;
}

bool IsTableRestricted(const vehicle::Vehicle& vehicle, const std::string& id) {
  if (vehicle.GetTableRestrictor().IsRestricted(id))
    return true;
  for (const auto* store : {&vehicle.GetTables(), &vehicle.GetRemovedTables()}) {
    if (store->dataExists(id) && store->findData(id)->IsRestricted())
      return true;
  }
  return false;
}

bool IsToggleRestricted(const vehicle::Vehicle& vehicle, const std::string& id) {
  return vehicle.GetToggleRestrictor().IsRestricted(id);
}

RomSession::RomSession(const RomOptions& options, Progress& progress)
    : options_(options), progress_(progress), exceptions_(std::uncaught_exceptions()) {
  // A cache file keeps only the adjustable tables and none of the trouble-code
  // layout or live ROM information, so ROM work always reads the XML.
  definition_ = LoadDefinition(options.definition, CacheUse::kIgnoreCache, progress);
  vehicle::Vehicle& vehicle = *definition_.vehicle;
  auto& tables = vehicle.GetTableRestrictor();
  tables.DetermineStockAndNonstockRestrictedIds(tables.GetRestrictedIds());
  auto& toggles = vehicle.GetToggleRestrictor();
  toggles.DetermineStockAndNonstockRestrictedIds(toggles.GetRestrictedIds());
  const RomMap map(*definition_.vehicle);
  const Owner* furthest = map.Furthest();
  expected_size_ = PowerOfTwoFor(furthest != nullptr ? furthest->bytes.end : 0);
}

RomSession::~RomSession() {
  // Said once the verb has done its work, so that a failure stays one line.
  if (second_defaulted_ && std::uncaught_exceptions() == exceptions_)
    std::cerr << "ecucal: no --second image given; each ROM was its own second image\n";
}

void RomSession::CheckSize(const std::string& path, const Image& image) const {
  if (image.size() == expected_size_)
    return;
  const RomMap map(*definition_.vehicle);
  if (const Owner* beyond = FirstBeyond(map, image.size())) {
    throw CommandError(kExitBadRequest, path + " is " + SizeText(image.size()) +
                                            ", too short for " + OwnerText(*beyond) + " at " +
                                            RangeText(beyond->bytes));
  }
  throw CommandError(kExitBadRequest, path + " is " + SizeText(image.size()) +
                                          "; the definition expects " + SizeText(expected_size_));
}

Image RomSession::ReadSecond(const std::string& rom_path, const Image& rom) {
  (void)rom_path;
  if (options_.second.empty()) {
    second_defaulted_ = true;
    return rom;
  }
  Image second = ReadImage(options_.second, "second image");
  CheckSize(options_.second, second);
  return second;
}

Rom RomSession::Open(const std::string& path) {
  Rom rom;
  rom.path = path;
  progress_.Step("reading " + path);
  rom.image = ReadImage(path, "ROM");
  CheckSize(path, rom.image);
  rom.second = ReadSecond(path, rom.image);
  progress_.Step("building the tables and toggles of " + path);
  rom.data = std::make_shared<vehicle::VehicleData>(definition_.vehicle);
  const int result = rom.data->BuildVehicle(rom.image, rom.second, true);
  progress_.Clear();
  if (result == vehicle::VehicleData::BUILD_FAILED || !rom.data->IsBuilt())
    ThrowBuildFailure(rom);
  return rom;
}

void RomSession::ThrowBuildFailure(const Rom& rom) const {
  const std::string prefix = "cannot build " + rom.path + ": ";
  for (const auto& entry : definition_.vehicle->GetXMLToggles()) {
    vehicle::ToggleData toggle(*entry.second);
    if (!toggle.BuildToggle(rom.image)) {
      throw CommandError(kExitBadRequest, prefix + "strictly checked toggle \"" + entry.first +
                                              "\" matches both or neither of its states");
    }
  }
  const auto& toggles = rom.data->GetToggleRepository();
  if (!toggles.GetTroubleCodeError().empty()) {
    throw CommandError(kExitBadRequest,
                       prefix + "trouble codes unreadable: " + toggles.GetTroubleCodeError());
  }
  throw CommandError(kExitBadRequest, prefix + "the image does not fit the definition");
}

std::shared_ptr<vehicle::TableData> FindTable(const RomSession& session, const Rom& rom,
                                              const std::string& id) {
  if (auto table = rom.data->GetTable(id))
    return table;
  const vehicle::Vehicle& vehicle = session.vehicle();
  if (vehicle.GetInvalidTables().dataExists(id))
    throw CommandError(kExitBadRequest, "table \"" + id + "\" failed validation; see ecucal check");
  if (vehicle.GetRemovedTables().dataExists(id) || vehicle.GetTables().dataExists(id))
    throw CommandError(kExitBadRequest, "table \"" + id + "\" could not be built from " + rom.path);
  throw CommandError(kExitBadRequest,
                     "no table \"" + id + "\" in the definition; see ecucal tables");
}

}  // namespace ecucal_cli
