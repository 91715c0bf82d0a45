#include "vehicle/definition/LiveRomInfo.h"

namespace vehicle {

namespace {

// Little-endian 32-bit word; the caller has checked that it fits.
uint32_t WordAt(const std::vector<uint8_t>& rom, uint64_t position) {
  return static_cast<uint32_t>(rom[position]) | static_cast<uint32_t>(rom[position + 1]) << 8 |
         static_cast<uint32_t>(rom[position + 2]) << 16 |
         static_cast<uint32_t>(rom[position + 3]) << 24;
}

bool Fits(const std::vector<uint8_t>& rom, uint64_t position, uint64_t length) {
  return position + length <= rom.size();
}

}  // namespace

void LiveRomInfo::Parse(uint32_t offset, const std::vector<uint8_t>& rom) {
  if (offset == 0xFFFFFFFF || !Fits(rom, offset, kHeaderSize))
    return;
  if (WordAt(rom, offset) != kFormatVersion)
    return;
  // 64-bit arithmetic: a hostile block count must not wrap the size check.
  const uint64_t count = WordAt(rom, uint64_t{offset} + 8);
  const uint64_t table = WordAt(rom, uint64_t{offset} + 12) & 0x0FFFFFFF;
  if (!Fits(rom, table, count * kBlockSize))
    return;

  for (uint64_t i = 0; i < count; ++i) {
    const uint64_t at = table + i * kBlockSize;
    LIVE_ROMINFOBLOCK_t block;
    block.feature = static_cast<int32_t>(WordAt(rom, at));
    block.length = rom[at + 6];
    block.position = WordAt(rom, at + 8) & 0x0FFFFFFF;
    // The data word is read whole, so it must fit as well as the stated length.
    if (!Fits(rom, block.position, block.length) || !Fits(rom, block.position, 4))
      continue;
    features_[static_cast<LIVE_ROMFEATURES_t>(block.feature)] = WordAt(rom, block.position);
  }
}

}  // namespace vehicle
