#include "vehicle/definition/ECUOffsetTranslator.h"

namespace vehicle {

unsigned CPU_HC16_ECUToRomOffsetTranslator::translate(unsigned const& address) const {
  return address < kBoundary ? address : address - kShift;
}

const IECUOffsetTranslator* getECUToRomOffsetTranslator(cpu_t cpu) {
  static const CPU_HC16_ECUToRomOffsetTranslator hc16;
  if (cpu == CPU_HC16) {
    return &hc16;
  }
  return nullptr;
}

}  // namespace vehicle
