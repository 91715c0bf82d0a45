#pragma once

#include <boost/serialization/base_object.hpp>
#include <boost/serialization/string.hpp>
#include <boost/serialization/vector.hpp>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "util/DataHash.h"
#include "util/Storage.h"
#include "vehicle/Enumerations.h"
#include "vehicle/definition/BaseVehicleDefObj.h"
#include "vehicle/definition/DataType.h"
#include "vehicle/definition/ECUOffsetTranslator.h"

namespace vehicle {

typedef util::DataHash<std::string, std::shared_ptr<DataType>> DataTypeHash;

// One axis of a calibration table, or the table's value grid (role "z"):
// where its values live in ROM and/or RAM, how many there are and in what
// shape, how they are stored (through a data type resolved by id), and how
// they are shown. Read from the "axis" children of a "table" element.
//
// Unsigned fields hold NOT_SET (all bits set) until a value is known.
class Axis : public BaseVehicleDefObj {
 public:
  static constexpr uint32_t NOT_SET = 0xFFFFFFFFu;
  // Range that the document does not give: -3.4e38 as a float, widened.
  static constexpr double VALUE_NOT_SET = DataType::VALUE_NOT_SET;

  enum validate_code_t : validate_codes_t {
    VALID = 0,
    INVALID_ID = 1,
    MISSING_SIGNATURE = 2,
    INVALID_RANGE = 10,
    INVALID_FORMAT = 13,
    INVALID_AXIS_TYPE = 16,
    INVALID_OFFSETS = 17,
    INVALID_DIMENSIONS = 18,
    INVALID_DATA_TYPE = 19,
    INVALID_LABELS = 25,
  };

  // Offset lists given as "rom_offset" / "ram_offset" values.
  struct natural_offsets_t {
    std::vector<uint32_t> rom_offsets;
    std::vector<uint32_t> ram_offsets;
    uint32_t offset_count = NOT_SET;  // the longer list's size

    template <class Archive>
    void serialize(Archive& ar, const unsigned int /*version*/) {
      ar& rom_offsets;
      ar& ram_offsets;
      ar& offset_count;
    }
  };

  // One run of values read from a "data" child element.
  struct data_offsets_t {
    uint32_t rom_offset = NOT_SET;  // NOT_SET: the run is not in ROM
    uint32_t ram_offset = NOT_SET;  // NOT_SET: the run is not in RAM
    uint32_t count = NOT_SET;

    template <class Archive>
    void serialize(Archive& ar, const unsigned int /*version*/) {
      ar& rom_offset;
      ar& ram_offset;
      ar& count;
    }
  };

  struct dimensions_t {
    uint32_t x = NOT_SET;
    uint32_t y = NOT_SET;
    uint32_t z = NOT_SET;

    template <class Archive>
    void serialize(Archive& ar, const unsigned int /*version*/) {
      ar& x;
      ar& y;
      ar& z;
    }
  };

  Axis();

  const char* DebugGetClassName() const override { return "Axis"; }

  // ---- Reading (driven by the table) ----

  // The first "axis" child of `element` (next == false) or the next "axis"
  // sibling of `element` (next == true); remembers it and reads its role from
  // "type" (-1 when absent or unknown). Null when there is none.
  const TiXmlElement* ReadType(const TiXmlElement* element, bool next);
  // The same for an "axis" element the caller has already found.
  const TiXmlElement* ReadTypeOf(const TiXmlElement* axis_element);

  // `element` is the axis element itself: reads its "id". Returns the element
  // when it has an id, else null.
  const TiXmlElement* ReadObjId(const TiXmlElement* element, bool next) override;

  // Reads the current element. Never fails; bad values stay unset for
  // Validate to report.
  int32_t DoRead(const TiXmlElement* element, std::string& error, bool not_first) override;

  // 0 when usable; otherwise the first failing rule's code.
  validate_codes_t Validate() override;

  // ---- Queries ----

  bool IsLabels() const { return special_type_ == SPECIAL_AXIS_LABELS; }
  bool IsLabelsWithData() const { return special_type_ == SPECIAL_AXIS_LABELS_WITH_DATA; }
  // "x-calc", or labels with data that has no offsets at all.
  bool IsCalculated() const;
  // Any ROM offset, RAM offset or data-offset run.
  bool AreOffsetsValid() const;
  table_read_types_t GetReadType() const;
  bool HasRomOffsets() const;
  bool HasRamOffsets() const;
  bool HasRamOnlyOffsets() const;

  double GetMin() const;
  double GetMax() const;
  // Used when limits are snapped to values the storage can represent.
  void SetMin(double min) { min_ = min; }
  void SetMax(double max) { max_ = max; }
  std::string GetUnit() const;
  util::e_endian GetEndian() const;
  util::data::Storage_e GetStorage() const;
  uint32_t GetBitMask() const;
  double GetSmallDelta() const;
  double GetLargeDelta() const;
  bool IsDeltaInverted() const;
  std::string GetFormat() const;
  int GetPrecision() const;
  // The data type's labels; empty (false) when there is no data type.
  std::vector<std::string> GetDataLabels() const;
  bool DataHasLabels() const;
  const std::string& GetMonitorId() const { return monitor_id_; }
  // Decimal bit mask followed by the data type id.
  std::string GenerateSigKey() const;

