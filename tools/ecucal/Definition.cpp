#include "Definition.h"

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
#include "vehicle/definition/CopyGroup.h"
#include "vehicle/definition/DataType.h"
#include "vehicle/definition/Group.h"
#include "vehicle/definition/RomInfo.h"
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

// Table id -> master table id, to name what a dropped slave belonged to.
std::map<std::string, std::string> TableMasters(const vehicle::Vehicle::Tables& tables) {
  std::map<std::string, std::string> masters;
  for (const auto& entry : tables)
    masters[entry.first] = entry.second->GetMasterTableId();
  return masters;
}

// Copy groups as validation may change them: category -> child -> aliases.
using CopyGroupShape = std::map<std::string, std::map<std::string, std::set<std::string>>>;

CopyGroupShape ShapeOf(const vehicle::Vehicle::CopyGroups& copy_groups) {
  CopyGroupShape shape;
  for (const auto& category : copy_groups) {
    auto& children = shape[category.first];
    for (const auto& child : category.second->getChildren()) {
      auto& aliases = children[child.first];
      for (const auto& copyable : child.second->getCopyables())
        aliases.insert(copyable.first);
    }
  }
  return shape;
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

template <class Store>
void AddInvalid(const Store& store, const std::string& object_class,
                std::vector<InvalidObject>& out) {
  for (const auto& entry : store) {
    InvalidObject object;
    object.object_class = object_class;
    object.id = entry.first;
    object.code = entry.second->Validate();
    out.push_back(object);
  }
}

// The objects validation rejected, each with the code its class gives it.
std::vector<InvalidObject> FindInvalid(vehicle::Vehicle& vehicle,
                                       const std::map<std::string, std::string>& tables_before,
                                       const CopyGroupShape& copy_groups_before) {
  std::vector<InvalidObject> invalid;

  if (vehicle.GetLiveRomName().empty()) {
    invalid.push_back({"Vehicle", "", vehicle::Vehicle::CODE_NO_VEHICLE_ID, ""});
    return invalid;  // validation stops here
  }
  if (std::fabs(vehicle.GetVersion() - vehicle::Vehicle::kFormatVersion) > 0.01) {
    invalid.push_back({"Vehicle", vehicle.GetLiveRomName(), vehicle::Vehicle::CODE_BAD_VERSION,
                       "version " + ShortDouble(vehicle.GetVersion())});
    return invalid;
  }

  vehicle::RomInfo rom_info = vehicle.GetRomInfo();
  if (const vehicle::validate_codes_t code = rom_info.Validate(); code != 0) {
    invalid.push_back({"RomInfo", vehicle.GetLiveRomName(), code, ""});
  }
  AddInvalid(vehicle.GetInvalidDataTypes(), "DataType", invalid);
  for (const auto& entry : vehicle.GetInvalidAxes()) {
    InvalidObject object{"Axis", entry.second->GetObjId(), entry.second->Validate(),
                         AxisUse(vehicle, entry.second.get())};
    invalid.push_back(object);
  }
  AddInvalid(vehicle.GetInvalidGroups(), "Group", invalid);
  AddInvalid(vehicle.GetInvalidTables(), "Table", invalid);

  // A slave that does not fit its master leaves both table stores.
  for (const auto& [id, master] : tables_before) {
    if (!vehicle.GetTables().dataExists(id) && !vehicle.GetInvalidTables().dataExists(id)) {
      invalid.push_back({"Table", id, vehicle::Vehicle::CODE_BAD_SLAVE_TABLE,
                         "slave of " + master + ", dropped from the definition"});
    }
  }

  AddInvalid(vehicle.GetInvalidXMLToggles(), "XMLToggle", invalid);

  // Copy groups: categories with fewer than two copy groups, copyables that
  // were taken out, categories that were removed.
  const CopyGroupShape after = ShapeOf(vehicle.GetCopyGroups());
  for (const auto& category : copy_groups_before) {
    auto now = after.find(category.first);
    if (now == after.end()) {
      invalid.push_back(
          {"CopyGroup", category.first, vehicle::Vehicle::CODE_BAD_COPY_GROUP, "category removed"});
      continue;
    }
    if (category.second.size() < 2) {
      invalid.push_back({"CopyGroup", category.first, vehicle::Vehicle::CODE_BAD_COPY_GROUP,
                         "category holds fewer than two copy groups"});
    }
    std::set<std::string> removed;
    for (const auto& child : category.second) {
      auto child_now = now->second.find(child.first);
      for (const std::string& alias : child.second) {
        if (child_now == now->second.end() || child_now->second.count(alias) == 0) {
          removed.insert(alias);
        }
      }
    }
    for (const std::string& alias : removed) {
      invalid.push_back({"CopyGroup", category.first, vehicle::Vehicle::CODE_BAD_COPY_GROUP,
                         "copyable \"" + alias + "\" removed"});
    }
  }

  AddInvalid(vehicle.GetInvalidMonitors(), "Monitor", invalid);

  // Stores iterate in hash order; people and tests want a stable listing.
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

}  // namespace

Definition LoadDefinition(const std::string& path, CacheUse cache_use, Progress& progress) {
  Definition definition;
  definition.path = path;
  definition.vehicle = std::make_shared<vehicle::Vehicle>();
  vehicle::Vehicle& vehicle = *definition.vehicle;

  bool loaded = false;
  if (cache_use == CacheUse::kCacheFirst) {
    definition.from_cache = CanOpen(path + vehicle::Vehicle::SVX_EXT);
    progress.Step(definition.from_cache ? "reading the cache of " + path : "reading " + path);
    try {
      vehicle.Load(path, definition.load_messages, vexa_xml::XML_LOAD_DEFAULT);
    } catch (const boost::archive::archive_exception& e) {
      if (definition.from_cache)
        ThrowCorruptCache(path, e.what());
      throw CommandError(kExitUnreadable, path + ": " + e.what());
    } catch (const std::exception& e) {
      if (definition.from_cache)
        ThrowCorruptCache(path, e.what());
      throw CommandError(kExitUnreadable, "cannot load " + path + ": " + e.what());
    }
    loaded = vehicle.IsLoaded();
  } else {
    progress.Step("reading " + path);
    try {
      SharedAxisSignatureStrategy strategy;
      loaded = vehicle.RecursiveLoad(path, definition.load_messages, vexa_xml::XML_LOAD_DEFAULT);
      vehicle.PostProcessLoad(&strategy);
    } catch (const std::exception& e) {
      throw CommandError(kExitUnreadable, "cannot load " + path + ": " + e.what());
    }
  }

  if (!loaded) {
    std::string reason = FirstLines(definition.load_messages, 5);
    if (reason.empty())
      reason = DiagnoseTopDocument(path);
    throw CommandError(kExitUnreadable, "cannot load " + path + ": " + reason);
  }

  progress.Step("validating");
  const std::map<std::string, std::string> tables_before = TableMasters(vehicle.GetTables());
  const CopyGroupShape copy_groups_before = ShapeOf(vehicle.GetCopyGroups());
  try {
    std::string ignored;
    definition.valid = vehicle.Validate(ignored);
  } catch (const std::exception& e) {
    throw CommandError(kExitUnreadable, "cannot validate " + path + ": " + e.what());
  }
  definition.validation_text = vehicle.GetValidationErrorText();
  definition.invalid = FindInvalid(vehicle, tables_before, copy_groups_before);
  progress.Clear();
  return definition;
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
  std::map<std::string, std::set<std::string>> failed;
  for (const InvalidObject& object : definition.invalid) {
    failed[object.object_class].insert(object.id + '\n' + object.where);
  }
  for (ClassCount& count : counts) {
    if (count.object_class == "CopyGroup") {
      // One category can fail several ways; count it once.
      std::set<std::string> ids;
      for (const InvalidObject& object : definition.invalid) {
        if (object.object_class == "CopyGroup")
          ids.insert(object.id);
      }
      count.invalid = ids.size();
    } else {
      count.invalid = failed[count.object_class].size();
    }
  }
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

}  // namespace ecucal_cli
