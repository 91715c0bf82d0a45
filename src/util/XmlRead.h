#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TiXmlElement;

// The one way every definition reader takes a value out of an element.
namespace util {

// The value called `name`: the element's attribute of that name or, when it
// has none, the text of its first child element of that name. Returns false
// (and leaves `out` alone) when neither exists or the child has no text.
bool ReadXmlValue(const TiXmlElement* element, const char* name, std::string& out);

// TinyXML's FirstChildElement(name) and NextSiblingElement(name), walking the
// nodes directly: a definition element is asked for a few dozen names, most of
// them absent, and TinyXML's own walk costs a call and a string comparison per
// node for each of them.
const TiXmlElement* FirstChildElement(const TiXmlElement* element, const char* name);
const TiXmlElement* NextSiblingElement(const TiXmlElement* element, const char* name);

// The element's attribute called `name`, or null; TinyXML's Attribute(name).
const char* FindAttribute(const TiXmlElement* element, const char* name);

// The same value without a copy: a pointer into the element (valid while the
// document lives), or null when ReadXmlValue would return false.
const char* FindXmlValue(const TiXmlElement* element, const char* name);

// Whether the value exists at all (attribute or child element with text).
bool HasXmlValue(const TiXmlElement* element, const char* name);

// C strtoul in base 0 ("0x" hex, leading-zero octal, decimal), truncated to
// 32 bits. Text that is not a number gives 0.
uint32_t ParseUnsigned(const std::string& text);

// ParseUnsigned of each entry of a comma-separated list (as SplitList splits
// it), appended to `out`.
void AppendUnsignedList(const char* text, std::vector<uint32_t>& out);
// The same, each number's low eight bits as one byte.
void AppendByteList(const char* text, std::vector<uint8_t>& out);

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
std::vector<std::string> SplitList(std::string_view text);

// ASCII lower-case copy.
std::string ToLower(const std::string& text);

// The text of the element (empty when it has none).
std::string ElementText(const TiXmlElement* element);

}  // namespace util
