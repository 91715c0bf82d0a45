#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace util {

// The classic multiplicative string hash: h = 5 * h + byte, in 32-bit
// unsigned arithmetic. Stores iterate in bucket order of this hash, so the
// value is part of observable behaviour and must not change.
struct StringHash {
  std::size_t operator()(const std::string& key) const noexcept {
    uint32_t h = 0;
    for (unsigned char c : key)
      h = 5 * h + c;
    return h;
  }
};

}  // namespace util
