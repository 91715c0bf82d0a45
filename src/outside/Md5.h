#pragma once

#include <cstddef>
#include <string>

namespace pkg {

// MD5 digest (RFC 1321) of `length` bytes at `data`, written to `out` as 32 lower-case hex
// characters. `data` may be null when `length` is 0. Returns false (and clears `out`) when
// the digest could not be computed.
bool md5Buffer(const void* data, size_t length, std::string& out);

}  // namespace pkg
