#include "import/SourceValues.h"

#include <tinyxml.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace import {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return -1;
}

// Digits of `text` from `begin` as one number in `base`, at most 32 bits.
bool ParseDigits(const std::string& text, size_t begin, int base, uint32_t& out) {
  if (begin >= text.size())
    return false;
  uint64_t value = 0;
  for (size_t i = begin; i < text.size(); ++i) {
    const int digit = HexDigit(text[i]);
    if (digit < 0 || digit >= base)
      return false;
    value = value * base + digit;
    if (value > 0xFFFFFFFFu)
      return false;
  }
  out = static_cast<uint32_t>(value);
  return true;
}

}  // namespace

std::string Lower(std::string text) {
  for (char& c : text)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool EqualsIgnoreCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size())
    return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

std::string Trim(const std::string& text) {
  size_t begin = 0, end = text.size();
  while (begin < end && IsBlank(text[begin]))
    ++begin;
  while (end > begin && IsBlank(text[end - 1]))
    --end;
  return text.substr(begin, end - begin);
}

const char* Attribute(const TiXmlElement* element, const char* name) {
  return element == nullptr ? nullptr : element->Attribute(name);
}

std::string Text(const TiXmlElement* element) {
  const char* text = element == nullptr ? nullptr : element->GetText();
  return text == nullptr ? std::string() : Trim(text);
}

bool IsElement(const TiXmlElement* element, const char* name) {
  return element != nullptr && EqualsIgnoreCase(element->ValueStr(), name);
}

bool ParseHexAddress(const std::string& raw, uint32_t& out) {
  const std::string text = Trim(raw);
  size_t begin = 0;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
    begin = 2;
  return ParseDigits(text, begin, 16, out);
}

bool ParseCount(const std::string& raw, uint32_t& out) {
  return ParseDigits(Trim(raw), 0, 10, out);
}

bool ParseFlag(const std::string& text) {
  const std::string word = Lower(Trim(text));
  return word == "true" || word == "yes" || word == "1";
}

bool ParseNumber(const std::string& raw, double& out) {
  const std::string text = Trim(raw);
  if (text.empty())
    return false;
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size() || !std::isfinite(value))
    return false;
  out = value;
  return true;
}

bool ParseStorageWord(const std::string& text, util::data::Storage_e& out) {
  static const struct {
    const char* word;
    util::data::Storage_e storage;
  } kWords[] = {
      {"uint8", util::data::STORAGE_U8},    {"int8", util::data::STORAGE_S8},
      {"uint16", util::data::STORAGE_U16},  {"int16", util::data::STORAGE_S16},
      {"uint32", util::data::STORAGE_U32},  {"int32", util::data::STORAGE_S32},
      {"float", util::data::STORAGE_FLOAT},
  };
  const std::string word = Lower(Trim(text));
  for (const auto& entry : kWords) {
    if (word == entry.word) {
      out = entry.storage;
      return true;
    }
  }
  return false;
}

bool ParseEndianWord(const std::string& text, util::e_endian& out) {
  const std::string word = Lower(Trim(text));
  if (word == "big") {
    out = util::ENDIAN_BIG;
  } else if (word == "little") {
    out = util::ENDIAN_LITTLE;
  } else {
    return false;
  }
  return true;
}

bool ParseHexBytes(const std::string& text, std::vector<uint8_t>& out) {
  std::vector<uint8_t> bytes;
  size_t i = 0;
  while (i < text.size()) {
    if (IsBlank(text[i]) || text[i] == ',') {
      ++i;
      continue;
    }
    size_t end = i;
    while (end < text.size() && !IsBlank(text[end]) && text[end] != ',')
      ++end;
    std::string token = text.substr(i, end - i);
    i = end;
    if (token.size() > 2 && token[0] == '0' && (token[1] == 'x' || token[1] == 'X'))
      token = token.substr(2);
    if (token.size() <= 2) {
      uint32_t value = 0;
      if (!ParseDigits(token, 0, 16, value))
        return false;
      bytes.push_back(static_cast<uint8_t>(value));
      continue;
    }
    if (token.size() % 2 != 0)
      return false;
    for (size_t k = 0; k < token.size(); k += 2) {
      uint32_t value = 0;
      if (!ParseDigits(token.substr(k, 2), 0, 16, value))
        return false;
      bytes.push_back(static_cast<uint8_t>(value));
    }
  }
  if (bytes.empty())
    return false;
  out = std::move(bytes);
  return true;
}

bool ReadSize(const std::string& text, const std::string& item, uint32_t& out, std::string& error) {
  uint32_t value = 0;
  if (!ParseCount(text, value)) {
    error += item + ": size \"" + text + "\" is not a number\n";
    return false;
  }
  if (value == 0 || value > kMaxAxisSize) {
    error += item + ": size " + std::to_string(value) + " is not a plausible table size (1 to " +
             std::to_string(kMaxAxisSize) + ")\n";
    return false;
  }
  out = value;
  return true;
}

std::string HexText(uint32_t value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%08X", static_cast<unsigned>(value));
  return buffer;
}

std::string ExactText(double value) {
  char buffer[40];
  // Plain decimals read best ("0.00006103515625", "-10"); exponents only for
  // magnitudes that would need too many digits.
  if (std::fabs(value) < 1e15) {
    for (int decimals = 0; decimals <= 17; ++decimals) {
      std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
      if (std::strtod(buffer, nullptr) == value)
        return buffer;
    }
  }
  for (int precision = 1; precision <= 17; ++precision) {
    std::snprintf(buffer, sizeof buffer, "%.*g", precision, value);
    if (std::strtod(buffer, nullptr) == value)
      break;
  }
  return buffer;
}

}  // namespace import
