#pragma once

#include <string>
#include <vector>

#include "import/SourceFiles.h"
#include "import/SourceModel.h"

namespace import {

// Reads one ROM of RomRaider ECU definitions: <roms> documents of <rom>
// elements, each with a <romid> and <table> elements, inheriting from the ROM
// named by their "base" attribute, with global <scalingbase> scalings.
//
// Inheritance works as RomRaider applies it: the ROMs of the chain are read
// root first; a <table> whose name is already known updates that table
// attribute by attribute (its axes by role, its scalings and switch states by
// name), "omit" removes it, a table "base" attribute starts it as a copy of
// another table, and a new name needs a "type". Addresses are hexadecimal
// byte offsets of the ROM image.
class RomRaiderReader {
 public:
  // Fills `rom` from the chain (root ancestor first). Items it cannot use are
  // listed in the ROM's issues and the tables' notes. False, with a message
  // appended to `error`, when the input is unusable: a table size that is not
  // a number or beyond any real table.
  bool Read(const SourceFiles& files, const std::vector<const SourceFiles::Rom*>& chain,
            SourceRom& rom, std::string& error);
};

}  // namespace import
