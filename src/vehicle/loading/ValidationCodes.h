#pragma once

#include "vehicle/Enumerations.h"

namespace vehicle {

// Names of the validation codes, shared by every object class. The numbers
// are fixed by the stored definitions and callers that report them.
enum ValidationCode : validate_codes_t {
  VALID = 0,
  INVALID_ID = 1,
  MISSING_SIGNATURE = 2,
  INVALID_VERSION = 3,
  INVALID_CPU = 4,
  INVALID_PROTOCOL = 5,
  INVALID_UNIT = 7,
  INVALID_ENDIAN = 8,
  INVALID_STORAGE = 9,
  INVALID_RANGE = 10,
  INVALID_DELTA = 11,
  INVALID_FORMAT = 13,
  INVALID_CONVERSION = 14,
  INVALID_GROUP_TYPE = 15,
  INVALID_AXIS_TYPE = 16,
  INVALID_OFFSET = 17,
  INVALID_DIMENSIONS = 18,
  INVALID_DATA_TYPE = 19,
  INVALID_AXIS = 20,
  INVALID_GROUPS = 21,
  INVALID_TABLE_TYPE = 22,
  INVALID_TABLE_AXES = 24,
  INVALID_LABELS = 25,
  INVALID_COPY_GROUP = 26,
  INVALID_SLAVE_TABLE = 27,
  INVALID_TOGGLE_TYPE = 29,
  MISSING_TOGGLE_SEGMENTS = 30,
  MISSING_ENABLED_VALUES = 31,
  MISSING_DISABLED_VALUES = 32,
  TOGGLE_VALUE_LENGTHS_DIFFER = 33,
  TOGGLE_MASK_LENGTH_DIFFERS = 34,
  INVALID_TOGGLE_OFFSET = 35,
  UNKNOWN_DTC_PARSER = 36,
  INVALID_DTC_PARSER_PARAMS = 37,
  INVALID_MODULE = 38,
  CYCLIC_MONITOR_INPUTS = 39,
  INVALID_ADJUSTMENT = 40,
  MISSING_MONITOR_INPUTS = 41,
  MISSING_IDENTIFIER_OFFSET = 43,
  INVALID_IDENTIFIERS = 44,
};

// The code's name ("INVALID_RANGE"), or "UNKNOWN_CODE".
const char* ValidationCodeName(validate_codes_t code);

// A short meaning for people ("min/max range unset or reversed").
const char* ValidationCodeMeaning(validate_codes_t code);

}  // namespace vehicle
