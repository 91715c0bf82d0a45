#pragma once

#include "vehicle/Enumerations.h"

namespace vehicle {

// Turns an address as the controller sees it into a byte offset of the ROM
// image. Processors whose address space maps one to one have no translator.
class IECUOffsetTranslator {
 public:
  virtual ~IECUOffsetTranslator() = default;
  virtual unsigned translate(unsigned const& address) const = 0;
};

// The hc16 controllers see the ROM with a 0x8000 hole at 0x20000: addresses
// below 0x28000 are ROM offsets already, higher ones sit 0x8000 above theirs.
class CPU_HC16_ECUToRomOffsetTranslator : public IECUOffsetTranslator {
 public:
  static constexpr unsigned kBoundary = 0x28000;
  static constexpr unsigned kShift = 0x8000;

  unsigned translate(unsigned const& address) const override;
};

// The process-wide translator for `cpu`, or null when its addresses are
// already ROM offsets. The result lives as long as the process.
const IECUOffsetTranslator* getECUToRomOffsetTranslator(cpu_t cpu);

}  // namespace vehicle
