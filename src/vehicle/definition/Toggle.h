#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <boost/serialization/access.hpp>
#include <boost/serialization/string.hpp>
#include <boost/serialization/vector.hpp>

namespace vehicle {

class IECUOffsetTranslator;

// One run of ROM bytes of a toggle and the byte values that mean "enabled"
// and "disabled". With `use_mask` set only the bits of `mask_values` count,
// one mask byte per value byte.
struct ToggleStateDefinitionSegment {
  uint32_t rom_offset = 0;
  bool use_mask = false;
  std::vector<uint8_t> enabled_values;
  std::vector<uint8_t> disabled_values;
  std::vector<uint8_t> mask_values;

  template <class Archive>
  void serialize(Archive& ar, const unsigned int /*version*/) {
    ar& rom_offset;
    ar& use_mask;
    ar& enabled_values;
    ar& disabled_values;
    ar& mask_values;
  }
};

// An on/off feature of a ROM: a calibration switch or one trouble code.
// Trouble-code parsers build these directly and keep them by value; the
// definition reader derives from it (XMLToggle) and fills the protected
// fields from a "toggle" element.
class Toggle {
 public:
  enum ToggleType_e : int32_t {
    TOGGLE_TYPE_NONE = 0,    // unrecognised type word
    TOGGLE_TYPE_TOGGLE = 1,  // a calibration switch
    TOGGLE_TYPE_DTC = 2,     // a trouble code
  };

  using Segments = std::vector<ToggleStateDefinitionSegment>;

  Toggle() = default;
  Toggle(const Toggle&) = default;
  Toggle& operator=(const Toggle&) = default;
  Toggle(Toggle&&) = default;
  Toggle& operator=(Toggle&&) = default;
  virtual ~Toggle() = default;

  // Sets the id and the type; segments and strict validation are kept.
  virtual void init(const std::string& id, ToggleType_e type);
  virtual std::string GetID() const { return toggle_id_; }
  virtual bool HasStrictValidation() const { return strict_validation_; }
  virtual ToggleType_e GetToggleType() const { return toggle_type_; }
  virtual const Segments& GetToggleStateDefinitionSegments() const { return segments_; }
  virtual Segments& GetToggleStateDefinitionSegments() { return segments_; }

  // Replaces every segment's ROM offset by its translation.
  void AdjustOffsets(const IECUOffsetTranslator& translator);

  template <class Archive>
  void serialize(Archive& ar, const unsigned int /*version*/) {
    ar& toggle_type_;
    ar& text_;
    ar& toggle_id_;
    ar& segments_;
    ar& strict_validation_;
  }

 protected:
  friend class boost::serialization::access;

  ToggleType_e toggle_type_ = TOGGLE_TYPE_NONE;
  std::string text_;  // carried for the cache file; the reader leaves it empty
  std::string toggle_id_;
  Segments segments_;
  bool strict_validation_ = false;
};

}  // namespace vehicle
