#include "dtc/VolkswagenTricoreDTCParserGT3.h"

namespace {
const uint32_t kDisabledState = 0x0B;
const uint8_t kSwitchOffValue = 0x0F;
}  // namespace

bool VolkswagenTricoreDTCParserGT3::isDTCEnabled() {
  return getValueForDTC() != kDisabledState && isDTCOutsideIgnoreRange();
}

uint64_t VolkswagenTricoreDTCParserGT3::getOffsetForDTCEnableDisableState() {
  return enabled_state_address_ + index_;
}

uint32_t VolkswagenTricoreDTCParserGT3::getValueAtROMOffset(uint64_t offset) {
  return ByteAt(offset);
}

std::vector<uint8_t> VolkswagenTricoreDTCParserGT3::getDisabledStateValues() {
  return {kSwitchOffValue};
}
