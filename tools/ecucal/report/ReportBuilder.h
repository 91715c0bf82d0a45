#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "report/ReportModel.h"

namespace ecucal_cli {

struct Definition;

// A ROM image read from a file.
struct RomImage {
  std::string path;
  std::vector<uint8_t> bytes;
};

// Reads a whole image. Throws CommandError (kExitUnreadable) when the file
// cannot be read or is larger than any ROM this tool handles.
RomImage ReadRomImage(const std::string& path);

// What the report shows of `rom` (with `second` as the image trouble codes
// and ephemeral tables are read from) and, when `against` is given, how it
// differs from that ROM (read with itself as its second image). Every table
// and toggle is shown, restricted ones included and marked. Throws
// CommandError (kExitBadRequest) when the tables cannot be built from `rom`.
report::Report BuildReport(const Definition& definition, const RomImage& rom,
                           const RomImage& second, const RomImage* against);

}  // namespace ecucal_cli
