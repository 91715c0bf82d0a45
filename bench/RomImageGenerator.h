#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vehicle {
class Vehicle;
}

namespace bench {

// The two images a ROM is built from, as WriteRomImages lays them out.
struct RomImages {
  // Tables, switches and trouble-code states are read from here.
  std::vector<uint8_t> rom;
  // The same bytes with every trouble code enabled: the image the
  // trouble-code parser and the ephemeral tables read.
  std::vector<uint8_t> second;

  unsigned axis_ranges = 0;      // axis byte ranges written (a shared axis once)
  unsigned toggles = 0;          // switches written in the definition
  unsigned enabled_toggles = 0;  // of those, the ones the ROM image holds enabled
  unsigned codes = 0;            // trouble codes in the table
  unsigned enabled_codes = 0;    // of those, the ones the ROM image holds enabled
};

// Bytes outside every table, switch and trouble-code entry.
inline uint8_t RomFill(size_t offset) {
  return static_cast<uint8_t>(0x80 | (offset & 0x7F));
}

// Lays out a loaded, validated definition in two images of `image_bytes`:
// - every axis with bytes in ROM holds plausible values (breakpoints rising
//   across their range, value grids a smooth surface) at each of its ROM
//   offsets, honouring storage width, byte order, padding, the column-first
//   layout and offset runs; padding bytes hold 0xEE and the bits a mask leaves
//   out hold the matching bits of 0xA5A5A5A5;
// - slave tables hold their master's values, through the slave's transform
//   (transformed slaves keep padding and unmasked bits at zero, as the
//   comparison with the master expects), so a build finds them consistent;
// - every third switch is disabled, the others enabled, each reading as
//   exactly one of its states; bits outside a switch's mask keep the fill;
// - the trouble-code table of the family the ROM information names holds
//   distinct codes P0100, P0101, ...; every tenth is switched off in the ROM
//   image (as a save of the disabled state writes it) and on in the second;
// - every other byte holds RomFill(offset).
// Axes that share their bytes (one data signature) are written once. Throws
// std::invalid_argument when an item does not fit the image, two unrelated
// items overlap, a switch cannot be told apart, or the trouble-code family
// has no layout here (only SUBARU_HITACHI_DTC_PARSER has).
RomImages WriteRomImages(const vehicle::Vehicle& vehicle, size_t image_bytes);

}  // namespace bench
