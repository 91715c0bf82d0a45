#include "Definition.h"

#include <CLI/CLI.hpp>

#include <tinyxml.h>

#include <algorithm>
#include <boost/archive/archive_exception.hpp>
#include <cmath>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <utility>

#include "Output.h"
#include "outside/DataMarkupDoc.h"
#include "vehicle/definition/Axis.h"
#include "vehicle/definition/DataType.h"
#include "vehicle/definition/Group.h"
#include "vehicle/definition/Table.h"
#include "vehicle/definition/XMLToggle.h"
#include "vehicle/loading/AxisSignatureStrategy.h"
#include "vehicle/loading/Vehicle.h"
#include "vehicle/monitor/Monitor.h"

namespace ecucal_cli {

namespace {

bool CanOpen(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return file.is_open();
}

std::string FirstLines(const std::string& text, size_t max_lines) {
  std::istringstream in(text);
  std::string line, result;
  size_t count = 0;
  while (std::getline(in, line)) {
    if (line.empty())
      continue;
    if (count == max_lines) {
      result += "\n  ...";
      break;
    }
    if (!result.empty())
      result += "\n  ";
    result += line;
    ++count;
  }
  return result;
}

// Why the top document was refused when the loader gave no text: the loader
// appends nothing for a missing root, id or version.
std::string DiagnoseTopDocument(const std::string& path) {
  TiXmlDocument document;
  if (!document.LoadFile(path.c_str())) {
    return std::string("cannot parse it: ") + document.ErrorDesc();
  }
  const TiXmlElement* root = document.FirstChildElement("vehicledef");
  if (root == nullptr)
    return "it has no <vehicledef> root element";
  if (root->Attribute("id") == nullptr && root->FirstChildElement("id") == nullptr) {
    return "its <vehicledef> has no id";
  }
  const char* version = root->Attribute("version");
  if (version == nullptr) {
    const TiXmlElement* child = root->FirstChildElement("version");
    version = child != nullptr ? child->GetText() : nullptr;
  }
  if (version == nullptr)
    return "its <vehicledef> has no version";
  std::istringstream in(version);
  double value = 0;
  if (!(in >> value) || std::fabs(value - vehicle::Vehicle::kFormatVersion) > 0.01) {
    return std::string("its version \"") + version + "\" is not 1.1";
  }
  return "one of the documents it includes could not be read";
}

[[noreturn]] void ThrowCorruptCache(const std::string& path, const std::string& detail) {
  const std::string cache = path + vehicle::Vehicle::SVX_EXT;
  throw CommandError(kExitUnreadable,
                     "cache file " + cache + " is corrupt or was written by another version (" +
                         detail + "); delete it, or rebuild it with: ecucal cache " + path);
}

std::string AxisRole(const vehicle::Table& table, const vehicle::Axis* axis) {
  for (const auto& entry : table.GetAxes()) {
    if (entry.second.get() == axis)
      return Word(vehicle::priv::GetAxisStrs(), entry.first);
  }
  return "";
}

// Where an axis is used: "axis x of Fuel Map A, Fuel Map B".
std::string AxisUse(const vehicle::Vehicle& vehicle, const vehicle::Axis* axis) {
  std::vector<std::string> uses;
  auto scan = [&](const vehicle::Vehicle::Tables& tables) {
    for (const auto& entry : tables) {
      const std::string role = AxisRole(*entry.second, axis);
      if (!role.empty())
        uses.push_back(entry.first + " (" + role + ")");
    }
  };
  scan(vehicle.GetTables());
  scan(vehicle.GetInvalidTables());
  std::sort(uses.begin(), uses.end());
  return uses.empty() ? "" : "in " + JoinOrDash(uses);
}

// Where an invalid axis of that id is used.
std::string InvalidAxisUse(const vehicle::Vehicle& vehicle, const std::string& id) {
  for (const auto& entry : vehicle.GetInvalidAxes()) {
    if (entry.second->GetObjId() == id)
      return AxisUse(vehicle, entry.second.get());
  }
  return "";
}

// Objects a cache file brought back already invalid: validation found them
// before the cache was written, so the findings of this load do not name them.
template <class Store>
void AddKeptInvalid(const Store& store, const std::string& object_class,
                    std::vector<InvalidObject>& out) {
  for (const auto& entry : store) {
    out.push_back({object_class, entry.first, entry.second->Validate(),
                   "invalid when the cache file was written"});
  }
}

// The objects validation rejected, in a stable order: by class as
// validation visits them, then by id.
std::vector<InvalidObject> FindInvalid(const vehicle::Vehicle& vehicle, bool from_cache) {
  std::vector<InvalidObject> invalid;
  for (const vehicle::ValidationFinding& finding : vehicle.GetValidationFindings()) {
    const std::string where =
        finding.object_class == "Axis" ? InvalidAxisUse(vehicle, finding.id) : finding.detail;
    invalid.push_back({finding.object_class, finding.id, finding.code, where});
  }
  if (from_cache) {
    AddKeptInvalid(vehicle.GetInvalidDataTypes(), "DataType", invalid);
    AddKeptInvalid(vehicle.GetInvalidGroups(), "Group", invalid);
    AddKeptInvalid(vehicle.GetInvalidXMLToggles(), "XMLToggle", invalid);
    AddKeptInvalid(vehicle.GetInvalidMonitors(), "Monitor", invalid);
  }
  const std::vector<std::string> order = {"Vehicle", "RomInfo",   "DataType",  "Axis",   "Group",
                                          "Table",   "XMLToggle", "CopyGroup", "Monitor"};
  auto rank = [&order](const InvalidObject& object) {
    return std::find(order.begin(), order.end(), object.object_class) - order.begin();
  };
  std::stable_sort(invalid.begin(), invalid.end(),
                   [&rank](const InvalidObject& a, const InvalidObject& b) {
                     if (rank(a) != rank(b))
                       return rank(a) < rank(b);
                     return a.id < b.id;
                   });
  return invalid;
}

// As the library loads: the cache file when there is one, else the XML.
bool LoadCacheFirst(Definition& definition, Progress& progress) {
  const std::string& path = definition.path;
  definition.from_cache = CanOpen(path + vehicle::Vehicle::SVX_EXT);
  progress.Step(definition.from_cache ? "reading the cache of " + path : "reading " + path);
  try {
    definition.vehicle->Load(path, definition.load_messages, vexa_xml::XML_LOAD_DEFAULT);
  } catch (const boost::archive::archive_exception& e) {
    if (definition.from_cache)
      ThrowCorruptCache(path, e.what());
    throw CommandError(kExitUnreadable, path + ": " + e.what());
  } catch (const std::exception& e) {
    if (definition.from_cache)
      ThrowCorruptCache(path, e.what());
    throw CommandError(kExitUnreadable, "cannot load " + path + ": " + e.what());
  }
  return definition.vehicle->IsLoaded();
}

// The XML documents, whatever cache file lies beside them.
bool LoadXml(Definition& definition, Progress& progress) {
  progress.Step("reading " + definition.path);
  try {
    SharedAxisSignatureStrategy strategy;
    const bool loaded = definition.vehicle->RecursiveLoad(definition.path, definition.load_messages,
                                                          vexa_xml::XML_LOAD_DEFAULT);
    definition.vehicle->PostProcessLoad(&strategy);
    return loaded;
  } catch (const std::exception& e) {
    throw CommandError(kExitUnreadable, "cannot load " + definition.path + ": " + e.what());
  }
}

}  // namespace

Definition LoadDefinition(const std::string& path, CacheUse cache_use, Progress& progress) {
  Definition definition;
  definition.path = path;
  definition.vehicle = std::make_shared<vehicle::Vehicle>();
  const bool loaded = cache_use == CacheUse::kCacheFirst ? LoadCacheFirst(definition, progress)
                                                         : LoadXml(definition, progress);
  if (!loaded) {
    std::string reason = FirstLines(definition.load_messages, 5);
    if (reason.empty())
      reason = DiagnoseTopDocument(path);
    throw CommandError(kExitUnreadable, "cannot load " + path + ": " + reason);
  }

  progress.Step("validating");
  vehicle::Vehicle& vehicle = *definition.vehicle;
  try {
    std::string ignored;
    definition.valid = vehicle.Validate(ignored);
  } catch (const std::exception& e) {
    throw CommandError(kExitUnreadable, "cannot validate " + path + ": " + e.what());
  }
  definition.validation_text = vehicle.GetValidationErrorText();
  definition.invalid = FindInvalid(vehicle, definition.from_cache);
  // Objects a cache kept invalid make the definition invalid as well.
  definition.valid = definition.valid && definition.invalid.empty();
  progress.Clear();
  return definition;
}

Definition LoadDefinition(const std::string& path, CacheUse cache_use) {
  Progress progress;
  return LoadDefinition(path, cache_use, progress);
}

CLI::App* AddDefinitionVerb(CLI::App& app, const std::string& name, const std::string& description,
                            DefinitionOptions& options) {
  CLI::App* command = app.add_subcommand(name, description);
  command->add_option("definition", options.definition, "top document of the definition")
      ->required();
  command->add_flag("--json", options.json, "print one JSON document");
  return command;
}

std::vector<ClassCount> CountObjects(const Definition& definition) {
  const vehicle::Vehicle& vehicle = *definition.vehicle;
  std::vector<ClassCount> counts = {
      {"DataType", "data types", "data_types", vehicle.GetDataTypes().size(), 0},
      {"Axis", "axes", "axes", vehicle.GetAxes().size(), 0},
      {"Group", "groups", "groups", vehicle.GetGroups().size(), 0},
      {"Table", "tables", "tables", vehicle.GetTables().size(), 0},
      {"XMLToggle", "toggles", "toggles", vehicle.GetXMLToggles().size(), 0},
      {"CopyGroup", "copy groups", "copy_groups", vehicle.GetCopyGroups().size(), 0},
      {"Monitor", "monitors", "monitors", vehicle.GetMonitors().size(), 0},
  };
  // An object may fail several ways; axes that share an id differ by their tables.
  std::map<std::string, std::set<std::string>> failed;
  for (const InvalidObject& object : definition.invalid) {
    const bool axis = object.object_class == "Axis";
    failed[object.object_class].insert(axis ? object.id + '\n' + object.where : object.id);
  }
  for (ClassCount& count : counts)
    count.invalid = failed[count.object_class].size();
  return counts;
}

nlohmann::json CountsJson(const std::vector<ClassCount>& counts) {
  nlohmann::json json = nlohmann::json::object();
  for (const ClassCount& count : counts) {
    json[count.key] = {{"valid", count.valid}, {"invalid", count.invalid}};
  }
  return json;
}

std::string SourceText(const Definition& definition) {
  return definition.from_cache ? "cache file" : "XML";
}

std::string SourceKey(const Definition& definition) {
  return definition.from_cache ? "cache" : "xml";
}

}  // namespace ecucal_cli
