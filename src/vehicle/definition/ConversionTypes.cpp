#include "vehicle/definition/ConversionTypes.h"

namespace VehicleV2 {

const util::enum_map<ConversionTypes_e, std::string>& GetConversionTypeStrs() {
  static const util::enum_map<ConversionTypes_e, std::string> table = {
      {CONV_INVALID, "invalid"},   {CONV_DIRECT, "direct"},         {CONV_SLOPE_INT, "slope-int"},
      {CONV_PT_SLOPE, "pt-slope"}, {CONV_INV_OFFSET, "inv-offset"}, {CONV_LABELS, "labels"},
      {CONV_CUSTOM, "custom"},
  };
  return table;
}

const util::enum_map<ConversionConstants_e, std::string>& GetConversionConstantStrs() {
  static const util::enum_map<ConversionConstants_e, std::string> table = {
      {CONST_INVALID, "invalid"}, {CONST_SCALAR, "scalar"}, {CONST_OFFSET, "offset"}};
  return table;
}

}  // namespace VehicleV2
