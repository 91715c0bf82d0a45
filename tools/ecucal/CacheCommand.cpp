// ecucal cache: write the binary cache file beside a definition, and check it reads back.
#include <CLI/CLI.hpp>
#include <boost/archive/archive_exception.hpp>
#include <filesystem>
#include <iostream>
#include <memory>
#include <set>
#include <string>

#include "Commands.h"
#include "Definition.h"
#include "Output.h"
#include "vehicle/definition/CopyGroup.h"
#include "vehicle/definition/DataType.h"
#include "vehicle/definition/Group.h"
#include "vehicle/definition/RomInfo.h"
#include "vehicle/definition/Table.h"
#include "vehicle/definition/XMLToggle.h"
#include "vehicle/loading/Vehicle.h"
#include "vehicle/monitor/Monitor.h"

namespace ecucal_cli {

namespace {

struct CacheOptions : DefinitionOptions {
  bool verify = false;
};

// Differences between the definition as written and as read back from its
// cache, limited to what the cache file keeps.
class Comparison {
 public:
  template <class T>
  void Same(const std::string& what, const T& written, const T& read) {
    if (!(written == read))
      differences_.push_back(what + " differs");
  }

  template <class Store>
  void SameIds(const std::string& what, const Store& written, const Store& read) {
    const std::vector<std::string> a = SortedKeys(written), b = SortedKeys(read);
    for (const std::string& id : a) {
      if (!std::binary_search(b.begin(), b.end(), id))
        differences_.push_back(what + " \"" + id + "\" missing");
    }
    for (const std::string& id : b) {
      if (!std::binary_search(a.begin(), a.end(), id))
        differences_.push_back(what + " \"" + id + "\" appeared");
    }
  }

  void SameDataTypes(const vehicle::Vehicle::DataTypes& written,
                     const vehicle::Vehicle::DataTypes& read) {
    SameIds("data type", written, read);
    for (const auto& entry : written) {
      if (read.dataExists(entry.first) && *read.findData(entry.first) != *entry.second) {
        differences_.push_back("data type \"" + entry.first + "\" differs");
      }
    }
  }

  const std::vector<std::string>& differences() const { return differences_; }

