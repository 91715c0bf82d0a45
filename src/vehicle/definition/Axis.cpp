#include "vehicle/definition/Axis.h"

#include <tinyxml.h>

#include <algorithm>
#include <cmath>

#include "outside/FloatFormatParser.h"
#include "util/XmlRead.h"

namespace vehicle {

namespace {

template <class E>
E ReadWord(const TiXmlElement* element, const char* name,
           const util::enum_map<E, std::string>& table, bool& present) {
  std::string text;
  present = util::ReadXmlValue(element, name, text);
  return present ? util::FindEnumValue(table, util::ToLower(text)) : static_cast<E>(-1);
}

void ReadDouble(const TiXmlElement* element, const char* name, double& out) {
  std::string text;
  if (util::ReadXmlValue(element, name, text))
    util::ParseDouble(text, out);
}

bool ReadOffsetList(const TiXmlElement* element, const char* name, std::vector<uint32_t>& out) {
  const char* text = util::FindXmlValue(element, name);
  if (text == nullptr)
    return false;
  out.clear();
  util::AppendUnsignedList(text, out);
  return true;
}

// a * b * c into `out` when it fits 32 bits; false otherwise (no wrap-around,
// so an absurd shape can never pass for a consistent one).
bool ProductFits(uint32_t a, uint32_t b, uint32_t c, uint32_t& out) {
  const uint64_t ab = static_cast<uint64_t>(a) * b;
  if (ab > Axis::NOT_SET)
    return false;
  const uint64_t abc = ab * c;
  if (abc > Axis::NOT_SET)
    return false;
  out = static_cast<uint32_t>(abc);
  return true;
}

}  // namespace

Axis::Axis() : BaseVehicleDefObj("axis") {}

// ---------------------------------------------------------------- reading

const TiXmlElement* Axis::ReadType(const TiXmlElement* element, bool next) {
  if (element == nullptr)
    return nullptr;
  return ReadTypeOf(next ? util::NextSiblingElement(element, "axis")
                         : util::FirstChildElement(element, "axis"));
}

const TiXmlElement* Axis::ReadTypeOf(const TiXmlElement* axis_element) {
  current_element_ = axis_element;
  if (current_element_ == nullptr)
    return nullptr;
  bool present = false;
  axis_type_ = ReadWord(current_element_, "type", priv::GetAxisStrs(), present);
  return current_element_;
}

const TiXmlElement* Axis::ReadObjId(const TiXmlElement* element, bool /*next*/) {
  if (element == nullptr)
    return nullptr;
  current_element_ = element;
  const char* id = util::FindXmlValue(element, "id");
  if (id == nullptr)
    return nullptr;
  AssignObjId(id);
  return element;
}

int32_t Axis::DoRead(const TiXmlElement* /*element*/, std::string& /*error*/, bool /*not_first*/) {
  const TiXmlElement* element = GetCurrentElement();
  if (element == nullptr)
    return READ_OK;
  ReadCommonAttrs(element);
  if (IsLabels() || IsLabelsWithData())
    ReadLabelAttrs(element);
  ReadDatatypeAttrs(element);
  return READ_OK;
}

void Axis::ReadCommonAttrs(const TiXmlElement* element) {
  bool present = false;
  const special_axis_types_t special =
      ReadWord(element, "special", priv::GetSpecialAxisStrs(), present);
  if (present)
    special_type_ = special;
  util::ReadXmlUnsigned(element, "count", count_);
  if (util::FirstChildElement(element, "readonly") != nullptr)
    read_only_ = true;
  const layout_types_t layout = ReadWord(element, "layout", priv::GetLayoutStrs(), present);
  layout_ = present ? layout : LAYOUT_HORIZONTAL;
}

void Axis::ReadLabelAttrs(const TiXmlElement* element) {
  if (labels_.empty()) {
    for (const TiXmlElement* label = util::FirstChildElement(element, "label"); label != nullptr;
         label = util::NextSiblingElement(label, "label")) {
      std::string text = util::ElementText(label);
      if (!text.empty())
        labels_.push_back(text);
    }
  }
  count_ = static_cast<uint32_t>(labels_.size());
  if (axis_type_ == AXIS_X) {
    dimensions_.x = count_;
    dimensions_.y = 1;
  } else if (axis_type_ == AXIS_Y) {
    dimensions_.y = count_;
    dimensions_.x = 1;
  }
  read_only_ = true;
}

void Axis::ReadDatatypeAttrs(const TiXmlElement* element) {
  ReadDouble(element, "min", min_);
  ReadDouble(element, "max", max_);
  util::ReadXmlValue(element, "format", format_);
  if (IsCalculated())
    util::ReadXmlUnsigned(element, "count", count_);
  util::ReadXmlUnsigned(element, "pad", pad_);

  const bool has_rom = ReadOffsetList(element, "rom_offset", natural_offsets_.rom_offsets);
  const bool has_ram = ReadOffsetList(element, "ram_offset", natural_offsets_.ram_offsets);
  if (has_rom || has_ram) {
    natural_offsets_.offset_count = static_cast<uint32_t>(
        std::max(natural_offsets_.rom_offsets.size(), natural_offsets_.ram_offsets.size()));
  } else {
    for (const TiXmlElement* data = util::FirstChildElement(element, "data"); data != nullptr;
         data = util::NextSiblingElement(data, "data")) {
      data_offsets_t run;
      if (!util::ReadXmlUnsigned(data, "count", run.count))
        continue;
      const bool rom = util::ReadXmlUnsigned(data, "rom_offset", run.rom_offset);
      const bool ram = util::ReadXmlUnsigned(data, "ram_offset", run.ram_offset);
      if (!rom && !ram)
        continue;
      data_offsets_.push_back(run);
      count_ = (count_ == NOT_SET ? 0 : count_) + run.count;
    }
  }

  util::ReadXmlValue(element, "datatype", data_type_id_);
  util::ReadXmlValue(element, "monitor", monitor_id_);

  switch (axis_type_) {
    case AXIS_X:
      dimensions_ = {count_, 1, 1};
      break;
    case AXIS_Y:
      dimensions_ = {1, count_, 1};
      break;
    case AXIS_W:
      dimensions_ = {1, 1, count_};
      break;
    case AXIS_Z:
      if (const TiXmlElement* dimensions = util::FirstChildElement(element, "dimensions")) {
        dimensions_.x = 1;
        dimensions_.y = 1;
        util::ReadXmlUnsigned(dimensions, "x", dimensions_.x);
        util::ReadXmlUnsigned(dimensions, "y", dimensions_.y);
        if (dimensions_.z == NOT_SET)
          dimensions_.z = 1;
        // A shape beyond 32 bits leaves the count at the marker (invalid).
        if (!ProductFits(dimensions_.x, dimensions_.y, dimensions_.z, count_))
          count_ = NOT_SET;
      }
      break;
    default:
      break;
  }

  if (util::FirstChildElement(element, "copyable") != nullptr)
    copyable_ = true;
  if (special_type_ != SPECIAL_AXIS_INVALID)
    read_only_ = true;
}

// ---------------------------------------------------------------- queries

bool Axis::AreOffsetsValid() const {
  return !natural_offsets_.rom_offsets.empty() || !natural_offsets_.ram_offsets.empty() ||
         !data_offsets_.empty();
}

bool Axis::IsCalculated() const {
  return special_type_ == SPECIAL_AXIS_X_CALC || (IsLabelsWithData() && !AreOffsetsValid());
}

table_read_types_t Axis::GetReadType() const {
  if (IsCalculated())
    return READ_BASE;
  const bool rom = !natural_offsets_.rom_offsets.empty();
  const bool ram = !natural_offsets_.ram_offsets.empty();
  if (rom)
    return ram ? READ_BASE_REAL : READ_BASE;
  if (ram)
    return READ_REAL;
  if (data_offsets_.empty())
    return READ_INVALID;
  const data_offsets_t& run = data_offsets_.front();
  const bool run_ram = run.ram_offset != NOT_SET;
  if (run.rom_offset == NOT_SET)
    return run_ram ? READ_REAL : READ_INVALID;
  return run_ram ? READ_BASE_REAL : READ_BASE;
}

bool Axis::HasRomOffsets() const {
  const table_read_types_t type = GetReadType();
  return type == READ_BASE || type == READ_BASE_REAL;
}

bool Axis::HasRamOffsets() const {
  const table_read_types_t type = GetReadType();
  return type == READ_REAL || type == READ_BASE_REAL;
}

bool Axis::HasRamOnlyOffsets() const {
  return GetReadType() == READ_REAL;
}

double Axis::GetMin() const {
  if (IsLabelsWithData() && IsCalculated() && min_ == VALUE_NOT_SET)
    return 1.0;
  return min_;
}

double Axis::GetMax() const {
  if (IsLabelsWithData() && IsCalculated() && max_ == VALUE_NOT_SET) {
    return static_cast<double>(labels_.size());
  }
  return max_;
}

std::string Axis::GetUnit() const {
  if (IsLabels() || !data_type_)
    return std::string();
  return data_type_->unit;
}

util::e_endian Axis::GetEndian() const {
  if (IsLabels())
    return util::ENDIAN_INVALID;
  if (!data_type_)
    return IsLabelsWithData() ? util::ENDIAN_BIG : util::ENDIAN_INVALID;
  return data_type_->endian;
}

util::data::Storage_e Axis::GetStorage() const {
  if (IsLabels())
    return util::data::STORAGE_INVALID;
  if (!data_type_)
    return IsLabelsWithData() ? util::data::STORAGE_U32 : util::data::STORAGE_INVALID;
  return data_type_->storage;
}

uint32_t Axis::GetBitMask() const {
  return data_type_ ? data_type_->GetBitMask() : DataType::NO_BIT_MASK;
}

double Axis::GetSmallDelta() const {
  if (IsLabels())
    return VALUE_NOT_SET;
  if (!data_type_)
    return IsLabelsWithData() ? 1.0 : VALUE_NOT_SET;
  return data_type_->GetSmallDelta();
}

double Axis::GetLargeDelta() const {
  if (IsLabels())
    return VALUE_NOT_SET;
  if (!data_type_)
    return IsLabelsWithData() ? 2.0 : VALUE_NOT_SET;
  return data_type_->GetLargeDelta();
}

bool Axis::IsDeltaInverted() const {
  if (IsLabels() || !data_type_)
    return false;
  return data_type_->delta_type == DELTA_INVERTED;
}

std::string Axis::GetFormat() const {
  if (IsLabels())
    return std::string();
  if (IsLabelsWithData() && !data_type_ && format_.empty())
    return "%.0f";
  return format_;
}

int Axis::GetPrecision() const {
  if (IsLabels())
    return -1;
  return util::FloatFormatParser::GetDigitsAfterDecimal(GetFormat());
}

std::vector<std::string> Axis::GetDataLabels() const {
  return data_type_ ? data_type_->GetDataLabels() : std::vector<std::string>();
}

bool Axis::DataHasLabels() const {
  return data_type_ && data_type_->HasLabels();
}

std::string Axis::GenerateSigKey() const {
  return std::to_string(GetBitMask()) + data_type_id_;
}

// ---------------------------------------------------------------- changes

void Axis::AdjustDimensions(uint32_t a, uint32_t b, uint32_t c) {
  dimensions_.z = a;
  dimensions_.x = b;
  dimensions_.y = c;
  if (!ProductFits(a, b, c, count_))
    count_ = NOT_SET;
}

void Axis::AdjustOffsets(const IECUOffsetTranslator& translator) {
  for (uint32_t& offset : natural_offsets_.rom_offsets) {
    if (offset != NOT_SET)
      offset = translator.translate(offset);
  }
  for (data_offsets_t& run : data_offsets_) {
    if (run.rom_offset != NOT_SET)
      run.rom_offset = translator.translate(run.rom_offset);
  }
}

void Axis::SetAxisDimensionsBasedOnLabels() {
  if (axis_type_ == AXIS_Y) {
    dimensions_.x = 1;
    dimensions_.y = count_;
  } else if (axis_type_ == AXIS_X || axis_type_ == AXIS_Z) {
    dimensions_.x = count_;
    dimensions_.y = 1;
  } else if (axis_type_ == AXIS_W) {
    // A depth axis counts depth slices; without this its shape stays unset.
    dimensions_ = {1, 1, count_};
  }
}

void Axis::SetObjectValuesForLabelsWithData() {
  special_type_ = SPECIAL_AXIS_LABELS_WITH_DATA;
  labels_ = GetDataLabels();
  read_only_ = true;
  count_ = static_cast<uint32_t>(labels_.size());
  SetAxisDimensionsBasedOnLabels();
}

bool Axis::IsValueNotSet(double value) {
  return std::fabs(value - VALUE_NOT_SET) < 0.01;
}

bool Axis::ResolveReferences(const DataTypeHash& data_types) {
  if (IsLabels())
    return true;
  auto found = data_types.data.find(data_type_id_);
  if (found != data_types.data.end() && found->second) {
    data_type_ = found->second;
  } else if (IsLabelsWithData() && IsCalculated() && data_type_id_.empty()) {
    DataType::std_conv_t no_conversion;
    data_type_ = std::make_shared<DataType>(util::ENDIAN_BIG, util::data::STORAGE_U32, "-", "%.0f",
                                            no_conversion);
    data_type_->small_delta = 1.0;
    data_type_->large_delta = 2.0;
  } else {
    return false;
  }
  if (data_type_->HasLabels())
    SetObjectValuesForLabelsWithData();

  element_size_ = util::data::StorageWidth(data_type_->storage);
  element_stride_ = pad_ != NOT_SET ? element_size_ + pad_ : element_size_;

  if (IsValueNotSet(min_))
    min_ = data_type_->min;
  if (IsValueNotSet(max_))
    max_ = data_type_->max;
  if (format_.empty())
    format_ = data_type_->format;
  return true;
}

// ---------------------------------------------------------------- validation

validate_codes_t Axis::Validate() {
  if (GetObjId().empty())
    return INVALID_ID;
  if (IsLabels()) {
    return !labels_.empty() && count_ == labels_.size() ? VALID : INVALID_LABELS;
  }
  if (IsLabelsWithData() && (labels_.empty() || count_ != labels_.size()))
    return INVALID_LABELS;
  const bool known_special =
      special_type_ >= SPECIAL_AXIS_INVALID && special_type_ <= SPECIAL_AXIS_LABELS_WITH_DATA;
  if ((special_type_ == SPECIAL_AXIS_INVALID && axis_type_ == AXIS_INVALID) || !known_special) {
    return INVALID_AXIS_TYPE;
  }
  if (IsCalculated())
    return VALID;
  if (!AreOffsetsValid())
    return INVALID_OFFSETS;

  const dimensions_t& d = dimensions_;
  if (d.x == NOT_SET || d.y == NOT_SET || d.z == NOT_SET)
    return INVALID_DIMENSIONS;
  if ((axis_type_ == AXIS_X && d.y != 1 && d.z != 1) ||
      (axis_type_ == AXIS_Y && d.x != 1 && d.z != 1) ||
      (axis_type_ == AXIS_W && d.x != 1 && d.y != 1)) {
    return INVALID_DIMENSIONS;
  }
  uint32_t product = 0;
  if (!ProductFits(d.x, d.y, d.z, product) || product != count_)
    return INVALID_DIMENSIONS;

  if (!data_type_ || data_type_->Validate() != DataType::VALID)
    return INVALID_DATA_TYPE;
  if (IsValueNotSet(GetMin()) || IsValueNotSet(GetMax()) || GetMin() > GetMax()) {
    return INVALID_RANGE;
  }
  if (!util::FloatFormatParser::IsValidFormat(GetFormat()))
    return INVALID_FORMAT;
  if (def_signature_.empty() || data_signature_.empty())
    return MISSING_SIGNATURE;
  return VALID;
}

}  // namespace vehicle
