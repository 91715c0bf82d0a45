#include <algorithm>
#include <cstring>
#include <exception>

#include "vehicle/data/AxisData.h"

namespace vehicle {

bool AxisData::EncodeMerged(double value, const unsigned char* old_bytes) const {
  if (codec_.IsActive()) {
    write_scratch_.bytes.resize(width_);
    write_scratch_.endian = endian_;
    codec_.Store(codec_.Merge(codec_.Load(old_bytes), value), write_scratch_.bytes.data());
    return true;
  }
  // Cleared so that a conversion that leaves bytes unfilled sees zeros, as in
  // a fresh value.
  write_scratch_.bytes.clear();
  write_scratch_.endian = endian_;
  try {
    conv_->ToBin(value, write_scratch_);
  } catch (const std::exception&) {
    return false;
  }
  if (write_scratch_.bytes.size() != width_)
    return false;
  // Bits inside the mask come from the new value, all others from the old.
  for (uint32_t k = 0; k < width_; ++k) {
    const unsigned char old = old_bytes[k];
    write_scratch_.bytes[k] =
        static_cast<unsigned char>(old ^ ((old ^ write_scratch_.bytes[k]) & mask_bytes_[k]));
  }
  return true;
}

bool AxisData::EncodeValues(const std::vector<double>& values, std::vector<unsigned char>& image,
                            bool merge) const {
  bool ok = true;
  const size_t n = std::min<size_t>(values.size(), count_);
  for (size_t i = 0; i < n; ++i) {
    const uint64_t position = static_cast<uint64_t>(i) * stride_;
    if (!AxisByteData::Fits(position, width_, image.size()))
      break;
    unsigned char* element = image.data() + position;
    // Without merging the converted bytes are taken whole.
    if (!merge) {
      write_scratch_.bytes.clear();
      write_scratch_.endian = endian_;
      try {
        conv_->ToBin(values[i], write_scratch_);
      } catch (const std::exception&) {
        ok = false;
        continue;
      }
      if (write_scratch_.bytes.size() != width_) {
        ok = false;
        continue;
      }
    } else if (!EncodeMerged(values[i], element)) {
      ok = false;
      continue;
    }
    std::memcpy(element, write_scratch_.bytes.data(), width_);
  }
  return ok;
}

bool AxisData::AllEncodable(const std::vector<double>& values) const {
  if (!conv_may_throw_)
    return true;
  static const unsigned char kZeros[4] = {0, 0, 0, 0};
  for (double value : values) {
    if (!EncodeMerged(value, kZeros))
      return false;
  }
  return true;
}

// ---------------------------------------------------------------- single values

bool AxisData::WriteChecked(unsigned int index, double value) {
  if (!IsDataValid() || !IsDataIndexValid(index))
    return false;
  const size_t position = static_cast<size_t>(index) * stride_;
  const unsigned char* old_bytes = byte_data_->GetBytes().data() + position;
  if (!EncodeMerged(value, old_bytes))
    return false;
  if (std::equal(old_bytes, old_bytes + width_, write_scratch_.bytes.begin()))
    return false;
  byte_data_->SetBinary(write_scratch_, static_cast<unsigned int>(position));
  return true;
}

bool AxisData::PutDouble(int depth, int x, int y, double value) {
  return PutDouble(ConvertCoordsToIndex(depth, x, y), value);
}

bool AxisData::PutRow(const std::vector<double>& values, int depth, int y) {
  if (IsLabels())
    return true;
  if (x_count_ == 0 || values.size() != x_count_ || !AllEncodable(values))
    return false;
  bool changed = false;
  for (uint32_t x = 0; x < x_count_; ++x)
    changed |= PutDouble(depth, static_cast<int>(x), y, values[x]);
  return changed;
}

bool AxisData::PutColumn(const std::vector<double>& values, int depth, int x) {
  if (IsLabels())
    return true;
  if (y_count_ == 0 || values.size() != y_count_ || !AllEncodable(values))
    return false;
  bool changed = false;
  for (uint32_t y = 0; y < y_count_; ++y)
    changed |= PutDouble(depth, x, static_cast<int>(y), values[y]);
  return changed;
}

bool AxisData::PutDepth(const std::vector<std::vector<double>>& rows, int depth) {
  if (IsLabels())
    return true;
  if (y_count_ == 0 || rows.size() != y_count_)
    return false;
  for (const std::vector<double>& row : rows) {
    if (row.size() != x_count_ || !AllEncodable(row))
      return false;
  }
  bool changed = false;
  for (uint32_t y = 0; y < y_count_; ++y)
    changed |= PutRow(rows[y], depth, static_cast<int>(y));
  return changed;
}

// ---------------------------------------------------------------- whole lists

bool AxisData::PutDoubleList(const std::vector<double>& values) {
  if (!IsDataValid() || !layout_ok_ || values.size() != count_)
    return false;
  const size_t length = static_cast<size_t>(count_) * stride_;
  const bool fill_ram = IsRamOnly() && byte_data_->IsEmpty();
  std::vector<unsigned char> image = byte_data_->GetBytes();
  if (fill_ram)
    image.resize(length);
  if (image.size() != length || !EncodeValues(values, image, true))
    return false;
  if (fill_ram)
    byte_data_->Resize(static_cast<unsigned int>(length));
  byte_data_->SetBytes(image);
  return true;
}

bool AxisData::PutBinList(const std::vector<unsigned char>& bytes) {
  if (!IsDataValid())
    return false;
  if (IsRamOnly()) {
    if (bytes.empty())
      return true;
    if (!layout_ok_ || bytes.size() != static_cast<size_t>(count_) * stride_)
      return false;
    if (byte_data_->IsEmpty())
      byte_data_->Resize(static_cast<unsigned int>(bytes.size()));
  }
  if (bytes.size() != byte_data_->GetSize())
    return false;
  if (bytes.empty())
    return true;
  return has_mask_ ? CopyMaskedBinList(bytes) : CopyUnmaskedBinList(bytes);
}

bool AxisData::CopyMaskedBinList(const std::vector<unsigned char>& bytes) {
  if (!IsDataValid() || bytes.size() != byte_data_->GetSize())
    return false;
  std::vector<unsigned char> image = byte_data_->GetBytes();
  const unsigned int n = ReadableCount();
  for (unsigned int i = 0; i < n; ++i) {
    const size_t position = static_cast<size_t>(i) * stride_;
    for (uint32_t k = 0; k < width_; ++k) {
      const unsigned char old = image[position + k];
      image[position + k] =
          static_cast<unsigned char>(old ^ ((old ^ bytes[position + k]) & mask_bytes_[k]));
    }
  }
  byte_data_->SetBytes(image);
  return true;
}

bool AxisData::CopyUnmaskedBinList(const std::vector<unsigned char>& bytes) {
  if (!IsDataValid())
    return false;
  byte_data_->SetBytes(bytes);
  return true;
}

bool AxisData::PutUnmaskedBinList(const std::vector<unsigned char>& bytes, unsigned int start,
                                  unsigned int length) {
  if (length == INVALID_INDEX) {
    if (start > bytes.size())
      return false;
    length = static_cast<unsigned int>(bytes.size() - start);
  }
  if (!IsDataValid() || !AxisByteData::Fits(start, length, bytes.size()))
    return false;
  if (IsRamOnly() && byte_data_->IsEmpty() && length != 0) {
    if (!layout_ok_ || length != static_cast<uint64_t>(count_) * stride_)
      return false;
    byte_data_->Resize(length);
  }
  if (length != byte_data_->GetSize())
    return false;
  if (length == 0)
    return true;
  if (start == 0 && length == bytes.size()) {
    byte_data_->SetBytes(bytes);
  } else {
    byte_data_->SetBytes(
        std::vector<unsigned char>(bytes.begin() + start, bytes.begin() + start + length));
  }
  return true;
}

std::vector<unsigned char> AxisData::ConvertDoublesToBytes(
    const std::vector<double>& values) const {
  if (!layout_ok_ || IsLabels())
    return std::vector<unsigned char>();
  std::vector<unsigned char> image(static_cast<size_t>(count_) * stride_);
  if (!EncodeValues(values, image, false))
    return std::vector<unsigned char>();
  return image;
}

}  // namespace vehicle
