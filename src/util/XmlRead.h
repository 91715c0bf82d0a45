#pragma once

#include <cstdint>
#include <string>
#include <vector>

class TiXmlElement;

// The one way every definition reader takes a value out of an element.
namespace util {

// The value called `name`: the element's attribute of that name or, when it
// has none, the text of its first child element of that name. Returns false
// (and leaves `out` alone) when neither exists or the child has no text.
bool ReadXmlValue(const TiXmlElement* element, const char* name, std::string& out);

// Whether the value exists at all (attribute or child element with text).
bool HasXmlValue(const TiXmlElement* element, const char* name);

// C strtoul in base 0 ("0x" hex, leading-zero octal, decimal), truncated to
// 32 bits. Text that is not a number gives 0.
uint32_t ParseUnsigned(const std::string& text);

// ReadXmlValue followed by ParseUnsigned; false when the value is absent.
bool ReadXmlUnsigned(const TiXmlElement* element, const char* name, uint32_t& out);

// A flag given as a number: present and non-zero. "true" reads as 0, so false.
bool ReadXmlFlag(const TiXmlElement* element, const char* name, bool& out);

// The leading number of the text, as an input string stream reads it.
// Returns false (and leaves `out` alone) when the text does not start with one.
bool ParseDouble(const std::string& text, double& out);
bool ParseInt64(const std::string& text, int64_t& out);
bool ParseFloat(const std::string& text, float& out);

// Comma-separated list: one entry more than there are commas, blanks (the
// space character only) trimmed from both ends of each entry; empty entries
// are kept.
std::vector<std::string> SplitList(const std::string& text);

// ASCII lower-case copy.
std::string ToLower(const std::string& text);

// The text of the element (empty when it has none).
std::string ElementText(const TiXmlElement* element);

}  // namespace util
