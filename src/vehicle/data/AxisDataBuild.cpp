#include <cstring>

#include "vehicle/data/AxisData.h"

#include "util/Prefetch.h"

namespace vehicle {

namespace {

// Calculated breakpoints come from a range, not from the image, so nothing
// but this bounds their count: a definition asking for billions would
// otherwise have the build allocate gigabytes and fail.
constexpr uint32_t kMaxCalculatedCount = 4096;

uint32_t OrOne(uint32_t n) {
  return n == 0 ? 1 : n;
}

}  // namespace

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
      if (!AxisByteData::Fits(offset, length, rom.size()))
        return false;
    }
    const unsigned char* source = rom.data() + rom_offsets.front();
    if (axis_->GetLayout() != LAYOUT_VERTICAL) {
      byte_data_->Assign(source, length);
      return true;
    }
    std::vector<unsigned char> bytes(length);
    VerticalToBuffer(source, bytes.data());
    byte_data_->Assign(bytes.data(), bytes.size());
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
        !AxisByteData::Fits(run.rom_offset, uint64_t{run.count} * width_, rom.size()))
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
  byte_data_->Assign(packed.data(), packed.size());
  return true;
}

bool AxisData::BuildCalculated() {
  if (count_ > kMaxCalculatedCount)
    return false;
  std::vector<double> values(count_);
  const double min = GetMin();
  // A one-element axis holds its minimum.
  const double step = count_ > 1 ? (GetMax() - min) / static_cast<double>(count_ - 1) : 0.0;
  for (uint32_t i = 0; i < count_; ++i)
    values[i] = i * step + min;
  std::vector<unsigned char> bytes(static_cast<size_t>(count_) * stride_);
  EncodeValues(values, bytes, false);  // a value that cannot be converted stays zero
  byte_data_->Assign(bytes.data(), bytes.size());
  return true;
}

void AxisData::VerticalToBuffer(const unsigned char* source, unsigned char* target) const {
  ReorderVertical(source, target, true);
}

void AxisData::BufferToVertical(const unsigned char* source, unsigned char* target) const {
  ReorderVertical(source, target, false);
}

void AxisData::ReorderVertical(const unsigned char* source, unsigned char* target,
                               bool to_buffer) const {
  if (count_ == 0)
    return;
  const uint32_t xs = OrOne(x_count_), ys = OrOne(y_count_), ds = OrOne(depth_count_);
  size_t n = 0;
  for (uint32_t d = 0; d < ds; ++d) {
    for (uint32_t x = 0; x < xs; ++x) {
      for (uint32_t y = 0; y < ys; ++y, ++n) {
        const size_t position = (x + static_cast<size_t>(xs) * (y + static_cast<size_t>(ys) * d));
        const size_t from = to_buffer ? n : position;
        const size_t to = to_buffer ? position : n;
        std::memcpy(target + to * width_, source + from * width_, width_);
      }
    }
  }
}

// ---------------------------------------------------------------- saving

const unsigned char* AxisData::ImageOrderBytes(std::vector<unsigned char>& scratch) const {
  const std::vector<unsigned char>& bytes = byte_data_->GetBytes();
  if (axis_->GetLayout() != LAYOUT_VERTICAL)
    return bytes.data();
  scratch.resize(bytes.size());
  BufferToVertical(bytes.data(), scratch.data());
  return scratch.data();
}

bool AxisData::CanSaveAxis(uint64_t image_size) const {
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
      if (!AxisByteData::Fits(offset, length, image_size))
        return false;
    }
    return true;
  }
  const std::vector<Axis::data_offsets_t>& runs = axis_->GetDataOffsets();
  uint64_t total = 0;
  for (const Axis::data_offsets_t& run : runs) {
    if (run.rom_offset == Axis::NOT_SET || run.count == Axis::NOT_SET ||
        !AxisByteData::Fits(run.rom_offset, uint64_t{run.count} * width_, image_size))
      return false;
    total += run.count;
  }
  return runs.empty() || total == count_;
}

bool AxisData::SaveAxis(std::vector<unsigned char>& rom) const {
  if (!CanSaveAxis(rom.size()))
    return false;
  WriteAxis(rom);
  return true;
}

void AxisData::PrefetchForWrite(int stage) const {
  if (stage == 0) {
    util::Prefetch(axis_.get());
    util::Prefetch(byte_data_.get());
    return;
  }
  if (byte_data_)
    util::Prefetch(byte_data_->GetBytes().data());
  util::Prefetch(axis_->GetRomOffsets().data());
}

void AxisData::WriteAxis(std::vector<unsigned char>& rom) const {
  if (axis_->GetSpecialType() != SPECIAL_AXIS_INVALID || IsRamOnly())
    return;
  std::vector<unsigned char> scratch;
  const unsigned char* image = ImageOrderBytes(scratch);
  const uint64_t length = static_cast<uint64_t>(count_) * stride_;
  const std::vector<uint32_t>& rom_offsets = axis_->GetRomOffsets();
  for (uint32_t offset : rom_offsets) {
    if (stride_ == width_) {
      std::memcpy(rom.data() + offset, image, length);
      continue;
    }
    // The image's padding bytes are not ours to write.
    for (uint32_t i = 0; i < count_; ++i) {
      const size_t position = static_cast<size_t>(i) * stride_;
      std::memcpy(rom.data() + offset + position, image + position, width_);
    }
  }
  if (!rom_offsets.empty())
    return;
  size_t position = 0;
  for (const Axis::data_offsets_t& run : axis_->GetDataOffsets()) {
    const size_t length_of_run = static_cast<size_t>(run.count) * width_;
    std::memcpy(rom.data() + run.rom_offset, image + position, length_of_run);
    position += length_of_run;
  }
}

}  // namespace vehicle
