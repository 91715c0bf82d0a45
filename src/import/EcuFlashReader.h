#pragma once

#include <string>
#include <vector>

#include "import/SourceFiles.h"
#include "import/SourceModel.h"

namespace import {

// Reads one ROM of EcuFlash ROM definitions: one <rom> per file with a
// <romid>, named <scaling> elements (storage type and byte order included,
// "bloblist" scalings listing named byte strings), and <table> elements whose
// axes are child tables; <include>XMLID</include> inherits another ROM.
//
// Inheritance: the included ROMs apply first, in document order; a scaling or
// table whose name is already known is updated attribute by attribute, and a
// child table updates the axis of the same name (or, failing that, of the
// same axis type). Addresses are hexadecimal byte offsets of the ROM image.
class EcuFlashReader {
 public:
  // Fills `rom` from the chain (root ancestor first). Items it cannot use are
  // listed in the ROM's issues and the tables' notes. False, with a message
  // appended to `error`, when the input is unusable: a size that is not a
  // number or beyond any real table.
  bool Read(const SourceFiles& files, const std::vector<const SourceFiles::Rom*>& chain,
            SourceRom& rom, std::string& error);
};

}  // namespace import
