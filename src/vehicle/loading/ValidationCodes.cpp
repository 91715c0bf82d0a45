#include "vehicle/loading/ValidationCodes.h"

namespace vehicle {

namespace {

struct CodeText {
  validate_codes_t code;
  const char* name;
  const char* meaning;
};

const CodeText kCodes[] = {
    {VALID, "VALID", "valid"},
    {INVALID_ID, "INVALID_ID", "id missing"},
    {MISSING_SIGNATURE, "MISSING_SIGNATURE", "axis signatures not computed"},
    {INVALID_VERSION, "INVALID_VERSION", "definition version is not 1.1"},
    {INVALID_CPU, "INVALID_CPU", "processor missing or unknown"},
    {INVALID_PROTOCOL, "INVALID_PROTOCOL", "protocol missing or unknown"},
    {INVALID_UNIT, "INVALID_UNIT", "unit missing"},
    {INVALID_ENDIAN, "INVALID_ENDIAN", "byte order missing or unknown"},
    {INVALID_STORAGE, "INVALID_STORAGE", "storage missing or unknown"},
    {INVALID_RANGE, "INVALID_RANGE", "min/max range unset or reversed"},
    {INVALID_DELTA, "INVALID_DELTA", "delta type unset"},
    {INVALID_FORMAT, "INVALID_FORMAT", "display format not accepted"},
    {INVALID_CONVERSION, "INVALID_CONVERSION", "no usable conversion"},
    {INVALID_GROUP_TYPE, "INVALID_GROUP_TYPE", "group type missing or unknown"},
    {INVALID_AXIS_TYPE, "INVALID_AXIS_TYPE", "axis role or special type missing or misplaced"},
    {INVALID_OFFSET, "INVALID_OFFSET", "offset or address missing"},
    {INVALID_DIMENSIONS, "INVALID_DIMENSIONS", "dimensions unset or inconsistent with count"},
    {INVALID_DATA_TYPE, "INVALID_DATA_TYPE", "data type missing, unresolved or invalid"},
    {INVALID_AXIS, "INVALID_AXIS", "an axis of the table is invalid"},
    {INVALID_GROUPS, "INVALID_GROUPS", "group ids missing or unresolved"},
    {INVALID_TABLE_TYPE, "INVALID_TABLE_TYPE", "table type unknown"},
    {INVALID_TABLE_AXES, "INVALID_TABLE_AXES", "axes do not fit the table type"},
    {INVALID_LABELS, "INVALID_LABELS", "labels missing or not matching the count"},
    {INVALID_COPY_GROUP, "INVALID_COPY_GROUP", "copy group inconsistent"},
    {INVALID_SLAVE_TABLE, "INVALID_SLAVE_TABLE", "slave table does not match its master"},
    {INVALID_TOGGLE_TYPE, "INVALID_TOGGLE_TYPE", "toggle type unknown"},
    {MISSING_TOGGLE_SEGMENTS, "MISSING_TOGGLE_SEGMENTS", "toggle has no toggle_pair"},
    {MISSING_ENABLED_VALUES, "MISSING_ENABLED_VALUES", "toggle segment has no enabled values"},
    {MISSING_DISABLED_VALUES, "MISSING_DISABLED_VALUES", "toggle segment has no disabled values"},
    {TOGGLE_VALUE_LENGTHS_DIFFER, "TOGGLE_VALUE_LENGTHS_DIFFER",
     "enabled and disabled values differ in length"},
    {TOGGLE_MASK_LENGTH_DIFFERS, "TOGGLE_MASK_LENGTH_DIFFERS",
     "mask values differ in length from the values"},
    {INVALID_TOGGLE_OFFSET, "INVALID_TOGGLE_OFFSET", "toggle segment at ROM offset 0"},
    {UNKNOWN_DTC_PARSER, "UNKNOWN_DTC_PARSER", "trouble-code parser name unknown"},
    {INVALID_DTC_PARSER_PARAMS, "INVALID_DTC_PARSER_PARAMS",
     "trouble-code parser parameters rejected"},
    {INVALID_MODULE, "INVALID_MODULE", "control module missing or unknown"},
    {CYCLIC_MONITOR_INPUTS, "CYCLIC_MONITOR_INPUTS", "compound monitor inputs form a cycle"},
    {INVALID_ADJUSTMENT, "INVALID_ADJUSTMENT", "adjustable table not adjustable as defined"},
    {MISSING_MONITOR_INPUTS, "MISSING_MONITOR_INPUTS", "compound monitor inputs unresolved"},
    {MISSING_IDENTIFIER_OFFSET, "MISSING_IDENTIFIER_OFFSET", "identifiers without offset"},
    {INVALID_IDENTIFIERS, "INVALID_IDENTIFIERS", "identifiers do not fit the protocol"},
};

const CodeText* Find(validate_codes_t code) {
  for (const CodeText& entry : kCodes) {
    if (entry.code == code)
      return &entry;
  }
  return nullptr;
}

}  // namespace

const char* ValidationCodeName(validate_codes_t code) {
  const CodeText* entry = Find(code);
  return entry ? entry->name : "UNKNOWN_CODE";
}

const char* ValidationCodeMeaning(validate_codes_t code) {
  const CodeText* entry = Find(code);
  return entry ? entry->meaning : "unknown validation code";
}

}  // namespace vehicle
