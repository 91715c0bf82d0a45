#include "vehicle/data/AxisData.h"

#include <algorithm>
#include <cstring>
#include <exception>

namespace vehicle {

namespace {

constexpr uint64_t kMax32 = 0xFFFFFFFFu;

// [offset, offset + length) lies inside `size` bytes, computed without
// wrap-around.
bool Fits(uint64_t offset, uint64_t length, uint64_t size) {
  return offset <= size && length <= size - offset;
}

uint32_t OrOne(uint32_t n) {
  return n == 0 ? 1 : n;
}

}  // namespace

AxisData::AxisData(const std::shared_ptr<Axis>& axis) : axis_(axis) {
  read_scratch_.bytes.reserve(4);
  write_scratch_.bytes.reserve(4);
  RefreshLayout();
}

AxisData::~AxisData() {
  if (byte_data_)
    byte_data_->UnregisterAxisByteDataEventListener(*this);
}

// ---------------------------------------------------------------- layout

void AxisData::RefreshLayout() {
  conv_ = GetConv(axis_->GetDataType());
  // Only expression conversions can throw (an evaluation error at some value).
  conv_may_throw_ = dynamic_cast<const StrConv*>(conv_.get()) != nullptr;
  layout_ok_ = false;
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
  if (static_cast<uint64_t>(count) * stride_ > kMax32)
    return;
  count_ = count;
  layout_ok_ = true;
}

void AxisData::Detach() {
  if (byte_data_)
    byte_data_->UnregisterAxisByteDataEventListener(*this);
  byte_data_.reset();
  InvalidateCleanSig();
  InvalidateCurrentSig();
}

// ---------------------------------------------------------------- building

std::shared_ptr<AxisByteData> AxisData::BuildByteData(const std::vector<unsigned char>& rom) {
  Detach();
  RefreshLayout();
  byte_data_ = std::make_shared<AxisByteData>();
  // Filled before registering: building is not an edit.
  built = layout_ok_ && (IsCalculated() ? BuildCalculated() : BuildFromImage(rom));
  if (!built) {
    byte_data_.reset();
    return nullptr;
  }
  byte_data_->RegisterAxisByteDataEventListener(*this);
  return byte_data_;
}

void AxisData::BuildAxis(const std::shared_ptr<AxisByteData>& byte_data) {
  if (!byte_data) {
    built = false;
    return;
  }
  RefreshLayout();
  if (!layout_ok_) {
    built = false;
    return;
  }
  if (byte_data != byte_data_) {
    Detach();
    byte_data_ = byte_data;
  }
  byte_data_->RegisterAxisByteDataEventListener(*this);
  built = true;
}

bool AxisData::BuildFromImage(const std::vector<unsigned char>& rom) {
  if (IsLabels())
    return true;
  const uint64_t length = static_cast<uint64_t>(count_) * stride_;
  const std::vector<uint32_t>& rom_offsets = axis_->GetRomOffsets();
  if (!rom_offsets.empty() || !axis_->GetRamOffsets().empty()) {
    if (rom_offsets.empty())
      return true;  // lives in RAM, not in the image
    for (uint32_t offset : rom_offsets) {
      if (!Fits(offset, length, rom.size()))
        return false;
    }
    const unsigned char* source = rom.data() + rom_offsets.front();
    std::vector<unsigned char> bytes(source, source + length);
    if (axis_->GetLayout() == LAYOUT_VERTICAL)
      VerticalToBuffer(source, bytes.data());
    byte_data_->Resize(static_cast<unsigned int>(length));
    byte_data_->SetBytes(bytes);
    return true;
  }

  const std::vector<Axis::data_offsets_t>& runs = axis_->GetDataOffsets();
  if (runs.empty())
    return false;
  // One run in RAM makes the whole axis RAM-resident.
  for (const Axis::data_offsets_t& run : runs) {
    if (run.rom_offset == Axis::NOT_SET)
      return true;
  }
  uint64_t total = 0;
  for (const Axis::data_offsets_t& run : runs) {
    if (run.count == Axis::NOT_SET ||
        !Fits(run.rom_offset, uint64_t{run.count} * width_, rom.size()))
      return false;
    total += run.count;
  }
  if (total != count_)
    return false;
  std::vector<unsigned char> packed;
  packed.reserve(length);
  for (const Axis::data_offsets_t& run : runs) {
    const unsigned char* source = rom.data() + run.rom_offset;
    packed.insert(packed.end(), source, source + uint64_t{run.count} * width_);
  }
  if (axis_->GetLayout() == LAYOUT_VERTICAL) {
    std::vector<unsigned char> ordered(packed.size());
    VerticalToBuffer(packed.data(), ordered.data());
    packed.swap(ordered);
  }
  byte_data_->Resize(static_cast<unsigned int>(length));
  byte_data_->SetBytes(packed);
  return true;
}

bool AxisData::BuildCalculated() {
  std::vector<double> values(count_);
  const double min = GetMin();
  // A one-element axis holds its minimum.
  const double step = count_ > 1 ? (GetMax() - min) / static_cast<double>(count_ - 1) : 0.0;
  for (uint32_t i = 0; i < count_; ++i)
    values[i] = i * step + min;
  std::vector<unsigned char> bytes(static_cast<size_t>(count_) * stride_);
  EncodeValues(values, bytes, false);  // a value that cannot be converted stays zero
  byte_data_->Resize(static_cast<unsigned int>(bytes.size()));
  byte_data_->SetBytes(bytes);
  return true;
}

void AxisData::VerticalToBuffer(const unsigned char* source, unsigned char* target) const {
  if (count_ == 0)
    return;
  const uint32_t xs = OrOne(x_count_), ys = OrOne(y_count_), ds = OrOne(depth_count_);
  size_t n = 0;
  for (uint32_t d = 0; d < ds; ++d) {
    for (uint32_t x = 0; x < xs; ++x) {
      for (uint32_t y = 0; y < ys; ++y, ++n) {
        const size_t position = (x + static_cast<size_t>(xs) * (y + static_cast<size_t>(ys) * d));
        std::memcpy(target + position * width_, source + n * width_, width_);
      }
    }
  }
}

void AxisData::BufferToVertical(const unsigned char* source, unsigned char* target) const {
  if (count_ == 0)
    return;
  const uint32_t xs = OrOne(x_count_), ys = OrOne(y_count_), ds = OrOne(depth_count_);
  size_t n = 0;
  for (uint32_t d = 0; d < ds; ++d) {
    for (uint32_t x = 0; x < xs; ++x) {
      for (uint32_t y = 0; y < ys; ++y, ++n) {
        const size_t position = (x + static_cast<size_t>(xs) * (y + static_cast<size_t>(ys) * d));
        std::memcpy(target + n * width_, source + position * width_, width_);
      }
    }
  }
}

// ---------------------------------------------------------------- saving

std::vector<unsigned char> AxisData::ImageOrderBytes() const {
  const std::vector<unsigned char>& bytes = byte_data_->GetBytes();
  if (axis_->GetLayout() != LAYOUT_VERTICAL)
    return bytes;
  std::vector<unsigned char> ordered(bytes.size());
  BufferToVertical(bytes.data(), ordered.data());
  return ordered;
}

bool AxisData::SaveAxis(std::vector<unsigned char>& rom) const {
  if (!built)
    return false;
  if (axis_->GetSpecialType() != SPECIAL_AXIS_INVALID || IsRamOnly())
    return true;
  if (!layout_ok_ || !byte_data_ || byte_data_->IsEmpty())
    return false;
  const uint64_t length = static_cast<uint64_t>(count_) * stride_;
  if (byte_data_->GetSize() != length)
    return false;

  const std::vector<uint32_t>& rom_offsets = axis_->GetRomOffsets();
  if (!rom_offsets.empty()) {
    for (uint32_t offset : rom_offsets) {
      if (!Fits(offset, length, rom.size()))
        return false;
    }
    const std::vector<unsigned char> image = ImageOrderBytes();
    for (uint32_t offset : rom_offsets) {
      if (stride_ == width_) {
        std::copy(image.begin(), image.end(), rom.begin() + offset);
        continue;
      }
      // The image's padding bytes are not ours to write.
      for (uint32_t i = 0; i < count_; ++i) {
        const size_t position = static_cast<size_t>(i) * stride_;
        std::memcpy(rom.data() + offset + position, image.data() + position, width_);
      }
    }
    return true;
  }

  const std::vector<Axis::data_offsets_t>& runs = axis_->GetDataOffsets();
  if (runs.empty())
    return true;
  uint64_t total = 0;
  for (const Axis::data_offsets_t& run : runs) {
    if (run.rom_offset == Axis::NOT_SET || run.count == Axis::NOT_SET ||
        !Fits(run.rom_offset, uint64_t{run.count} * width_, rom.size()))
      return false;
    total += run.count;
  }
  if (total != count_)
    return false;
  const std::vector<unsigned char> image = ImageOrderBytes();
  size_t position = 0;
  for (const Axis::data_offsets_t& run : runs) {
    const size_t length_of_run = static_cast<size_t>(run.count) * width_;
    std::memcpy(rom.data() + run.rom_offset, image.data() + position, length_of_run);
    position += length_of_run;
  }
  return true;
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
         Fits(static_cast<uint64_t>(i) * stride_, width_, byte_data_->GetSize());
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

unsigned int AxisData::ReadableCount() const {
  if (!layout_ok_ || !byte_data_ || width_ == 0)
    return 0;
  const uint64_t size = byte_data_->GetSize();
  if (size < width_)
    return 0;
  return static_cast<unsigned int>(std::min<uint64_t>((size - width_) / stride_ + 1, count_));
}

double AxisData::GetDouble(unsigned int i) const {
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
  if (IsLabels() || static_cast<uint32_t>(y) >= y_count_ ||
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
  if (IsLabels() || static_cast<uint32_t>(x) >= x_count_ ||
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
  if (IsLabels() || static_cast<uint32_t>(depth) >= depth_count_)
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
  if (IsLabels() || static_cast<uint32_t>(depth) >= depth_count_)
    return columns;
  columns.reserve(x_count_);
  for (uint32_t x = 0; x < x_count_; ++x)
    columns.push_back(GetColumn(depth, static_cast<int>(x)));
  return columns;
}

std::vector<std::vector<std::vector<double>>> AxisData::GetDepths() const {
  std::vector<std::vector<std::vector<double>>> depths;
  if (IsLabels())
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
  RefreshLayout();
  InvalidateCurrentSig();
  return true;
}

}  // namespace vehicle
