#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "util/Storage.h"

namespace util {

// A raw stored value: its bytes in storage order plus the byte order they are in.
// An empty value carries ENDIAN_INVALID. Plain value type: copy and move are member-wise.
class Binary {
 public:
  // The raw bytes, in the order they are stored in the ROM.
  std::vector<uint8_t> bytes;
  // How multi-byte integers are laid out in `bytes`.
  e_endian endian;

  Binary() : endian(ENDIAN_INVALID) {}
  Binary(std::vector<uint8_t> data, e_endian order) : bytes(std::move(data)), endian(order) {}

  bool IsEmpty() const { return bytes.empty(); }
  size_t Size() const { return bytes.size(); }

  const std::vector<uint8_t>& GetBytes() const { return bytes; }
  std::vector<uint8_t>& GetBytes() { return bytes; }
  e_endian GetEndian() const { return endian; }
  void SetEndian(e_endian order) { endian = order; }

  // Integer readers. Each combines the first N bytes (N = 1, 2, 4) in the Binary's byte order;
  // ENDIAN_INVALID is read as big-endian. Missing bytes count as zero-valued high-order bytes,
  // so a short value reads as if it had been zero-extended, and an empty Binary reads 0.
  // Bytes beyond N are ignored.
  uint8_t ToUint8() const;
  uint16_t ToUint16() const;
  uint32_t ToUint32() const;

  bool operator==(const Binary& other) const {
    return endian == other.endian && bytes == other.bytes;
  }
  bool operator!=(const Binary& other) const { return !(*this == other); }
};

}  // namespace util
