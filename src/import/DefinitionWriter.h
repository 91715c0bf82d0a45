#pragma once

#include <string>
#include <vector>

#include "import/OutputModel.h"

namespace import {

// Writes an imported definition as the bundled sample is laid out: a top
// document named after the vehicle id, holding the ROM information and
// including the documents under defs/ (data types, groups, tables and, when
// there are any, toggles). The element and value words are the library's own
// vocabulary tables, so the loader reads back exactly what was meant.
class DefinitionWriter {
 public:
  // Writes into `folder`, made when missing; files of the same names are
  // replaced, and a cache file beside the top document is removed (it would be
  // read instead of the new documents). The paths written, top document
  // first, go to `documents`. False, with a message, when a folder or file
  // cannot be written.
  bool Write(const OutputDefinition& definition, const std::string& folder,
             std::vector<std::string>& documents, std::string& error);

  // The paths Write would write for `definition` in `folder`, top document
  // first.
  static std::vector<std::string> Documents(const OutputDefinition& definition,
                                            const std::string& folder);

  // The top document's file name for a vehicle id: letters, digits, ".", "-"
  // and "_" kept, anything else "_", and ".xml" appended.
  static std::string TopDocumentName(const std::string& vehicle_id);
};

}  // namespace import
