#include "util/XmlRead.h"

#include <tinyxml.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace util {

namespace {

bool SameName(const char* a, const char* b) {
  return a[0] == b[0] && std::strcmp(a, b) == 0;
}

const TiXmlElement* ElementFrom(const TiXmlNode* node, const char* name) {
  for (; node != nullptr; node = node->NextSibling()) {
    if (node->Type() == TiXmlNode::TINYXML_ELEMENT && SameName(node->Value(), name))
      return static_cast<const TiXmlElement*>(node);
  }
  return nullptr;
}

}  // namespace

const TiXmlElement* FirstChildElement(const TiXmlElement* element, const char* name) {
  return element == nullptr ? nullptr : ElementFrom(element->FirstChild(), name);
}

const TiXmlElement* NextSiblingElement(const TiXmlElement* element, const char* name) {
  return element == nullptr ? nullptr : ElementFrom(element->NextSibling(), name);
}

const char* FindAttribute(const TiXmlElement* element, const char* name) {
  if (element == nullptr)
    return nullptr;
  for (const TiXmlAttribute* a = element->FirstAttribute(); a != nullptr; a = a->Next()) {
    if (SameName(a->Name(), name))
      return a->Value();
  }
  return nullptr;
}

const char* FindXmlValue(const TiXmlElement* element, const char* name) {
  if (element == nullptr)
    return nullptr;
  if (const char* attribute = FindAttribute(element, name))
    return attribute;
  const TiXmlElement* child = FirstChildElement(element, name);
  return child == nullptr ? nullptr : child->GetText();
}

bool ReadXmlValue(const TiXmlElement* element, const char* name, std::string& out) {
  const char* value = FindXmlValue(element, name);
  if (value == nullptr)
    return false;
  out = value;
  return true;
}

bool HasXmlValue(const TiXmlElement* element, const char* name) {
  return FindXmlValue(element, name) != nullptr;
}

uint32_t ParseUnsigned(const std::string& text) {
  return static_cast<uint32_t>(std::strtoul(text.c_str(), nullptr, 0));
}

// strtoul skips leading blanks itself and stops at the first character that
// cannot continue a number, a comma included, so parsing each entry where it
// starts gives what parsing the trimmed entry would.
template <class T>
void AppendNumbers(const char* text, std::vector<T>& out) {
  for (const char* entry = text;;) {
    out.push_back(static_cast<T>(static_cast<uint32_t>(std::strtoul(entry, nullptr, 0))));
    const char* comma = std::strchr(entry, ',');
    if (comma == nullptr)
      break;
    entry = comma + 1;
  }
}

void AppendUnsignedList(const char* text, std::vector<uint32_t>& out) {
  AppendNumbers(text, out);
}

void AppendByteList(const char* text, std::vector<uint8_t>& out) {
  AppendNumbers(text, out);
}

bool ReadXmlUnsigned(const TiXmlElement* element, const char* name, uint32_t& out) {
  const char* value = FindXmlValue(element, name);
  if (value == nullptr)
    return false;
  out = static_cast<uint32_t>(std::strtoul(value, nullptr, 0));
  return true;
}

bool ReadXmlFlag(const TiXmlElement* element, const char* name, bool& out) {
  const char* value = FindXmlValue(element, name);
  if (value == nullptr)
    return false;
  out = std::strtoul(value, nullptr, 0) != 0;
  return true;
}

namespace {

// One stream per thread, reset for every text: constructing a stream costs
// far more than reading a number from it.
template <class T>
bool ParseLeading(const std::string& text, T& out) {
  thread_local std::istringstream stream;
  stream.clear();
  stream.str(text);
  T value{};
  if (!(stream >> value))
    return false;
  out = value;
  return true;
}

}  // namespace

bool ParseDouble(const std::string& text, double& out) {
  return ParseLeading(text, out);
}
bool ParseInt64(const std::string& text, int64_t& out) {
  return ParseLeading(text, out);
}
bool ParseFloat(const std::string& text, float& out) {
  return ParseLeading(text, out);
}

std::vector<std::string> SplitList(std::string_view text) {
  std::vector<std::string> entries;
  entries.reserve(static_cast<size_t>(std::count(text.begin(), text.end(), ',')) + 1);
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = text.find(',', start);
    const std::size_t end = comma == std::string_view::npos ? text.size() : comma;
    std::size_t first = start;
    while (first < end && text[first] == ' ')
      ++first;
    std::size_t last = end;
    while (last > first && text[last - 1] == ' ')
      --last;
    entries.emplace_back(text.substr(first, last - first));
    if (comma == std::string_view::npos)
      break;
    start = comma + 1;
  }
  return entries;
}

std::string ToLower(const std::string& text) {
  std::string lower(text);
  for (char& c : lower)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

std::string ElementText(const TiXmlElement* element) {
  if (element == nullptr || element->GetText() == nullptr)
    return std::string();
  return element->GetText();
}

}  // namespace util
