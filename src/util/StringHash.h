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
    // Four bytes per step give the same value (5^4 = 625) with a quarter of
    // the dependent multiplications; keys here are mostly 32-character
    // signatures.
    const unsigned char* p = reinterpret_cast<const unsigned char*>(key.data());
    const std::size_t n = key.size();
    uint32_t h = 0;
    std::size_t i = 0;
    for (; i + 4 <= n; i += 4)
      h = h * 625u + p[i] * 125u + p[i + 1] * 25u + p[i + 2] * 5u + p[i + 3];
    for (; i < n; ++i)
      h = 5 * h + p[i];
    return h;
  }
};

}  // namespace util
