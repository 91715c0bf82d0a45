#pragma once

#include <cstdint>
#include <map>
#include <vector>

namespace vehicle {

// Key of a feature in the live ROM information block.
enum LIVE_ROMFEATURES_t : int32_t {};

// The live ROM information block that some ROMs carry: a small table of
// (feature key, data position, length) entries. Parse reads it out of an
// image, skipping whatever does not fit inside the image.
class LiveRomInfo {
 public:
  // One 12-byte block of the table, as stored in the ROM.
  struct LIVE_ROMINFOBLOCK_t {
    int32_t feature = 0;    // bytes 0..3
    uint8_t length = 0;     // byte 6
    uint32_t position = 0;  // bytes 8..11, top four bits cleared
  };

  static constexpr uint32_t kHeaderSize = 16;
  static constexpr uint32_t kBlockSize = 12;
  static constexpr uint32_t kFormatVersion = 1;

  // Reads the block at `offset` (0xFFFFFFFF: none) out of `rom`. Does
  // nothing when the header or the table does not fit or the version is not 1.
  void Parse(uint32_t offset, const std::vector<uint8_t>& rom);

  const std::map<LIVE_ROMFEATURES_t, uint32_t>& GetFeatures() const { return features_; }

 private:
  std::map<LIVE_ROMFEATURES_t, uint32_t> features_;
};

}  // namespace vehicle
