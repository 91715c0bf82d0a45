#include "vehicle/data/ToggleData.h"

namespace vehicle {

namespace {

const std::vector<uint8_t>& ValuesOf(const ToggleStateDefinitionSegment& segment,
                                     ToggleData::ToggleValuesType_e which) {
  return which == ToggleData::EnabledValues ? segment.enabled_values : segment.disabled_values;
}

// Whether `values` of `segment` can be read from, and written to, an image
// of `size` bytes. Sums are 64-bit so that offsets near 4 GiB cannot wrap.
bool Fits(const ToggleStateDefinitionSegment& segment, const std::vector<uint8_t>& values,
          std::size_t size) {
  if (values.empty())
    return true;
  if (uint64_t{segment.rom_offset} + values.size() > size)
    return false;
  return !segment.use_mask || segment.mask_values.size() >= values.size();
}

}  // namespace

ToggleData::ToggleData(const Toggle& toggle) : toggle_(std::make_shared<const Toggle>(toggle)) {}

bool ToggleData::FitsImage(const std::vector<uint8_t>& rom) const {
  for (const ToggleStateDefinitionSegment& segment : toggle_->GetToggleStateDefinitionSegments()) {
    if (!Fits(segment, segment.enabled_values, rom.size()) ||
        !Fits(segment, segment.disabled_values, rom.size())) {
      return false;
    }
  }
  return true;
}

bool ToggleData::DataMatchesExpectedData(const std::vector<uint8_t>& rom,
                                         ToggleValuesType_e which) const {
  for (const ToggleStateDefinitionSegment& segment : toggle_->GetToggleStateDefinitionSegments()) {
    const std::vector<uint8_t>& values = ValuesOf(segment, which);
    if (values.empty())
      continue;
    if (!Fits(segment, values, rom.size()))
      return false;
    const uint8_t* bytes = rom.data() + segment.rom_offset;
    for (std::size_t i = 0; i < values.size(); ++i) {
      const uint8_t mask = segment.use_mask ? segment.mask_values[i] : 0xFF;
      if ((values[i] & mask) != (bytes[i] & mask))
        return false;
    }
  }
  return true;
}

std::pair<bool, bool> ToggleData::ValidateData(const std::vector<uint8_t>& rom) const {
  return {DataMatchesEnabled(rom), DataMatchesDisabled(rom)};
}

bool ToggleData::BuildToggle(const std::vector<uint8_t>& rom) {
  if (!FitsImage(rom))
    return false;
  const std::pair<bool, bool> matches = ValidateData(rom);
  if (toggle_->HasStrictValidation() && matches.first == matches.second)
    return false;
  enabled_ = matches.first;
  stored_ = matches.first;
  built = true;
  return true;
}

bool ToggleData::SaveToggle(std::vector<uint8_t>& rom) const {
  if (!built || !FitsImage(rom))
    return false;
  const ToggleValuesType_e which = enabled_ ? EnabledValues : DisabledValues;
  for (const ToggleStateDefinitionSegment& segment : toggle_->GetToggleStateDefinitionSegments()) {
    const std::vector<uint8_t>& values = ValuesOf(segment, which);
    if (values.empty())
      continue;
    uint8_t* bytes = rom.data() + segment.rom_offset;
    for (std::size_t i = 0; i < values.size(); ++i) {
      const uint8_t mask = segment.use_mask ? segment.mask_values[i] : 0xFF;
      bytes[i] = static_cast<uint8_t>((bytes[i] & ~mask) | (values[i] & mask));
    }
  }
  return true;
}

bool ToggleData::CopyToggle(std::shared_ptr<ToggleData> source) {
  if (!built || !source || !source->IsBuilt())
    return false;
  SetEnabled(source->IsEnabled());
  return true;
}

bool ToggleData::IsDifferent(const std::shared_ptr<ToggleData>& other) const {
  return !other || enabled_ != other->IsEnabled();
}

}  // namespace vehicle
