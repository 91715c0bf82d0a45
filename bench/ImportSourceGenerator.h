#pragma once

#include <cstddef>
#include <string>

namespace bench {

// What WriteRomRaiderSource wrote.
struct GeneratedImportSource {
  std::string path;
  std::string rom;      // xmlid of the ROM to import (it inherits from a base ROM)
  unsigned tables = 0;  // tables declared, switches included
  size_t bytes = 0;     // size of the file
};

// Writes a RomRaider-style ECU definition of about `target_bytes` to `path`:
// a base ROM declaring tables of every kind (3D, some stored with y varying
// fastest, 2D, 1D, switches) with inline scalings drawn from a pool of
// straight-line, reciprocal and curved conversions over every storage type and
// both byte orders, and a ROM inheriting it that places each table. Everything
// in it imports. The same target always gives the same bytes.
//
// Throws std::runtime_error when the file cannot be written.
GeneratedImportSource WriteRomRaiderSource(const std::string& path, size_t target_bytes);

}  // namespace bench
