#include "util/XmlRead.h"

#include <tinyxml.h>

#include <cctype>
#include <cstdlib>
#include <sstream>

namespace util {

bool ReadXmlValue(const TiXmlElement* element, const char* name, std::string& out) {
  if (element == nullptr)
    return false;
  if (const char* attribute = element->Attribute(name)) {
    out = attribute;
    return true;
  }
  const TiXmlElement* child = element->FirstChildElement(name);
  if (child == nullptr || child->GetText() == nullptr)
    return false;
  out = child->GetText();
  return true;
}

bool HasXmlValue(const TiXmlElement* element, const char* name) {
  std::string ignored;
  return ReadXmlValue(element, name, ignored);
}

uint32_t ParseUnsigned(const std::string& text) {
  return static_cast<uint32_t>(std::strtoul(text.c_str(), nullptr, 0));
}

bool ReadXmlUnsigned(const TiXmlElement* element, const char* name, uint32_t& out) {
  std::string text;
  if (!ReadXmlValue(element, name, text))
    return false;
  out = ParseUnsigned(text);
  return true;
}

bool ReadXmlFlag(const TiXmlElement* element, const char* name, bool& out) {
  std::string text;
  if (!ReadXmlValue(element, name, text))
    return false;
  out = std::strtoul(text.c_str(), nullptr, 0) != 0;
  return true;
}

namespace {

template <class T>
bool ParseLeading(const std::string& text, T& out) {
  std::istringstream stream(text);
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

std::vector<std::string> SplitList(const std::string& text) {
  std::vector<std::string> entries;
  std::size_t start = 0;
  while (true) {
    std::size_t comma = text.find(',', start);
    std::string entry =
        text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    std::size_t first = entry.find_first_not_of(' ');
    std::size_t last = entry.find_last_not_of(' ');
    entries.push_back(first == std::string::npos ? std::string()
                                                 : entry.substr(first, last - first + 1));
    if (comma == std::string::npos)
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
