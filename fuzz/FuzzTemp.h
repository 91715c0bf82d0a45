#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {

// A folder private to this process, created on first use and removed with
// everything in it when the process exits. Prefers memory-backed storage
// so that writing an input per run stays cheap.
const std::string& TempFolder();

// Replaces the file at `path` with exactly these bytes; false on failure.
bool WriteFile(const std::string& path, const uint8_t* data, size_t size);
bool WriteFile(const std::string& path, const std::string& text);

// Removes `path` if it exists.
void RemoveFile(const std::string& path);

}  // namespace fuzz
