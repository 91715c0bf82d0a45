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

// A span of an image whose differing bytes all have the same owners.
struct ChangedRange {
  ByteRange bytes;
  uint64_t changed = 0;  // bytes that differ inside the span
  std::vector<std::string> owners;
};

// The differing runs of two images, neighbouring runs with the same owners
// joined into one span.
std::vector<ChangedRange> ChangedRanges(const RomMap& map, const Image& a, const Image& b);
// "0x00010100-0x000101FF (12 of 256 bytes)".
std::string ChangedText(const ChangedRange& range);

struct RomChanges {
  Image image;                       // the ROM with the edits saved into it
  std::vector<ChangedRange> ranges;  // bytes that differ from the input
  std::vector<std::string> tables;   // tables owning changed bytes, sorted
  std::vector<std::string> toggles;  // toggles owning changed bytes, sorted

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
