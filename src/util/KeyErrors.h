#pragma once

#include <stdexcept>
#include <string>

namespace util {

// Thrown by a keyed store when a lookup names a key that is not stored.
// what() is "key not found\n" followed by the detail text.
class key_notfound_error : public std::runtime_error {
 public:
  explicit key_notfound_error(const std::string& detail = std::string())
      : std::runtime_error("key not found\n" + detail) {}
};

// Thrown by a keyed store when an insert names a key that is already stored.
// what() is "key already exists\n" followed by the detail text.
class duplicate_key_error : public std::runtime_error {
 public:
  explicit duplicate_key_error(const std::string& detail = std::string())
      : std::runtime_error("key already exists\n" + detail) {}
};

}  // namespace util
