#include "DtcImageGenerator.h"

#include <tinyxml.h>

#include <cstdio>
#include <stdexcept>

namespace bench {
namespace {

std::string Hex(uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof(text), "0x%llX", static_cast<unsigned long long>(value));
  return text;
}

// Noise that is the same on every run.
void FillNoise(std::vector<uint8_t>& image) {
  uint32_t state = 0x2545F491u;
  for (uint8_t& byte : image) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    byte = static_cast<uint8_t>(state >> 24);
  }
}

// Codes 0x0100, 0x0101, ...: distinct "P" codes.
uint16_t CodeOf(unsigned index) {
  return static_cast<uint16_t>(0x0100 + index);
}
// Nine in ten codes are enabled.
bool IsEnabled(unsigned index) {
  return index % 10 != 7;
}

void Require(bool fits, const std::string& family) {
  if (!fits)
    throw std::invalid_argument("image too small for the " + family + " table");
}

void Put(std::vector<uint8_t>& image, uint64_t at, uint8_t value) {
  image.at(at) = value;
}

// One state byte per code at E, codes (big-endian) in 12-byte entries at D + 4.
void LayOutSubaruHitachi(DtcImage& out) {
  const uint64_t size = out.image.size();
  const uint64_t e = size / 2, d = e + out.codes, s = 12, k = 4;
  Require(d + k + uint64_t{out.codes} * s <= size, out.family);
  for (unsigned i = 0; i < out.codes; ++i) {
    const uint16_t code = CodeOf(i);
    Put(out.image, e + i, IsEnabled(i) ? 0x01 : 0x00);
    Put(out.image, d + k + i * s, static_cast<uint8_t>(code >> 8));
    Put(out.image, d + k + i * s + 1, static_cast<uint8_t>(code));
  }
  out.params->SetAttribute("dtc_enabled_state_address", Hex(e));
  out.params->SetAttribute("dtc_definition_address", Hex(d));
  out.params->SetAttribute("dtc_struct_size", Hex(s));
  out.params->SetAttribute("dtc_pcode_idx", Hex(k));
}

// 8-byte entries at D: little-endian code at +0, state byte at +6; the table
// ends at the first code 0000.
void LayOutBmwN54(DtcImage& out) {
  const uint64_t size = out.image.size();
  const uint64_t d = size / 4 * 3, s = 8;
  Require(d + (uint64_t{out.codes} + 1) * s <= size, out.family);
  for (unsigned i = 0; i < out.codes; ++i) {
    const uint16_t code = CodeOf(i);
    Put(out.image, d + i * s, static_cast<uint8_t>(code));
    Put(out.image, d + i * s + 1, static_cast<uint8_t>(code >> 8));
    Put(out.image, d + i * s + 6, IsEnabled(i) ? static_cast<uint8_t>(1 + i % 200) : 0x00);
  }
  Put(out.image, d + uint64_t{out.codes} * s, 0x00);
  Put(out.image, d + uint64_t{out.codes} * s + 1, 0x00);
  out.params->SetAttribute("dtc_definition_address", Hex(d));
  out.params->SetAttribute("dtc_struct_size", Hex(s));
}

// 4-byte entries from D to Dend with little-endian codes; one state byte per
// code at E.
void LayOutPorscheSimos(DtcImage& out) {
  const uint64_t size = out.image.size();
  const uint64_t d = size / 8, s = 4, end = d + uint64_t{out.codes} * s, e = size / 8 * 5;
  Require(end <= e && e + out.codes <= size, out.family);
  for (unsigned i = 0; i < out.codes; ++i) {
    const uint16_t code = CodeOf(i);
    Put(out.image, d + i * s, static_cast<uint8_t>(code));
    Put(out.image, d + i * s + 1, static_cast<uint8_t>(code >> 8));
    Put(out.image, e + i, IsEnabled(i) ? static_cast<uint8_t>(0x80 | (i % 3)) : 0x00);
  }
  out.params->SetAttribute("dtc_definition_address", Hex(d));
  out.params->SetAttribute("dtc_definition_address_end", Hex(end));
  out.params->SetAttribute("dtc_enabled_state_address", Hex(e));
  out.params->SetAttribute("dtc_struct_size", Hex(s));
}

}  // namespace

const std::vector<std::string>& DtcImageFamilies() {
  static const std::vector<std::string> families = {
      "SUBARU_HITACHI_DTC_PARSER", "BMW_N54_DTC_PARSER", "PORSCHE_SIMOS_DTC_PARSER"};
  return families;
}

DtcImage WriteDtcImage(const std::string& family, size_t image_bytes, unsigned codes) {
  // Codes above 0x3FFF would change letter and 0x4BB0 is reserved by one family.
  if (codes > 0x3E00)
    throw std::invalid_argument("too many codes");
  DtcImage out;
  out.family = family;
  out.codes = codes;
  out.image.resize(image_bytes);
  FillNoise(out.image);
  out.params = std::make_shared<TiXmlElement>("dtc_parser_params");
  out.params->SetAttribute("id", family);
  if (family == "SUBARU_HITACHI_DTC_PARSER") {
    LayOutSubaruHitachi(out);
  } else if (family == "BMW_N54_DTC_PARSER") {
    LayOutBmwN54(out);
  } else if (family == "PORSCHE_SIMOS_DTC_PARSER") {
    LayOutPorscheSimos(out);
  } else {
    throw std::invalid_argument("no image layout for " + family);
  }
  for (unsigned i = 0; i < codes; ++i)
    out.enabled += IsEnabled(i) ? 1 : 0;
  return out;
}

}  // namespace bench
