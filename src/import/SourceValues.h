#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "util/Storage.h"

class TiXmlElement;

// Reading the values the community formats write: hexadecimal addresses with
// or without "0x", decimal sizes, "true"/"false" flags, storage and byte-order
// words, byte strings in hex. Every reader answers false for text it does not
// recognise and leaves its output alone.
namespace import {

// Sizes beyond these are not a real calibration table: a definition that
// gives one is refused rather than imported.
constexpr uint32_t kMaxAxisSize = 65536;
constexpr uint64_t kMaxTableValues = 1u << 22;

std::string Lower(std::string text);
bool EqualsIgnoreCase(const std::string& a, const std::string& b);
// Blanks (space, tab, line breaks) removed from both ends.
std::string Trim(const std::string& text);

// The attribute `name` of `element` (exact name), or null.
const char* Attribute(const TiXmlElement* element, const char* name);
// The text of the element, trimmed; empty when it has none.
std::string Text(const TiXmlElement* element);
// The element's name compared without regard to case.
bool IsElement(const TiXmlElement* element, const char* name);

// "1a2b", "0x1A2B": at most 32 bits.
bool ParseHexAddress(const std::string& text, uint32_t& out);
// Plain decimal digits, at most 32 bits.
bool ParseCount(const std::string& text, uint32_t& out);
// "true", "yes", "1" (any case) are true; everything else is false.
bool ParseFlag(const std::string& text);
// The whole text as one finite number.
bool ParseNumber(const std::string& text, double& out);
// "uint8", "int16", "float" and the rest of the family (any case).
bool ParseStorageWord(const std::string& text, util::data::Storage_e& out);
// "big" or "little" (any case).
bool ParseEndianWord(const std::string& text, util::e_endian& out);
// Hex bytes: tokens separated by blanks or commas, each "0x" optional; a token
// of one or two digits is one byte, a longer one (even length) several.
bool ParseHexBytes(const std::string& text, std::vector<uint8_t>& out);

// A value count as the definition gives it: decimal, at least 1 and at most
// kMaxAxisSize. False, with a message naming `item` appended to `error`,
// otherwise: a definition with such a size is refused.
bool ReadSize(const std::string& text, const std::string& item, uint32_t& out, std::string& error);

// "0x0001A2B4".
std::string HexText(uint32_t value);
// The shortest decimal text that reads back as exactly `value`.
std::string ExactText(double value);

}  // namespace import
