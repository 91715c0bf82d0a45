#include <cstdint>

#include "vehicle/data/AxisData.h"

namespace vehicle {

namespace {

constexpr uint64_t kMax32 = 0xFFFFFFFFu;

// `base` + `delta` when it is a usable dimension (1 .. 32 bits), else 0.
uint32_t Grown(uint32_t base, int delta) {
  const int64_t result = static_cast<int64_t>(base) + delta;
  return result < 1 || result >= static_cast<int64_t>(kMax32) ? 0 : static_cast<uint32_t>(result);
}

}  // namespace

bool AxisData::IsSharedBuffer() const {
  if (!byte_data_)
    return false;
  const size_t mine = byte_data_->IsListenerRegistered(*this) ? 1 : 0;
  return byte_data_->GetListenerCount() > mine;
}

bool AxisData::HoldsAllValues() const {
  return IsDataValid() && layout_ok_ && count_ != 0 &&
         byte_data_->GetSize() == static_cast<uint64_t>(count_) * stride_;
}

bool AxisData::AdjustDimensions(unsigned int depth, unsigned int x, unsigned int y) {
  if (!IsDataValid() || !layout_ok_ || IsSharedBuffer())
    return false;
  if (x == Axis::NOT_SET || y == Axis::NOT_SET || depth == Axis::NOT_SET)
    return false;
  const uint64_t xy = static_cast<uint64_t>(x) * y;
  if (xy >= kMax32 || xy * depth >= kMax32 || xy * depth * stride_ > kMax32)
    return false;
  const uint32_t count = static_cast<uint32_t>(xy * depth);
  // Data runs have fixed lengths in the image: they take no other count.
  const std::vector<Axis::data_offsets_t>& runs = axis_->GetDataOffsets();
  if (axis_->GetRomOffsets().empty() && axis_->GetRamOffsets().empty() && !runs.empty() &&
      count != count_)
    return false;

  const uint64_t length = static_cast<uint64_t>(count) * stride_;
  if (x == x_count_ && y == y_count_ && depth == depth_count_ && byte_data_->GetSize() == length)
    return true;

  // Resizing tells no listener: take the clean state now.
  GenerateCleanSignature();
  axis_->AdjustDimensions(depth, x, y);
  RefreshLayout();
  if (byte_data_->GetSize() != length)
    byte_data_->Resize(static_cast<unsigned int>(length));
  segments_.clear();
  segment_sigs_.clear();
  if (x >= 2 && y >= 2 && depth >= 2) {
    for (uint32_t d = 0; d < depth; ++d)
      DefineSegment(d * x * y, x * y);
  }
  InvalidateCurrentSig();
  return true;
}

bool AxisData::Reshape(unsigned int depth, unsigned int x, unsigned int y,
                       const std::vector<double>& values) {
  if (values.size() != static_cast<uint64_t>(x) * y * depth || !AllEncodable(values))
    return false;
  return AdjustDimensions(depth, x, y) && PutDoubleList(values);
}

int AxisData::AdjustColumns(const IAxisTransform& transform) {
  if (!HoldsAllValues() || IsSharedBuffer())
    return 0;
  const uint32_t xs = x_count_, ys = y_count_, ds = depth_count_;
  std::vector<std::vector<std::vector<double>>> slices(ds);
  int added = 0;
  uint32_t new_x = 0;
  for (uint32_t d = ds; d-- > 0;) {
    std::vector<std::vector<double>> rows = GetRows(static_cast<int>(d));
    const int result = transform.Transform(rows);
    if (result == 0 || (d != ds - 1 && result != added))
      return 0;
    added = result;
    new_x = Grown(xs, added);
    if (new_x == 0 || rows.size() != ys)
      return 0;
    for (const std::vector<double>& row : rows) {
      if (row.size() != new_x)
        return 0;
    }
    slices[d] = std::move(rows);
  }
  std::vector<double> values;
  values.reserve(static_cast<size_t>(new_x) * ys * ds);
  for (const auto& rows : slices) {
    for (const std::vector<double>& row : rows)
      values.insert(values.end(), row.begin(), row.end());
  }
  return Reshape(ds, new_x, ys, values) ? added : 0;
}

int AxisData::AdjustRows(const IAxisTransform& transform) {
  if (!HoldsAllValues() || IsSharedBuffer())
    return 0;
  const uint32_t xs = x_count_, ys = y_count_, ds = depth_count_;
  std::vector<std::vector<std::vector<double>>> slices(ds);
  int added = 0;
  uint32_t new_y = 0;
  for (uint32_t d = ds; d-- > 0;) {
    std::vector<std::vector<double>> columns = GetColumns(static_cast<int>(d));
    const int result = transform.Transform(columns);
    if (result == 0 || (d != ds - 1 && result != added))
      return 0;
    added = result;
    new_y = Grown(ys, added);
    if (new_y == 0 || columns.size() != xs)
      return 0;
    for (const std::vector<double>& column : columns) {
      if (column.size() != new_y)
        return 0;
    }
    slices[d] = std::move(columns);
  }
  std::vector<double> values;
  values.reserve(static_cast<size_t>(xs) * new_y * ds);
  for (const auto& columns : slices) {
    for (uint32_t y = 0; y < new_y; ++y) {
      for (uint32_t x = 0; x < xs; ++x)
        values.push_back(columns[x][y]);
    }
  }
  return Reshape(ds, xs, new_y, values) ? added : 0;
}

int AxisData::AdjustDepths(const IAxisTransform& transform) {
  if (!HoldsAllValues() || IsSharedBuffer())
    return 0;
  std::vector<std::vector<double>> lists(1, GetDoubleList());
  const int added = transform.Transform(lists);
  if (added == 0 || lists.size() != 1)
    return 0;
  const uint32_t new_depth = Grown(depth_count_, added);
  if (new_depth == 0)
    return 0;
  return Reshape(new_depth, x_count_, y_count_, lists.front()) ? added : 0;
}

}  // namespace vehicle
