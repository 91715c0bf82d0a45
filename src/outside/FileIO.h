#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace util {

// Replaces `path` with `bytes` or leaves it as it was: a ROM file is a
// user's only copy of a calibration. The bytes go to a hidden temporary file
// in the same folder, which is synced and renamed over `path` (then the
// folder is synced). A new file gets the usual permissions, an
// existing one keeps its own. On failure returns false with the reason in
// `error` and removes the temporary file.
bool WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes,
                         std::string& error);

// The whole file; false with the reason in `error` when it cannot be read.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error);

}  // namespace util
