#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <tinyxml.h>

#include "dtc/ParserFactory.h"

namespace dtctest {

using Image = std::vector<uint8_t>;
using ToggleMap = std::map<std::string, vehicle::Toggle>;

// A zero-filled ROM image with helpers to lay out a table.
class ImageBuilder {
 public:
  explicit ImageBuilder(size_t size, uint8_t fill = 0) : bytes_(size, fill) {}

  ImageBuilder& U8(size_t pos, uint8_t value) {
    bytes_.at(pos) = value;
    return *this;
  }
  ImageBuilder& LE16(size_t pos, uint16_t value) { return Put(pos, value, 2, false); }
  ImageBuilder& BE16(size_t pos, uint16_t value) { return Put(pos, value, 2, true); }
  ImageBuilder& LE24(size_t pos, uint32_t value) { return Put(pos, value, 3, false); }
  ImageBuilder& LE32(size_t pos, uint32_t value) { return Put(pos, value, 4, false); }
  ImageBuilder& BE32(size_t pos, uint32_t value) { return Put(pos, value, 4, true); }
  ImageBuilder& Bytes(size_t pos, std::vector<uint8_t> values) {
    for (size_t i = 0; i < values.size(); ++i)
      bytes_.at(pos + i) = values[i];
    return *this;
  }
  const Image& image() const { return bytes_; }

 private:
  ImageBuilder& Put(size_t pos, uint32_t value, int width, bool big_endian) {
    for (int i = 0; i < width; ++i)
      bytes_.at(pos + (big_endian ? width - 1 - i : i)) = static_cast<uint8_t>(value >> (8 * i));
    return *this;
  }
  Image bytes_;
};

// A "dtc_parser_params" element with the given attributes.
inline TiXmlElement Params(const std::vector<std::pair<std::string, std::string>>& attributes) {
  TiXmlElement element("dtc_parser_params");
  for (const auto& attribute : attributes) {
    element.SetAttribute(attribute.first.c_str(), attribute.second.c_str());
  }
  return element;
}

// A parameter element read from XML text (for nested children).
inline TiXmlElement ParamsFromXml(const std::string& xml) {
  TiXmlDocument document;
  document.Parse(xml.c_str());
  const TiXmlElement* root = document.RootElement();
  return root ? TiXmlElement(*root) : TiXmlElement("dtc_parser_params");
}

struct ParseResult {
  bool ok = false;
  ToggleMap toggles;
};

// Makes the named parser and parses `image` with it.
inline ParseResult ParseWith(const std::string& name, const Image& image, TiXmlElement params,
                             const vehicle::IECUOffsetTranslator* translator = nullptr) {
  ParseResult result;
  std::unique_ptr<DTCParser> parser = dtc::MakeParser(name);
  if (!parser) {
    return result;
  }
  parser->SetECUOffsetTranslator(translator);
  result.ok = parser->Parse(image, result.toggles, params);
  return result;
}

// Writes the disabled values of every segment of `toggle` into `image`, as
// switching the toggle off does.
inline void WriteDisabled(const vehicle::Toggle& toggle, Image& image) {
  for (const auto& segment : toggle.GetToggleStateDefinitionSegments()) {
    for (size_t i = 0; i < segment.disabled_values.size(); ++i) {
      uint8_t& byte = image.at(segment.rom_offset + i);
      if (segment.use_mask) {
        const uint8_t mask = segment.mask_values.at(i);
        byte = static_cast<uint8_t>((byte & ~mask) | (segment.disabled_values[i] & mask));
      } else {
        byte = segment.disabled_values[i];
      }
    }
  }
}

// Plain view of one segment for comparisons: offset, enabled, disabled and
// mask bytes (empty when unmasked).
using Seg = std::tuple<uint32_t, std::vector<uint8_t>, std::vector<uint8_t>, std::vector<uint8_t>>;

inline std::vector<Seg> Segments(const vehicle::Toggle& toggle) {
  std::vector<Seg> result;
  for (const auto& segment : toggle.GetToggleStateDefinitionSegments()) {
    result.emplace_back(segment.rom_offset, segment.enabled_values, segment.disabled_values,
                        segment.use_mask ? segment.mask_values : std::vector<uint8_t>{});
  }
  return result;
}

inline std::vector<std::string> Names(const ToggleMap& toggles) {
  std::vector<std::string> names;
  for (const auto& entry : toggles) {
    names.push_back(entry.first);
  }
  return names;
}

using SegmentMap = std::map<std::string, std::vector<Seg>>;

// One family's reference parse of a small image: the codes and segments it
// gives, and the common parameters whose absence the family refuses.
struct FamilyCase {
  const char* parser;
  Image image;
  TiXmlElement params;
  SegmentMap expected;
  std::vector<std::string> required;
  const vehicle::IECUOffsetTranslator* translator = nullptr;
  // Switching every code off leaves nothing on a second parse.
  bool disabling_sticks = true;
};

inline void CheckFamily(const FamilyCase& c) {
  SCOPED_TRACE(c.parser);
  const ParseResult result = ParseWith(c.parser, c.image, c.params, c.translator);
  ASSERT_TRUE(result.ok);
  SegmentMap segments;
  for (const auto& entry : result.toggles) {
    segments[entry.first] = Segments(entry.second);
    EXPECT_EQ(std::make_tuple(entry.second.GetID(), entry.second.GetToggleType(),
                              entry.second.HasStrictValidation()),
              std::make_tuple(entry.first, vehicle::Toggle::TOGGLE_TYPE_DTC, false));
  }
  EXPECT_EQ(segments, c.expected);
  if (c.disabling_sticks) {
    Image disabled = c.image;
    for (const auto& entry : result.toggles) {
      WriteDisabled(entry.second, disabled);
    }
    const ParseResult again = ParseWith(c.parser, disabled, c.params, c.translator);
    EXPECT_TRUE(again.ok);
    EXPECT_TRUE(again.toggles.empty());
  }
  for (const std::string& name : c.required) {
    TiXmlElement params = c.params;
    params.RemoveAttribute(name.c_str());
    EXPECT_FALSE(dtc::MakeParser(c.parser)->ValidateConfigXML(params)) << "without " << name;
  }
}

}  // namespace dtctest
