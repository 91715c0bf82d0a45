#pragma once

#include <map>
#include <string>

namespace util {

// Ordered map from an enumeration value to a text or an object, ordered by
// the enumeration's integer value.
template <class E, class V>
class enum_map : public std::map<E, V> {
 public:
  using std::map<E, V>::map;
};

// Reverse lookup of a string table: the first key (in ascending order) whose
// text equals `text`, or -1 when none does. Callers that compare without
// regard to case lower-case the text first.
template <class E>
E FindEnumValue(const enum_map<E, std::string>& table, const std::string& text) {
  for (const auto& entry : table) {
    if (entry.second == text)
      return entry.first;
  }
  return static_cast<E>(-1);
}

}  // namespace util