  axis_types_t GetAxisType() const { return axis_type_; }
  void SetAxisType(axis_types_t type) { axis_type_ = type; }
  special_axis_types_t GetSpecialType() const { return special_type_; }
  void SetSpecialType(special_axis_types_t type) { special_type_ = type; }
  layout_types_t GetLayout() const { return layout_; }
  uint32_t GetCount() const { return count_; }
  const dimensions_t& GetDimensions() const { return dimensions_; }
  const natural_offsets_t& GetNaturalOffsets() const { return natural_offsets_; }
  const std::vector<uint32_t>& GetRomOffsets() const { return natural_offsets_.rom_offsets; }
  const std::vector<uint32_t>& GetRamOffsets() const { return natural_offsets_.ram_offsets; }
  const std::vector<data_offsets_t>& GetDataOffsets() const { return data_offsets_; }
  const std::vector<std::string>& GetLabels() const { return labels_; }
  uint32_t GetPad() const { return pad_; }
  // Bytes of one stored value (0 for an unknown storage) and that plus pad.
  uint32_t GetElementSize() const { return element_size_; }
  uint32_t GetElementStride() const { return element_stride_; }

  const std::shared_ptr<DataType>& GetDataType() const { return data_type_; }
  void SetDataType(const std::shared_ptr<DataType>& data_type) { data_type_ = data_type; }
  const std::string& GetDataTypeId() const { return data_type_id_; }

  bool IsReadOnly() const { return read_only_; }
  void SetReadOnly(bool read_only = true) { read_only_ = read_only; }
  // Set by the restrictors; separate from the "restricted" document flag.
  bool IsRestricted() const { return axis_restricted_; }
  void SetResticted(bool restricted = true) { axis_restricted_ = restricted; }
  bool IsCopyable() const { return copyable_; }
  void SetCopyable(bool copyable = true) { copyable_ = copyable; }

  const std::string& GetDefSignature() const { return def_signature_; }
  void SetDefSignature(std::string signature) { def_signature_ = std::move(signature); }
  const std::string& GetDataSignature() const { return data_signature_; }
  void SetDataSignature(std::string signature) { data_signature_ = std::move(signature); }

  // ---- Changes ----

  // z = a, x = b, y = c, count = a * b * c.
  void AdjustDimensions(uint32_t a, uint32_t b, uint32_t c);
  // Translates every ROM offset (lists and runs) from ECU address to ROM
  // image offset; RAM offsets and absent offsets stay.
  void AdjustOffsets(const IECUOffsetTranslator& translator);
  // Shapes the axis after its count: "y" becomes a column, "x"/"z" a row.
  void SetAxisDimensionsBasedOnLabels();
  // Turns the axis into a read-only labels-with-data axis carrying the data
  // type's labels.
  void SetObjectValuesForLabelsWithData();
  // Takes the data type named by the data type id and derives element size,
  // stride, range and format from it. False when the axis needs a data type
  // and none can be had.
  bool ResolveReferences(const DataTypeHash& data_types);

 private:
  friend class boost::serialization::access;
  template <class Archive>
  void serialize(Archive& ar, const unsigned int /*version*/) {
    ar& boost::serialization::base_object<BaseVehicleDefObj>(*this);
    ar& axis_type_;
    ar& special_type_;
    ar& min_;
    ar& max_;
    ar& format_;
    ar& natural_offsets_;
    ar& data_offsets_;
    ar& labels_;
    ar& count_;
    ar& dimensions_;
    ar& pad_;
    ar& read_only_;
    ar& copyable_;
    ar& def_signature_;
    ar& data_signature_;
    ar& layout_;
    ar& data_type_id_;
    ar& monitor_id_;
  }

  void ReadCommonAttrs(const TiXmlElement* element);
  void ReadLabelAttrs(const TiXmlElement* element);
  void ReadDatatypeAttrs(const TiXmlElement* element);
  // Range fields still at the marker (within 0.01).
  static bool IsValueNotSet(double value);

  axis_types_t axis_type_ = AXIS_INVALID;
  special_axis_types_t special_type_ = SPECIAL_AXIS_INVALID;
  double min_ = VALUE_NOT_SET;
  double max_ = VALUE_NOT_SET;
  std::string format_;
  natural_offsets_t natural_offsets_;
  std::vector<data_offsets_t> data_offsets_;
  std::vector<std::string> labels_;
  uint32_t count_ = NOT_SET;
  std::shared_ptr<DataType> data_type_;
  uint32_t element_size_ = NOT_SET;
  uint32_t element_stride_ = NOT_SET;
  dimensions_t dimensions_;
  uint32_t pad_ = NOT_SET;
  bool read_only_ = false;
  bool axis_restricted_ = false;
  bool copyable_ = false;
  std::string def_signature_;
  std::string data_signature_;
  std::string data_type_id_;
  layout_types_t layout_ = LAYOUT_INVALID;
  std::string monitor_id_;
};

}  // namespace vehicle
