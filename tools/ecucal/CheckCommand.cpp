// ecucal check: is the definition usable, and if not, which objects fail and why.
#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>
#include <string>

#include "Commands.h"
#include "Definition.h"
#include "Output.h"
#include "vehicle/loading/ValidationCodes.h"
#include "vehicle/loading/Vehicle.h"

namespace ecucal_cli {

namespace {

struct CheckOptions : DefinitionOptions {
  bool no_cache = false;
};

nlohmann::json InvalidJson(const InvalidObject& object) {
  nlohmann::json json = {
      {"class", object.object_class},
      {"id", object.id},
      {"code", object.code},
      {"name", vehicle::ValidationCodeName(object.code)},
      {"meaning", vehicle::ValidationCodeMeaning(object.code)},
  };
  if (!object.where.empty())
    json["where"] = object.where;
  return json;
}

void PrintText(const Definition& definition, const std::vector<ClassCount>& counts) {
  std::cout << "Definition  " << definition.path << " (read from " << SourceText(definition)
            << ")\n";
  std::cout << "Vehicle     " << definition.vehicle->GetLiveRomName() << "\n\n";

  TextTable table({"Objects", "valid", "invalid"});
  for (const ClassCount& count : counts) {
    table.AddRow({count.label, std::to_string(count.valid), std::to_string(count.invalid)});
  }
  table.Print(std::cout, "  ");

  if (!definition.invalid.empty()) {
    std::cout << "\nInvalid objects (" << definition.invalid.size() << "):\n";
    TextTable failures({"Class", "Id", "Code", "Name", "Meaning", "Where"});
    for (const InvalidObject& object : definition.invalid) {
      failures.AddRow({object.object_class, object.id, std::to_string(object.code),
                       vehicle::ValidationCodeName(object.code),
                       vehicle::ValidationCodeMeaning(object.code), object.where});
    }
    failures.Print(std::cout, "  ");
  } else if (!definition.valid) {
    // The library found a problem the tool cannot pin on an object.
    std::cout << "\nValidation reported:\n  " << definition.validation_text << '\n';
  }

  std::cout << '\n';
  if (definition.valid) {
    std::cout << "Valid.\n";
  } else {
    std::cout << "Invalid: " << definition.invalid.size() << " failed validation.\n";
  }
}

void PrintJsonReport(const Definition& definition, const std::vector<ClassCount>& counts) {
  nlohmann::json invalid = nlohmann::json::array();
  for (const InvalidObject& object : definition.invalid)
    invalid.push_back(InvalidJson(object));
  PrintJson({
      {"definition", definition.path},
      {"source", SourceKey(definition)},
      {"vehicle_id", definition.vehicle->GetLiveRomName()},
      {"valid", definition.valid},
      {"counts", CountsJson(counts)},
      {"invalid", invalid},
      {"load_messages", definition.load_messages},
      {"validation_text", definition.validation_text},
  });
}

int Run(const CheckOptions& options) {
  const Definition definition = LoadDefinition(
      options.definition, options.no_cache ? CacheUse::kIgnoreCache : CacheUse::kCacheFirst);
  const std::vector<ClassCount> counts = CountObjects(definition);

  if (!definition.load_messages.empty() && !options.json) {
    std::cerr << "ecucal: warning: reading reported:\n" << definition.load_messages;
    if (definition.load_messages.back() != '\n')
      std::cerr << '\n';
  }
  if (options.json) {
    PrintJsonReport(definition, counts);
  } else {
    PrintText(definition, counts);
  }
  return definition.valid ? kExitOk : kExitInvalid;
}

}  // namespace

Verb AddCheckVerb(CLI::App& app) {
  auto options = std::make_shared<CheckOptions>();
  CLI::App* command = AddDefinitionVerb(
      app, "check",
      "Load (the cache file first, as the library does), post-process and validate a\n"
      "definition; print the objects per class and every invalid object with its\n"
      "validation code. Exit 0 valid, 1 invalid, 2 unreadable.",
      *options);
  command->add_flag("--no-cache", options->no_cache,
                    "read the XML documents even when a cache file lies beside them");
  return {command, [options] { return Run(*options); }};
}

}  // namespace ecucal_cli
