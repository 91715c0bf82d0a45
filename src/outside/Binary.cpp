#include "outside/Binary.h"

namespace util {

namespace {

// Combines up to `width` leading bytes; only the bytes present take part.
uint32_t Combine(const std::vector<uint8_t>& bytes, e_endian endian, size_t width) {
  const size_t n = bytes.size() < width ? bytes.size() : width;
  uint32_t value = 0;
  if (endian == ENDIAN_LITTLE) {
    for (size_t i = n; i > 0; --i) {
      value = (value << 8) | bytes[i - 1];
    }
  } else {
    for (size_t i = 0; i < n; ++i) {
      value = (value << 8) | bytes[i];
    }
  }
  return value;
}

}  // namespace

uint8_t Binary::ToUint8() const {
  return static_cast<uint8_t>(Combine(bytes, endian, 1));
}

uint16_t Binary::ToUint16() const {
  return static_cast<uint16_t>(Combine(bytes, endian, 2));
}

uint32_t Binary::ToUint32() const {
  return Combine(bytes, endian, 4);
}

}  // namespace util
