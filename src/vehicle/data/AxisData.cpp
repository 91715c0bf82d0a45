#include "vehicle/data/AxisData.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <typeinfo>

namespace vehicle {

namespace {

constexpr uint64_t kMax32 = 0xFFFFFFFFu;
// No ECU has a calibration or RAM area near this size; an axis that claims
// more is a damaged definition, and a RAM-only one would otherwise size its
// buffer from the claim on its first write.
constexpr uint64_t kMaxAxisBytes = 64u << 20;

}  // namespace

AxisData::AxisData(const std::shared_ptr<Axis>& axis) : axis_(axis) {
  RefreshLayout();
}

AxisData::AxisData(const std::shared_ptr<Axis>& axis, const std::shared_ptr<Conv>& conv)
    : axis_(axis) {
  AdoptConv(conv);
  RefreshLayout();
}

AxisData::~AxisData() {
  if (byte_data_)
    byte_data_->UnregisterAxisByteDataEventListener(*this);
}

// ---------------------------------------------------------------- layout

bool AxisData::AdoptConv(const std::shared_ptr<Conv>& conv) {
  if (!conv || conv->GetDataType() != axis_->GetDataType())
    return false;
  if (conv == conv_)
    return true;
  conv_ = conv;
  // Only expression conversions can throw (an evaluation error at some value).
  conv_may_throw_ = dynamic_cast<const StrConv*>(conv_.get()) != nullptr;
  return true;
}

void AxisData::RefreshLayout() {
  // A conversion depends on its data type alone, so the one made for the
  // same data type is kept: a build would otherwise make each twice (once
  // on construction, once on attaching), expression parsers and all.
  if (!AdoptConv(conv_))
    AdoptConv(GetConv(axis_->GetDataType()));
  layout_ok_ = false;
  codec_ = CellCodec();
  width_ = 0;
  stride_ = 0;
  count_ = 0;
  endian_ = axis_->GetEndian();
  const Axis::dimensions_t& dims = axis_->GetDimensions();
  x_count_ = dims.x == Axis::NOT_SET ? 0 : dims.x;
  y_count_ = dims.y == Axis::NOT_SET ? 0 : dims.y;
  depth_count_ = dims.z == Axis::NOT_SET ? 0 : dims.z;

  const util::data::Storage_e storage = axis_->GetStorage();
  const uint32_t mask = axis_->GetBitMask();
  has_mask_ = false;
  std::fill(std::begin(mask_bytes_), std::end(mask_bytes_), 0xFF);

  if (IsLabels()) {
    count_ = static_cast<uint32_t>(axis_->GetLabels().size());
    layout_ok_ = true;
    return;
  }

  const uint32_t width = axis_->GetElementSize();
  if (width == 0 || width > 4 || width != util::data::StorageWidth(storage))
    return;
  width_ = width;

  // Padding belongs to the image layout of horizontal axes placed by offset
  // lists; every other layout is packed at the data width.
  const bool padded = !IsCalculated() && axis_->GetLayout() != LAYOUT_VERTICAL &&
                      (!axis_->GetRomOffsets().empty() || !axis_->GetRamOffsets().empty());
  uint64_t stride = width;
  if (padded && axis_->GetPad() != Axis::NOT_SET)
    stride += axis_->GetPad();
  if (stride > kMax32)
    return;
  stride_ = static_cast<uint32_t>(stride);

  for (uint32_t k = 0; k < width_; ++k) {
    const uint32_t shift = endian_ == util::ENDIAN_BIG ? 8 * (width_ - 1 - k) : 8 * k;
    if (endian_ == util::ENDIAN_BIG || endian_ == util::ENDIAN_LITTLE)
      mask_bytes_[k] = static_cast<unsigned char>((mask >> shift) & 0xFFu);
    if (mask_bytes_[k] != 0xFF)
      has_mask_ = true;
  }

  const uint32_t count = axis_->GetCount();
  if (count == Axis::NOT_SET || dims.x == Axis::NOT_SET || dims.y == Axis::NOT_SET ||
      dims.z == Axis::NOT_SET)
    return;
  const uint64_t xy = static_cast<uint64_t>(dims.x) * dims.y;
  if (xy > kMax32 || xy * dims.z != count)
    return;
  if (static_cast<uint64_t>(count) * stride_ > kMaxAxisBytes)
    return;
  count_ = count;
  layout_ok_ = true;

  codec_ = CellCodec::For(conv_.get(), storage, endian_, width_, mask);
}

void AxisData::Detach() {
  if (byte_data_)
    byte_data_->UnregisterAxisByteDataEventListener(*this);
  byte_data_.reset();
  InvalidateCleanSig();
  InvalidateCurrentSig();
}

// ---------------------------------------------------------------- reading

bool AxisData::IsIndexValid(unsigned int i) const {
  if (i == INVALID_INDEX)
    return false;
  return IsLabels() ? IsLabelsIndexValid(i) : IsDataIndexValid(i);
}

bool AxisData::IsLabelsIndexValid(unsigned int i) const {
  return i < axis_->GetLabels().size();
}

bool AxisData::IsDataIndexValid(unsigned int i) const {
  return layout_ok_ && byte_data_ && i < count_ &&
         AxisByteData::Fits(static_cast<uint64_t>(i) * stride_, width_, byte_data_->GetSize());
}

unsigned int AxisData::GetByteIndex(unsigned int i) const {
  const uint64_t position = static_cast<uint64_t>(i) * stride_;
  return position >= kMax32 ? INVALID_INDEX : static_cast<unsigned int>(position);
}

unsigned int AxisData::ConvertCoordsToIndex(int depth, int x, int y) const {
  const uint32_t ux = static_cast<uint32_t>(x), uy = static_cast<uint32_t>(y),
                 ud = static_cast<uint32_t>(depth);
  if (ux >= x_count_ || uy >= y_count_ || ud >= depth_count_)
    return INVALID_INDEX;
  const uint64_t i = ux + uint64_t{x_count_} * (uy + uint64_t{y_count_} * ud);
  if (i >= kMax32 || !IsIndexValid(static_cast<unsigned int>(i)))
    return INVALID_INDEX;
  return static_cast<unsigned int>(i);
}

unsigned int AxisData::ConvertCoordsToIndex(int x, int y) const {
  return ConvertCoordsToIndex(0, x, y);
}

bool AxisData::IsPointInAxis(tuner_editor::Point point, int depth) const {
  return static_cast<uint32_t>(depth) < depth_count_ && point.x < x_count_ && point.y < y_count_;
}

util::Binary AxisData::GetUnmaskedBinary(unsigned int i) const {
  if (!IsDataIndexValid(i))
    return util::Binary();
  return byte_data_->GetBinary(GetByteIndex(i), width_, endian_);
}

util::Binary AxisData::GetBinary(unsigned int i) const {
  if (!IsDataValid() || !IsIndexValid(i))
    return util::Binary(std::vector<uint8_t>(), endian_);
  const unsigned char* element = byte_data_->GetBytes().data() + GetByteIndex(i);
  util::Binary value(std::vector<uint8_t>(element, element + width_), endian_);
  for (uint32_t k = 0; k < width_; ++k)
    value.bytes[k] &= mask_bytes_[k];
  return value;
}

util::Binary AxisData::GetBinary(int x, int y) const {
  return GetBinary(ConvertCoordsToIndex(x, y));
}

double AxisData::ReadValue(unsigned int i) const {
  const unsigned char* element = byte_data_->GetBytes().data() + static_cast<size_t>(i) * stride_;
  if (codec_.IsActive())
    return codec_.Decode(element);
  read_scratch_.bytes.resize(width_);
  for (uint32_t k = 0; k < width_; ++k)
    read_scratch_.bytes[k] = element[k] & mask_bytes_[k];
  read_scratch_.endian = endian_;
  try {
    return conv_->ToDouble(read_scratch_);
  } catch (const std::exception&) {
    return VALUE_NOT_SET;
  }
}

bool AxisData::HoldsGrid() const {
  return !IsLabels() && count_ != 0 && ReadableCount() == count_;
}

unsigned int AxisData::ReadableCount() const {
  if (!layout_ok_ || !byte_data_ || width_ == 0)
    return 0;
  const uint64_t size = byte_data_->GetSize();
  if (size < width_)
    return 0;
  return static_cast<unsigned int>(std::min<uint64_t>((size - width_) / stride_ + 1, count_));
}

double AxisData::ReadChecked(unsigned int i) const {
  if (!IsDataValid() || !IsDataIndexValid(i))
    return VALUE_NOT_SET;
  return ReadValue(i);
}

double AxisData::GetDouble(int depth, int x, int y) const {
  return GetDouble(ConvertCoordsToIndex(depth, x, y));
}

double AxisData::GetDouble(int x, int y) const {
  return GetDouble(ConvertCoordsToIndex(0, x, y));
}

std::vector<double> AxisData::GetRow(int depth, int y) const {
  std::vector<double> row;
  if (!HoldsGrid() || static_cast<uint32_t>(y) >= y_count_ ||
      static_cast<uint32_t>(depth) >= depth_count_)
    return row;
  row.reserve(x_count_);
  for (uint32_t x = 0; x < x_count_; ++x)
    row.push_back(GetDouble(depth, static_cast<int>(x), y));
  return row;
}

std::vector<double> AxisData::GetRow(int y) const {
  return GetRow(0, y);
}

std::vector<double> AxisData::GetColumn(int depth, int x) const {
  std::vector<double> column;
  if (!HoldsGrid() || static_cast<uint32_t>(x) >= x_count_ ||
      static_cast<uint32_t>(depth) >= depth_count_)
    return column;
  column.reserve(y_count_);
  for (uint32_t y = 0; y < y_count_; ++y)
    column.push_back(GetDouble(depth, x, static_cast<int>(y)));
  return column;
}

std::vector<double> AxisData::GetColumn(int x) const {
  return GetColumn(0, x);
}

std::vector<std::vector<double>> AxisData::GetDepth(int depth) const {
  std::vector<std::vector<double>> rows;
  if (!HoldsGrid() || static_cast<uint32_t>(depth) >= depth_count_)
    return rows;
  rows.reserve(y_count_);
  for (uint32_t y = 0; y < y_count_; ++y)
    rows.push_back(GetRow(depth, static_cast<int>(y)));
  return rows;
}

std::vector<std::vector<double>> AxisData::GetRows() const {
  return GetRows(0);
}

std::vector<std::vector<double>> AxisData::GetRows(int depth) const {
  return GetDepth(depth);
}

std::vector<std::vector<double>> AxisData::GetColumns() const {
  if (depth_count_ > 1)
    return std::vector<std::vector<double>>();
  return GetColumns(0);
}

std::vector<std::vector<double>> AxisData::GetColumns(int depth) const {
  std::vector<std::vector<double>> columns;
  if (!HoldsGrid() || static_cast<uint32_t>(depth) >= depth_count_)
    return columns;
  columns.reserve(x_count_);
  for (uint32_t x = 0; x < x_count_; ++x)
    columns.push_back(GetColumn(depth, static_cast<int>(x)));
  return columns;
}

std::vector<std::vector<std::vector<double>>> AxisData::GetDepths() const {
  std::vector<std::vector<std::vector<double>>> depths;
  if (!HoldsGrid())
    return depths;
  depths.reserve(depth_count_);
  for (uint32_t d = 0; d < depth_count_; ++d)
    depths.push_back(GetDepth(static_cast<int>(d)));
  return depths;
}

std::vector<double> AxisData::GetDoubleList() const {
  std::vector<double> values;
  if (!IsDataValid())
    return values;
  const unsigned int n = ReadableCount();
  values.reserve(n);
  for (unsigned int i = 0; i < n; ++i)
    values.push_back(ReadValue(i));
  return values;
}

std::vector<double> AxisData::GetDoubleList(Parser& parser) const {
  std::vector<double> values = GetDoubleList();
  double& x = parser.Symbols()["x"];
  try {
    for (double& value : values) {
      x = value;
      value = parser.Evaluate();
    }
  } catch (const std::exception&) {
    values.clear();
  }
  return values;
}

std::vector<unsigned char> AxisData::GetBinList() const {
  if (!IsDataValid() || !byte_data_)
    return std::vector<unsigned char>();
  return byte_data_->GetBytes();
}

std::vector<std::string> AxisData::GetLabels() const {
  return axis_->GetLabels();
}

std::string AxisData::GetLabel(unsigned int i) const {
  const std::vector<std::string>& labels = axis_->GetLabels();
  if ((IsLabels() || IsLabelsWithData()) && IsIndexValid(i) && i < labels.size())
    return labels[i];
  return std::string();
}

std::string AxisData::GetLabel(int x, int y) const {
  return GetLabel(ConvertCoordsToIndex(x, y));
}

unsigned int AxisData::GetSize() const {
  if (IsLabels())
    return static_cast<unsigned int>(axis_->GetLabels().size());
  return byte_data_ ? byte_data_->GetSize() : 0;
}

bool AxisData::CanCompareWithAxisData(const AxisData& other) const {
  return !IsLabels() && !other.IsLabels() && GetSize() != 0 && other.GetSize() != 0;
}

// ---------------------------------------------------------------- definition

std::shared_ptr<DataType> AxisData::GetDataType() const {
  return IsLabels() ? nullptr : axis_->GetDataType();
}

unsigned int AxisData::GetDataWidth() const {
  return IsLabels() ? 0 : axis_->GetElementSize();
}

unsigned int AxisData::GetDataWidthIncludingPadding() const {
  return IsLabels() ? 0 : stride_;
}

unsigned int AxisData::GetAxisLengthInBytes() const {
  if (IsLabels())
    return 0;
  const uint32_t count = axis_->GetCount();
  const uint64_t length = static_cast<uint64_t>(count) * stride_;
  return count == Axis::NOT_SET || length > kMax32 ? INVALID_INDEX
                                                   : static_cast<unsigned int>(length);
}

bool AxisData::IsSharedAxis(const std::shared_ptr<AxisData>& other) const {
  if (!other)
    return false;
  const std::string& mine = axis_->GetDataSignature();
  return !mine.empty() && mine == other->axis_->GetDataSignature();
}

bool AxisData::SetDataType(const std::shared_ptr<DataType>& data_type) {
  if (IsLabels() || !data_type)
    return false;
  if (util::data::StorageWidth(data_type->storage) != axis_->GetElementSize())
    return false;
  axis_->SetDataType(data_type);
  conv_.reset();  // the same data type may come back edited
  RefreshLayout();
  InvalidateCurrentSig();
  return true;
}

}  // namespace vehicle
