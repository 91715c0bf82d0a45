#include "vehicle/data/ToggleData.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

using vehicle::Toggle;
using vehicle::ToggleData;
using Image = std::vector<uint8_t>;

struct TestToggle : Toggle {
  explicit TestToggle(bool strict = false) {
    init("T", TOGGLE_TYPE_TOGGLE);
    strict_validation_ = strict;
  }
  TestToggle& Segment(uint32_t offset, std::vector<uint8_t> enabled, std::vector<uint8_t> disabled,
                      std::vector<uint8_t> mask = {}) {
    vehicle::ToggleStateDefinitionSegment segment;
    segment.rom_offset = offset;
    segment.enabled_values = std::move(enabled);
    segment.disabled_values = std::move(disabled);
    segment.use_mask = !mask.empty();
    segment.mask_values = std::move(mask);
    segments_.push_back(segment);
    return *this;
  }
};

TEST(ToggleDataTest, MaskedSegmentsMatchAndSaveOnlyTheirBitsAndStrictnessDecidesTies) {
  ToggleData data(TestToggle().Segment(2, {0x05}, {0x0A}, {0x0F}));
  Image rom = {0xEE, 0xEE, 0xF5, 0xEE};
  ASSERT_TRUE(data.BuildToggle(rom));
  EXPECT_TRUE(data.IsEnabled());  // high nibble ignored
  EXPECT_FALSE(data.IsDirty());

  data.SetEnabled(false);
  EXPECT_TRUE(data.IsDirty());
  ASSERT_TRUE(data.SaveToggle(rom));
  EXPECT_EQ(rom, (Image{0xEE, 0xEE, 0xFA, 0xEE}));
  data.ClearDirtyState();
  EXPECT_FALSE(data.IsDirty());

  // A strict toggle fails on both or neither state; a non-strict one follows "enabled".
  struct Case {
    std::vector<uint8_t> enabled, disabled;
    uint8_t byte;
    bool strict_builds;
    bool enabled_after;  // of the non-strict build
  };
  const Case cases[] = {
      {{0x01}, {0x00}, 0x01, true, true},    // enabled
      {{0x01}, {0x00}, 0x00, true, false},   // disabled
      {{0x01}, {0x00}, 0x07, false, false},  // neither
      {{0x01}, {0x01}, 0x01, false, true},   // both
      {{}, {}, 0x07, false, true},           // empty sets match both
  };
  for (const Case& c : cases) {
    const Image rom = {0x00, c.byte};
    ToggleData loose(TestToggle(false).Segment(1, c.enabled, c.disabled));
    ASSERT_TRUE(loose.BuildToggle(rom));
    EXPECT_EQ(loose.IsEnabled(), c.enabled_after) << int(c.byte);

    ToggleData strict(TestToggle(true).Segment(1, c.enabled, c.disabled));
    EXPECT_EQ(strict.BuildToggle(rom), c.strict_builds) << int(c.byte);
    EXPECT_EQ(strict.IsBuilt(), c.strict_builds);
  }
}

TEST(ToggleDataTest, SegmentsOutsideTheImageAreNeverTouched) {
  const Image rom(4, 0x01);
  // 0xFFFFFFFF + 2 wraps to 1 in 32 bits; a short mask cannot cover the values.
  for (const TestToggle& toggle :
       {TestToggle().Segment(0xFFFFFFFFu, {1, 1}, {0, 0}), TestToggle().Segment(3, {1, 1}, {0, 0}),
        TestToggle().Segment(0, {1, 1}, {0, 0}, {0xFF})}) {
    ToggleData data(toggle);
    EXPECT_FALSE(data.FitsImage(rom));
    EXPECT_FALSE(data.DataMatchesEnabled(rom));
    EXPECT_FALSE(data.BuildToggle(rom));
    EXPECT_FALSE(data.IsBuilt());
  }

  // Built on a large image, saved into a short one: nothing is written.
  ToggleData data(TestToggle().Segment(0, {1}, {0}).Segment(3, {1, 1}, {0, 0}));
  ASSERT_TRUE(data.BuildToggle(Image(8, 0x01)));
  data.SetEnabled(false);
  Image short_rom = rom;
  EXPECT_FALSE(data.SaveToggle(short_rom));
  EXPECT_EQ(short_rom, rom);
}

TEST(ToggleDataTest, UnbuiltToggleSavesNothingAndCopiesNothing) {
  ToggleData unbuilt(TestToggle().Segment(0, {1}, {0}));
  Image rom = {0x05};
  EXPECT_FALSE(unbuilt.SaveToggle(rom));
  EXPECT_EQ(rom, Image{0x05});

  auto source = std::make_shared<ToggleData>(TestToggle().Segment(0, {1}, {0}));
  ToggleData target(TestToggle().Segment(0, {1}, {0}));
  ASSERT_TRUE(target.BuildToggle({0x00}));
  EXPECT_FALSE(target.CopyToggle(source));  // source unbuilt
  EXPECT_FALSE(target.CopyToggle(nullptr));
  EXPECT_FALSE(unbuilt.CopyToggle(source));

  ASSERT_TRUE(source->BuildToggle({0x01}));
  EXPECT_TRUE(target.IsDifferent(source));
  EXPECT_TRUE(target.CopyToggle(source));
  EXPECT_TRUE(target.IsEnabled());
  EXPECT_TRUE(target.IsDirty());
  EXPECT_FALSE(target.IsDifferent(source));
  EXPECT_TRUE(target.IsDifferent(nullptr));
}

TEST(ToggleDataTest, OutlivesItsDefinition) {
  auto definition = std::make_unique<TestToggle>();
  definition->Segment(0, {1}, {0});
  auto data = std::make_unique<ToggleData>(*definition);
  definition.reset();
  ASSERT_TRUE(data->BuildToggle({0x01}));
  const ToggleData copy = *data;
  data.reset();
  EXPECT_EQ(copy.GetID(), "T");
  EXPECT_EQ(copy.GetToggleType(), Toggle::TOGGLE_TYPE_TOGGLE);
  Image rom = {0x00};
  EXPECT_TRUE(copy.SaveToggle(rom));
  EXPECT_EQ(rom, Image{0x01});
}

}  // namespace
