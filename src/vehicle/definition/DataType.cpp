#include "vehicle/definition/DataType.h"

#include <tinyxml.h>

#include "util/XmlRead.h"
#include "vehicle/definition/StorageStrings.h"

namespace vehicle {

namespace {

// Looks the lower-cased value up in `table`; an absent value leaves `out`
// alone, an unknown word makes it invalid (-1).
template <class E>
void ReadEnum(const TiXmlElement* element, const char* name,
              const util::enum_map<E, std::string>& table, E& out) {
  std::string word;
  if (util::ReadXmlValue(element, name, word)) {
    out = util::FindEnumValue(table, util::ToLower(word));
  }
}

void ReadDouble(const TiXmlElement* element, const char* name, double& out) {
  std::string text;
  if (util::ReadXmlValue(element, name, text))
    util::ParseDouble(text, out);
}

}  // namespace

bool DataType::std_conv_t::operator==(const std_conv_t& other) const {
  return type == other.type && constants == other.constants;
}

bool DataType::str_conv_t::operator==(const str_conv_t& other) const {
  return to_bin == other.to_bin && to_float == other.to_float;
}

DataType::DataType() : BaseVehicleDefObj("datatype") {}

DataType::DataType(const std::string& format, const std::string& unit, const std::string& compound)
    : BaseVehicleDefObj("datatype"), unit(unit), format(format) {
  str_conv.compound = compound;
}

DataType::DataType(util::e_endian endian, util::data::Storage_e storage, const std::string& unit,
                   const std::string& format, const std_conv_t& std_conv)
    : BaseVehicleDefObj("datatype"),
      unit(unit),
      endian(endian),
      storage(storage),
      format(format),
      std_conv(std_conv) {}

int32_t DataType::DoRead(const TiXmlElement* /*element*/, std::string& /*error*/,
                         bool /*not_first*/) {
  const TiXmlElement* node = GetCurrentElement();
  if (node == nullptr)
    return READ_OK;

  util::ReadXmlValue(node, "unit", unit);
  ReadEnum(node, "endian", util::GetEndianStrs(), endian);
  ReadEnum(node, "storage", util::data::GetStorageStrs(), storage);
  ReadDouble(node, "min", min);
  ReadDouble(node, "max", max);
  ReadDouble(node, "sm_delta", small_delta);
  ReadDouble(node, "lg_delta", large_delta);
  util::ReadXmlValue(node, "format", format);

  // The conversion is only ever a child element, never an attribute.
  if (const TiXmlElement* conv = node->FirstChildElement("conv")) {
    for (const TiXmlElement* label = conv->FirstChildElement("label"); label != nullptr;
         label = label->NextSiblingElement("label")) {
      std::string text = util::ElementText(label);
      if (!text.empty())
        labels.push_back(text);
    }

    std::string type_word;
    if (util::ReadXmlValue(conv, "type", type_word)) {
      std_conv.type =
          util::FindEnumValue(VehicleV2::GetConversionTypeStrs(), util::ToLower(type_word));
      // Only a direct conversion has no use for constants.
      if (std_conv.type != VehicleV2::CONV_DIRECT) {
        for (const auto& constant : VehicleV2::GetConversionConstantStrs()) {
          if (constant.first == VehicleV2::CONST_INVALID)
            continue;
          std::string text;
          if (!util::ReadXmlValue(conv, constant.second.c_str(), text))
            continue;
          double value = 0.0;
          if (util::ParseDouble(text, value))
            std_conv.constants[constant.first] = value;
        }
      }
    }

    // to_float only counts beside a to_bin: one direction alone cannot edit.
    if (util::ReadXmlValue(conv, "to_bin", str_conv.to_bin)) {
      util::ReadXmlValue(conv, "to_float", str_conv.to_float);
    }
    util::ReadXmlValue(conv, "compound", str_conv.compound);
  }

  util::ReadXmlUnsigned(node, "mask", bit_mask);
  delta_type = node->FirstChildElement("inv_delta") != nullptr ? DELTA_INVERTED : DELTA_NORMAL;
  ReadEnum(node, "target", priv::GetDataTargetStrs(), data_target);
  return READ_OK;
}

validate_codes_t DataType::Validate() {
  if (GetObjId().empty())
    return INVALID_ID;
  if (unit.empty())
    return INVALID_UNIT;
  if (endian == util::ENDIAN_INVALID)
    return INVALID_ENDIAN;
  if (storage == util::data::STORAGE_INVALID)
    return INVALID_STORAGE;

  const bool for_table = data_target == TARGET_TABLE;
  const validate_codes_t delta_code = delta_type == DELTA_INVALID ? INVALID_DELTA_TYPE : VALID;
  if (std_conv.type != VehicleV2::CONV_INVALID)
    return for_table ? delta_code : VALID;

  const bool has_compound = !str_conv.compound.empty();
  if (!for_table)
    return (!str_conv.to_float.empty() || has_compound) ? VALID : INVALID_CONVERSION;
  // A table must be written back as well as read.
  const bool both_ways = !str_conv.to_bin.empty() && !str_conv.to_float.empty();
  return (both_ways || has_compound) ? delta_code : INVALID_CONVERSION;
}

bool DataType::operator==(const DataType& other) const {
  return unit == other.unit && storage == other.storage && std_conv == other.std_conv &&
         str_conv == other.str_conv && bit_mask == other.bit_mask &&
         delta_type == other.delta_type && data_target == other.data_target;
}

}  // namespace vehicle
