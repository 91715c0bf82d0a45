#pragma once

// What an edit did to a ROM image: the bytes that changed, which tables and
// toggles own them, and the edited image itself.

#include <ostream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "Rom.h"
#include "RomMap.h"

namespace ecucal_cli {

// "Fuel Map A (axis z)", "toggle \"Flex Fuel\" (segment 2)"; "outside every
// table and toggle" for bytes no item owns.
std::vector<std::string> OwnerNames(const RomMap& map, const ByteRange& range);

struct ChangedRange {
  ByteRange bytes;
  std::vector<std::string> owners;
};

struct RomChanges {
  Image image;                        // the ROM with the edits saved into it
  std::vector<ChangedRange> ranges;   // bytes that differ from the input
  std::vector<std::string> tables;    // tables owning changed bytes, sorted
  std::vector<std::string> toggles;   // toggles owning changed bytes, sorted

  // {"bytes_changed": [...], "tables_changed": [...], "toggles_changed": [...],
  //  "also_changed": [tables other than `target`]}
  nlohmann::json Json(const std::string& target) const;
  // The changed ranges, and the tables other than `target` that changed.
  void Print(std::ostream& out, const std::string& target) const;
};

// Saves the ROM's view into a copy of its image (masters copied into their
// slaves first) and compares. Exit 3 when the view cannot be saved.
RomChanges SaveChanges(const RomSession& session, const Rom& rom, Progress& progress);

}  // namespace ecucal_cli
