#include "vehicle/definition/Toggle.h"

#include "vehicle/definition/ECUOffsetTranslator.h"

namespace vehicle {

void Toggle::init(const std::string& id, ToggleType_e type) {
  toggle_id_ = id;
  toggle_type_ = type;
}

void Toggle::AdjustOffsets(const IECUOffsetTranslator& translator) {
  for (ToggleStateDefinitionSegment& segment : segments_) {
    segment.rom_offset = translator.translate(segment.rom_offset);
  }
}

}  // namespace vehicle
