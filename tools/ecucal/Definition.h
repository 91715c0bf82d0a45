#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "vehicle/Enumerations.h"

namespace CLI {
class App;
}

namespace vehicle {
class Vehicle;
}

namespace ecucal_cli {

class Progress;

// One object that failed validation, as the library's validation findings
// name it, so the report does not depend on the error texts (which a release
// build hides).
struct InvalidObject {
  std::string object_class;  // "DataType", "Axis", "Table", ...
  std::string id;
  vehicle::validate_codes_t code = 0;
  std::string where;  // the tables an axis belongs to, or what failed; may be empty
};

// A loaded, post-processed and validated definition.
struct Definition {
  std::string path;
  bool from_cache = false;
  std::shared_ptr<vehicle::Vehicle> vehicle;
  std::string load_messages;    // what reading appended to the error text
  std::string validation_text;  // the library's validation error text
  bool valid = false;
  std::vector<InvalidObject> invalid;
};

enum class CacheUse {
  kCacheFirst,   // as the library loads: the cache file when there is one
  kIgnoreCache,  // the XML tree, whatever cache file lies beside it
};

// Loads, post-processes and validates the definition at `path`. Throws
// CommandError (kExitUnreadable) when it cannot be read, naming the reason
// and, for a corrupt cache file, what to do about it.
Definition LoadDefinition(const std::string& path, CacheUse cache_use, Progress& progress);

// Loads with a progress display of its own.
Definition LoadDefinition(const std::string& path, CacheUse cache_use = CacheUse::kCacheFirst);

// What every verb that reads a definition takes: its top document and --json.
struct DefinitionOptions {
  std::string definition;
  bool json = false;
};

// Adds the verb `name` with the definition argument and the --json flag.
CLI::App* AddDefinitionVerb(CLI::App& app, const std::string& name, const std::string& description,
                            DefinitionOptions& options);

// Objects of one class: how many are live and how many failed.
struct ClassCount {
  std::string object_class;  // as in InvalidObject
  std::string label;         // for people: "data types"
  std::string key;           // for JSON: "data_types"
  size_t valid = 0;
  size_t invalid = 0;
};

std::vector<ClassCount> CountObjects(const Definition& definition);

// {"data_types": {"valid": n, "invalid": m}, ...}
nlohmann::json CountsJson(const std::vector<ClassCount>& counts);

// Where the definition came from, for people: "XML" or "cache file".
std::string SourceText(const Definition& definition);
// The same for JSON: "xml" or "cache".
std::string SourceKey(const Definition& definition);

}  // namespace ecucal_cli
