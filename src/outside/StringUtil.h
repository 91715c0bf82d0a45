#pragma once

#include <string>

namespace StringUtil {

// Copy of `text` with the ASCII letters A-Z lower-cased; every other byte (including UTF-8
// sequences) is kept as it is, independent of the locale.
std::string ToLower_Copy(const std::string& text);

}  // namespace StringUtil
