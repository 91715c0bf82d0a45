#pragma once

#include <cstdint>
#include <string>

#include "util/EnumMap.h"

// Vocabulary of the table-free conversions a data type can name.
namespace VehicleV2 {

// The conversion's kind, from the "type" word of a "conv" element.
enum ConversionTypes_e : int32_t {
  CONV_INVALID = -1,
  CONV_DIRECT = 0,
  CONV_SLOPE_INT = 1,
  CONV_PT_SLOPE = 2,
  CONV_INV_OFFSET = 3,
  CONV_LABELS = 4,
  CONV_CUSTOM = 5,
};

// Keys of a conversion's constants.
enum ConversionConstants_e : int32_t {
  CONST_INVALID = -1,
  CONST_SCALAR = 0,
  CONST_OFFSET = 1,
};

// Each returns one process-wide table of value to document word, "invalid"
// (-1) first, built on first use.
const util::enum_map<ConversionTypes_e, std::string>& GetConversionTypeStrs();
const util::enum_map<ConversionConstants_e, std::string>& GetConversionConstantStrs();

}  // namespace VehicleV2
