#pragma once

#include <memory>
#include <string>
#include <vector>

#include "dtc/DTCParser.h"

namespace dtc {

// A new parser of the family registered under `name` (exact, case-sensitive
// match) with init() already run, or an empty pointer for an unknown name.
std::unique_ptr<DTCParser> MakeParser(const std::string& name);

// Every registered family name, in registration order.
const std::vector<std::string>& RegisteredParserNames();

}  // namespace dtc
