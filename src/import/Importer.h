#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "import/SourceModel.h"

namespace import {

struct ImportOptions {
  std::vector<std::string> files;  // every definition file of the inheritance chain
  std::string rom;                 // xmlid of the ROM to import
  std::string output_folder;
  // Processor word of the ecucal vocabulary ("sh7058"); empty: taken from the
  // romid's memory model.
  std::string cpu;
};

// An object of the written definition that failed validation when read back.
struct InvalidObject {
  std::string object_class;  // "DataType", "Axis", "Table", "XMLToggle", "Group", "RomInfo"
  std::string id;
};

struct ImportResult {
  SourceFormat format = SourceFormat::kRomRaider;
  std::vector<std::string> chain;        // xmlids, root ancestor first
  std::vector<std::string> chain_files;  // the file of each
  std::string cpu;                       // processor word written
  std::vector<std::string> documents;    // written, top document first
  size_t source_tables = 0;              // tables (switches included) of the source ROM
  size_t tables = 0, toggles = 0, data_types = 0, groups = 0;
  std::vector<Issue> issues;       // what was not carried over, item by item
  bool processor_unknown = false;  // kBadRequest because no processor could be named

  // The written definition read back with vehicle::Vehicle::Load and Validate.
  bool loaded = false;
  bool valid = false;
  std::vector<InvalidObject> invalid;
  std::string load_messages;
};

enum class ImportStatus {
  kOk,          // written, and it loads and validates
  kInvalid,     // written, but reading it back failed or found invalid objects
  kBadInput,    // the files cannot be used: unreadable, malformed, broken inheritance, absurd sizes
  kBadRequest,  // the ROM is in none of the files, or no processor can be named
  kWriteFailed  // the output folder or a document cannot be written
};

// Turns one ROM of RomRaider ECU definitions or EcuFlash ROM definitions,
// following its inheritance across the given files, into an ecucal
// definition tree, and proves it by loading and validating what it wrote.
class Importer {
 public:
  // On failure before writing, `error` says why (one line per problem).
  ImportStatus Run(const ImportOptions& options, ImportResult& result, std::string& error);
};

}  // namespace import