 private:
  std::vector<std::string> differences_;
};

// The cache keeps the adjustable tables (and the tables that enable an
// adjustment) of a definition; the ROM views read the rest from XML.
std::set<std::string> CachedTableIds(const vehicle::Vehicle& vehicle) {
  std::set<std::string> ids;
  for (const auto& entry : vehicle.GetTables()) {
    if (entry.second->IsAdjustable() || entry.second->IsAdjustmentEnableTable()) {
      ids.insert(entry.first);
    }
  }
  return ids;
}

std::vector<std::string> Compare(const vehicle::Vehicle& written, const vehicle::Vehicle& read) {
  Comparison c;
  c.Same("vehicle id", written.GetLiveRomName(), read.GetLiveRomName());
  c.Same("version", written.GetVersion(), read.GetVersion());
  c.Same("read-only flag", written.IsReadOnly(), read.IsReadOnly());
  c.Same("bundle ids", written.GetBundleIds(), read.GetBundleIds());
  std::vector<std::string> variants_written, variants_read;
  written.GetVehicleVariants(variants_written);
  read.GetVehicleVariants(variants_read);
  c.Same("variants", variants_written, variants_read);

  const vehicle::RomInfo& a = written.GetRomInfo();
  const vehicle::RomInfo& b = read.GetRomInfo();
  c.Same("processor", a.GetCPU(), b.GetCPU());
  c.Same("protocol", a.GetProtocol(), b.GetProtocol());
  c.Same("flash method", a.GetFlash(), b.GetFlash());
  c.Same("trouble-code parser", a.GetDTC(), b.GetDTC());
  c.Same("realtime support", a.GetRealtimeSupport(), b.GetRealtimeSupport());
  c.Same("monitor byte limit", a.GetMonitorByteLimit(), b.GetMonitorByteLimit());
  c.Same("monitor count limit", a.GetMonitorCountLimit(), b.GetMonitorCountLimit());
  c.Same("firmware id", a.GetFirmwareId().id, b.GetFirmwareId().id);
  c.Same("firmware id offset", a.GetFirmwareId().offset, b.GetFirmwareId().offset);
  c.SameIds("feature version", a.GetFeatureVersions(), b.GetFeatureVersions());
  c.SameIds("feature toggle", a.GetFeatureToggles(), b.GetFeatureToggles());

  c.SameDataTypes(written.GetDataTypes(), read.GetDataTypes());
  c.SameDataTypes(written.GetInvalidDataTypes(), read.GetInvalidDataTypes());
  c.SameIds("group", written.GetGroups(), read.GetGroups());
  c.SameIds("invalid group", written.GetInvalidGroups(), read.GetInvalidGroups());
  c.SameIds("monitor", written.GetMonitors(), read.GetMonitors());
  c.SameIds("invalid monitor", written.GetInvalidMonitors(), read.GetInvalidMonitors());
  c.SameIds("toggle", written.GetXMLToggles(), read.GetXMLToggles());
  c.SameIds("invalid toggle", written.GetInvalidXMLToggles(), read.GetInvalidXMLToggles());
  c.SameIds("copy group", written.GetCopyGroups(), read.GetCopyGroups());

  std::vector<std::string> differences = c.differences();
  const std::set<std::string> expected = CachedTableIds(written);
  for (const std::string& id : expected) {
    if (!read.GetTables().dataExists(id))
      differences.push_back("table \"" + id + "\" missing");
  }
  for (const auto& entry : read.GetTables()) {
    if (!written.GetTables().dataExists(entry.first)) {
      differences.push_back("table \"" + entry.first + "\" appeared");
    }
  }
  return differences;
}

// A stale or corrupt cache must not feed the new one. Removing it first lets
// the library load the XML exactly as it would without a cache; something
// else in its place (a folder, a dangling link) makes the load ignore it.
CacheUse RemoveOldCache(const std::string& cache_path) {
  std::error_code error;
  if (std::filesystem::is_regular_file(std::filesystem::symlink_status(cache_path, error)) &&
      !std::filesystem::remove(cache_path, error)) {
    throw CommandError(kExitUnreadable, "cannot replace " + cache_path + ": " + error.message());
  }
  const bool in_the_way =
      std::filesystem::exists(std::filesystem::symlink_status(cache_path, error));
  return in_the_way ? CacheUse::kIgnoreCache : CacheUse::kCacheFirst;
}

void WriteCache(const Definition& definition, const std::string& cache_path) {
  bool written = false;
  try {
    written = definition.vehicle->SaveSerializedFile(definition.path);
  } catch (const std::exception& e) {
    throw CommandError(kExitUnreadable, "cannot write " + cache_path + ": " + e.what());
  }
  if (!written)
    throw CommandError(kExitUnreadable, "cannot write " + cache_path);
}

void PrintWritten(const Definition& definition, const std::string& cache_path, uintmax_t size,
                  size_t kept_tables) {
  const size_t all_tables = definition.vehicle->GetTables().size();
  std::cout << "Wrote " << cache_path << " (" << size << " bytes)\n";
  if (kept_tables < all_tables) {
    std::cout << "Note: the cache keeps the adjustable tables only (" << kept_tables << " of "
              << all_tables << "); a load from it has no others.\n";
  }
  if (!definition.valid) {
    std::cout << "Note: the definition is invalid; the cache keeps its invalid objects "
                 "(see ecucal check).\n";
  }
}

// Reads the cache just written back and lists how it differs.
std::vector<std::string> Verify(const Definition& definition, const std::string& cache_path,
                                Progress& progress) {
  progress.Step("reading " + cache_path + " back");
  vehicle::Vehicle read;
  std::string error;
  try {
    read.Load(definition.path, error, vexa_xml::XML_LOAD_DEFAULT);
  } catch (const std::exception& e) {
    throw CommandError(kExitUnreadable, "the cache just written cannot be read back (" +
                                            std::string(e.what()) + "); delete " + cache_path);
  }
  progress.Clear();
  if (!read.IsLoaded())
    return {"the cache file did not load"};
  return Compare(*definition.vehicle, read);
}

void PrintVerified(const std::vector<std::string>& differences) {
  if (differences.empty()) {
    std::cout << "Verified: the cache reads back to the same definition.\n";
    return;
  }
  std::cout << "Not verified; " << differences.size() << " difference"
            << (differences.size() == 1 ? "" : "s") << ":\n";
  for (const std::string& difference : differences)
    std::cout << "  " << difference << '\n';
}

int Run(const CacheOptions& options) {
  Progress progress;
  const std::string cache_path = options.definition + vehicle::Vehicle::SVX_EXT;
  const Definition definition =
      LoadDefinition(options.definition, RemoveOldCache(cache_path), progress);

  progress.Step("writing " + cache_path);
  WriteCache(definition, cache_path);
  std::error_code ignored;
  const auto size = std::filesystem::file_size(cache_path, ignored);
  progress.Clear();

  const size_t kept_tables = CachedTableIds(*definition.vehicle).size();
  nlohmann::json json = {
      {"definition", definition.path}, {"cache", cache_path},
      {"bytes", ignored ? 0 : size},   {"valid", definition.valid},
      {"tables_kept", kept_tables},    {"tables", definition.vehicle->GetTables().size()},
  };
  if (!options.json)
    PrintWritten(definition, cache_path, size, kept_tables);

  int status = kExitOk;
  if (options.verify) {
    const std::vector<std::string> differences = Verify(definition, cache_path, progress);
    json["verified"] = differences.empty();
    json["differences"] = differences;
    if (!options.json)
      PrintVerified(differences);
    if (!differences.empty())
      status = kExitInvalid;
  }
  if (options.json)
    PrintJson(json);
  return status;
}

}  // namespace

Verb AddCacheVerb(CLI::App& app) {
  auto options = std::make_shared<CacheOptions>();
  CLI::App* command = AddDefinitionVerb(
      app, "cache",
      "Read a definition from its XML documents, validate it and write its binary cache\n"
      "file (DEF.xml.svx) beside it; later loads read the cache first.",
      *options);
  command->add_flag("--verify", options->verify,
                    "load the cache back and compare it with the definition; exit 1 on a "
                    "difference");
  return {command, [options] { return Run(*options); }};
}

}  // namespace ecucal_cli
