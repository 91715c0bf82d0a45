#pragma once

#include <boost/serialization/access.hpp>
#include <boost/serialization/base_object.hpp>
#include <boost/serialization/map.hpp>
#include <boost/serialization/string.hpp>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "util/Storage.h"
#include "vehicle/Enumerations.h"
#include "vehicle/definition/BaseVehicleDefObj.h"
#include "vehicle/definition/ConversionTypes.h"

namespace vehicle {

// How one stored value of a table, axis or monitor is laid out in memory and
// how it becomes an engineering value. Read from a "datatype" element; the
// conversion object itself is made by GetConv (Conv.h).
//
// The fields are plain data: axes, tables, monitors and conversions read them
// directly.
class DataType : public BaseVehicleDefObj {
 public:
  // Marker for a range or delta that the document does not give: -3.4e38 as a
  // single-precision value, widened.
  static constexpr double VALUE_NOT_SET = static_cast<double>(-3.4e38f);
  // A bit mask with every bit set selects the whole value: no mask.
  static constexpr uint32_t NO_BIT_MASK = 0xFFFFFFFFu;

  // Codes Validate returns.
  enum : validate_codes_t {
    VALID = 0,
    INVALID_ID = 1,
    INVALID_UNIT = 7,
    INVALID_ENDIAN = 8,
    INVALID_STORAGE = 9,
    INVALID_DELTA_TYPE = 11,
    INVALID_CONVERSION = 14,
  };

  // A conversion given by a kind and its constants.
  struct std_conv_t {
    VehicleV2::ConversionTypes_e type = VehicleV2::CONV_INVALID;
    std::map<VehicleV2::ConversionConstants_e, double> constants;

    // Same kind and the same constants, compared exactly.
    bool operator==(const std_conv_t& other) const;
    bool operator!=(const std_conv_t& other) const { return !(*this == other); }

    template <class Archive>
    void serialize(Archive& ar, const unsigned int /*version*/) {
      ar& type;
      ar& constants;
    }
  };

  // A conversion given by expressions in the variable "x".
  struct str_conv_t {
    std::string to_bin;    // engineering value -> stored value
    std::string to_float;  // stored value -> engineering value
    std::string compound;  // combines other monitors' values ("input1", ...)

    // Compares to_bin and to_float only; the compound text does not count.
    bool operator==(const str_conv_t& other) const;
    bool operator!=(const str_conv_t& other) const { return !(*this == other); }

    template <class Archive>
    void serialize(Archive& ar, const unsigned int /*version*/) {
      ar& to_bin;
      ar& to_float;
      ar& compound;
    }
  };

  // Every field at its absent value.
  DataType();
  // A type that only formats and computes a compound expression.
  DataType(const std::string& format, const std::string& unit, const std::string& compound);
  // A table-free type built in code; range and deltas are not set.
  DataType(util::e_endian endian, util::data::Storage_e storage, const std::string& unit,
           const std::string& format, const std_conv_t& std_conv);

  const char* DebugGetClassName() const override { return "DataType"; }

  // Reads the current element. Never fails: unknown or missing values stay at
  // their absent values for Validate to find.
  int32_t DoRead(const TiXmlElement* element, std::string& error, bool not_first) override;

  // 0 when valid, else the first failing rule's code (see the enum above).
  validate_codes_t Validate() override;

  double GetSmallDelta() const { return small_delta; }
  double GetLargeDelta() const { return large_delta; }

  bool HasLabels() const { return !labels.empty(); }
  std::vector<std::string> GetDataLabels() const { return labels; }

  bool HasBitMask() const { return bit_mask != NO_BIT_MASK; }
  uint32_t GetBitMask() const { return bit_mask; }
  void SetBitMask(uint32_t mask) { bit_mask = mask; }

  // Equal when unit, storage, both conversions, bit mask, delta type and data
  // target are equal; id, byte order, range, deltas, format and labels do not
  // count.
  bool operator==(const DataType& other) const;
  bool operator!=(const DataType& other) const { return !(*this == other); }

  std::string unit;
  util::e_endian endian = util::ENDIAN_INVALID;
  util::data::Storage_e storage = util::data::STORAGE_INVALID;
  double min = VALUE_NOT_SET;
  double max = VALUE_NOT_SET;
  double small_delta = VALUE_NOT_SET;
  double large_delta = VALUE_NOT_SET;
  std::string format;  // printf-style, e.g. "%.0f"
  std_conv_t std_conv;
  str_conv_t str_conv;
  delta_t delta_type = DELTA_INVALID;
  data_targets_t data_target = TARGET_INVALID;
  uint32_t bit_mask = NO_BIT_MASK;
  std::vector<std::string> labels;  // in document order; not cached

 private:
  friend class boost::serialization::access;
  template <class Archive>
  void serialize(Archive& ar, const unsigned int /*version*/) {
    ar& boost::serialization::base_object<BaseVehicleDefObj>(*this);
    ar& unit;
    ar& endian;
    ar& storage;
    ar& min;
    ar& max;
    ar& small_delta;
    ar& large_delta;
    ar& format;
    ar& std_conv;
    ar& str_conv;
    ar& delta_type;
    ar& data_target;
    ar& bit_mask;
  }
};

}  // namespace vehicle
