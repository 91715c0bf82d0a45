#pragma once

#include <boost/serialization/base_object.hpp>
#include <string>

#include "vehicle/definition/BaseVehicleDefObj.h"
#include "vehicle/definition/Toggle.h"

namespace vehicle {

// A toggle written in a definition document as a "toggle" element with one
// "toggle_pair" child per run of ROM bytes.
class XMLToggle : public Toggle, public BaseVehicleDefObj {
 public:
  // Validation codes.
  enum : validate_codes_t {
    CODE_BAD_TYPE = 29,
    CODE_NO_SEGMENTS = 30,
    CODE_NO_ENABLED_VALUES = 31,
    CODE_NO_DISABLED_VALUES = 32,
    CODE_VALUE_LENGTHS_DIFFER = 33,
    CODE_MASK_LENGTH_DIFFERS = 34,
    CODE_OFFSET_ZERO = 35,
  };

  XMLToggle();

  void init(const std::string& id, ToggleType_e type) override;
  const char* DebugGetClassName() const override { return "XMLToggle"; }
  int32_t DoRead(const TiXmlElement* element, std::string& error, bool not_first) override;
  validate_codes_t Validate() override;

 private:
  friend class boost::serialization::access;
  template <class Archive>
  void serialize(Archive& ar, const unsigned int /*version*/) {
    ar& boost::serialization::base_object<Toggle>(*this);
    ar& boost::serialization::base_object<BaseVehicleDefObj>(*this);
  }
};

}  // namespace vehicle
