#include "outside/StringUtil.h"

namespace StringUtil {

std::string ToLower_Copy(const std::string& text) {
  std::string result(text);
  for (char& c : result) {
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
  }
  return result;
}

}  // namespace StringUtil
