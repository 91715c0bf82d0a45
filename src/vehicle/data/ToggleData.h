#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "vehicle/data/Data.h"
#include "vehicle/data/IToggleable.h"
#include "vehicle/definition/Toggle.h"

namespace vehicle {

// The state of one toggle in one ROM image: read from the image by
// comparing its bytes with the definition's enabled and disabled values,
// switched by the editor, and written back.
//
// The data keeps its own copy of the definition, taken at construction and
// never changed: trouble-code definitions are re-parsed on every build and
// removed definitions are moved between the Vehicle's stores, so a
// reference into those stores could dangle or change under a built toggle.
// Copies of a ToggleData share that immutable copy.
//
// Every segment is checked against the image before a byte is read or
// written: a toggle whose bytes lie outside the image (or whose mask is
// shorter than its values) does not build, and saving it writes nothing.
class ToggleData : public Data, public IToggleable {
 public:
  // Which byte set of a segment is meant.
  enum ToggleValuesType_e {
    EnabledValues = 0,
    DisabledValues = 1,
  };

  // Unbuilt, not restricted, with a copy of `toggle`.
  explicit ToggleData(const Toggle& toggle);
  ToggleData(const ToggleData&) = default;
  ToggleData& operator=(const ToggleData&) = default;
  ~ToggleData() override = default;

  bool IsEnabled() const override { return enabled_; }
  bool IsRestricted() const override { return restricted_; }
  // Does not touch the stored state: a change makes the toggle dirty.
  void SetEnabled(bool enabled) override { enabled_ = enabled; }
  void SetRestricted(bool restricted) override { restricted_ = restricted; }
  std::string GetID() const override { return toggle_->GetID(); }

  // The data's own copy of the definition.
  const Toggle& GetToggle() const { return *toggle_; }
  Toggle::ToggleType_e GetToggleType() const { return toggle_->GetToggleType(); }

  // The current state differs from the one last read or cleaned.
  bool IsDirty() const { return enabled_ != stored_; }
  void ClearDirtyState() { stored_ = enabled_; }

  // Whether every segment's byte sets lie inside `rom` (and its mask, where
  // used, covers them). A toggle that does not fit is unreadable in `rom`.
  bool FitsImage(const std::vector<uint8_t>& rom) const;

  // True when `rom` holds the chosen byte set in every segment, compared
  // under the mask where the segment has one. Empty byte sets match; false
  // when the toggle does not fit the image.
  bool DataMatchesExpectedData(const std::vector<uint8_t>& rom, ToggleValuesType_e which) const;
  bool DataMatchesEnabled(const std::vector<uint8_t>& rom) const {
    return DataMatchesExpectedData(rom, EnabledValues);
  }
  bool DataMatchesDisabled(const std::vector<uint8_t>& rom) const {
    return DataMatchesExpectedData(rom, DisabledValues);
  }
  // (matches the enabled values, matches the disabled values).
  std::pair<bool, bool> ValidateData(const std::vector<uint8_t>& rom) const;

  // Reads the state from `rom`: enabled exactly when the enabled values
  // match. Fails, changing nothing, when the toggle does not fit the image
  // or when a strictly validated toggle matches both sets or neither.
  bool BuildToggle(const std::vector<uint8_t>& rom);

  // Writes the current state's values into `rom` (under the mask where the
  // segment has one; empty values leave their segment alone). Writes
  // nothing and returns false when the toggle is not built or does not fit
  // `rom`; the image is never resized.
  bool SaveToggle(std::vector<uint8_t>& rom) const;

  // Takes the source's state when both are built; otherwise false and no
  // change. Restriction is not consulted.
  bool CopyToggle(std::shared_ptr<ToggleData> source);

  // The states differ; an absent other counts as different.
  bool IsDifferent(const std::shared_ptr<ToggleData>& other) const;

 private:
  bool enabled_ = false;
  bool restricted_ = false;
  bool stored_ = false;
  std::shared_ptr<const Toggle> toggle_;
};

}  // namespace vehicle
