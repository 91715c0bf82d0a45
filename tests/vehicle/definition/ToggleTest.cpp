#include "vehicle/definition/Toggle.h"

#include <gtest/gtest.h>

#include "ArchiveTestSupport.h"

namespace {

vehicle::ToggleStateDefinitionSegment Segment(uint32_t offset) {
  vehicle::ToggleStateDefinitionSegment segment;
  segment.rom_offset = offset;
  segment.enabled_values = {0x01};
  segment.disabled_values = {0x00};
  return segment;
}

TEST(ToggleTest, InitKeepsTheSegments) {
  vehicle::Toggle toggle;
  toggle.GetToggleStateDefinitionSegments().push_back(Segment(4));
  toggle.init("P0420", vehicle::Toggle::TOGGLE_TYPE_DTC);
  EXPECT_EQ(toggle.GetToggleStateDefinitionSegments().size(), 1u);
}

TEST(ToggleTest, SerializationKeepsEveryField) {
  vehicle::Toggle toggle;
  toggle.init("P0100", vehicle::Toggle::TOGGLE_TYPE_DTC);
  vehicle::ToggleStateDefinitionSegment masked = Segment(0x1234);
  masked.use_mask = true;
  masked.mask_values = {0x0F};
  toggle.GetToggleStateDefinitionSegments() = {Segment(2), masked};

  vehicle::Toggle loaded;
  ArchiveRoundTrip(toggle, loaded);
  EXPECT_EQ(loaded.GetID(), "P0100");
  EXPECT_EQ(loaded.GetToggleType(), vehicle::Toggle::TOGGLE_TYPE_DTC);
  const auto& segments = loaded.GetToggleStateDefinitionSegments();
  ASSERT_EQ(segments.size(), 2u);
  EXPECT_EQ(segments[1].rom_offset, 0x1234u);
  EXPECT_TRUE(segments[1].use_mask);
  EXPECT_EQ(segments[1].mask_values, std::vector<uint8_t>{0x0F});
  EXPECT_EQ(segments[0].enabled_values, std::vector<uint8_t>{0x01});
}

}  // namespace
