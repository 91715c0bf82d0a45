// Where a definition puts its objects in an image, read with the definition
// classes alone: the tests of generated and sample images share these.
#pragma once

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "dtc/ParserFactory.h"
#include "vehicle/definition/Axis.h"
#include "vehicle/definition/XMLToggle.h"
#include "vehicle/loading/Vehicle.h"

namespace image_layout {

// The byte ranges an axis occupies in ROM: one per ROM offset (the whole
// column-first or padded extent) or one per run.
inline std::vector<std::pair<uint64_t, uint64_t>> Ranges(const vehicle::Axis& axis) {
  std::vector<std::pair<uint64_t, uint64_t>> ranges;
  if (axis.IsLabels() || axis.IsCalculated())
    return ranges;
  const uint64_t length = uint64_t{axis.GetCount()} * axis.GetElementStride();
  for (uint32_t offset : axis.GetRomOffsets())
    ranges.push_back({offset, offset + length});
  if (axis.GetRomOffsets().empty()) {
    for (const auto& run : axis.GetDataOffsets()) {
      if (run.rom_offset != vehicle::Axis::NOT_SET)
        ranges.push_back(
            {run.rom_offset, run.rom_offset + uint64_t{run.count} * axis.GetElementSize()});
    }
  }
  return ranges;
}

// Whether every segment of `toggle` holds its enabled (or disabled) values.
inline bool Matches(const std::vector<uint8_t>& image, const vehicle::Toggle& toggle,
                    bool enabled) {
  for (const auto& segment : toggle.GetToggleStateDefinitionSegments()) {
    const auto& values = enabled ? segment.enabled_values : segment.disabled_values;
    for (size_t i = 0; i < values.size(); ++i) {
      const uint8_t mask = segment.use_mask ? segment.mask_values[i] : 0xFF;
      if ((values[i] & mask) != (image.at(segment.rom_offset + i) & mask))
        return false;
    }
  }
  return true;
}

// The trouble codes the definition's parser finds in `image`, in order.
inline std::vector<std::string> ParsedCodes(const vehicle::Vehicle& vehicle,
                                            const std::vector<uint8_t>& image) {
  TiXmlElement params = vehicle.GetRomInfo().GetDTCParserParams();
  auto parser = dtc::MakeParser(vehicle.GetRomInfo().GetDTC());
  DTCParser::ToggleMap toggles;
  EXPECT_TRUE(parser && parser->Parse(image, toggles, params));
  std::vector<std::string> names;
  for (const auto& entry : toggles)
    names.push_back(entry.first);
  return names;
}

}  // namespace image_layout
