#include <algorithm>
#include <boost/crc.hpp>
#include <cmath>
#include <cstring>

#include "outside/DoublePrecision.h"
#include "vehicle/data/AxisData.h"

namespace vehicle {

// ---------------------------------------------------------------- segments

void AxisData::DefineSegment(const unsigned int& start, const unsigned int& length) {
  for (const SegmentMetadata& segment : segments_) {
    if (segment.start == start)
      return;
  }
  SegmentMetadata segment;
  segment.start = start;
  segment.length = length;
  segments_.push_back(segment);
  SegmentDataSignature signature;
  signature.start = start;
  signature.length = length;
  segment_sigs_.push_back(signature);
}

// ---------------------------------------------------------------- signatures

// One pass over the values feeds the whole-axis CRC and every segment's.
// Values are rounded to the display precision first, so a value edited and
// set back to what was shown signs as before.
void AxisData::ComputeSignatures(bool clean) {
  boost::crc_32_type whole;
  std::vector<boost::crc_32_type> parts(segments_.size());
  const unsigned int n = IsDataValid() ? ReadableCount() : 0;
  const int precision = n != 0 ? GetPrecision() : 0;
  // Neighbouring cells often repeat a value; rounding is the costly step.
  double last_value = 0.0;
  double last_rounded = 0.0;
  bool have_last = false;
  for (unsigned int i = 0; i < n; ++i) {
    double value = ReadValue(i);
    if (value != VALUE_NOT_SET) {
      if (precision >= 0 && value == std::floor(value) && std::fabs(value) < 1e15) {
        // A whole number has no digits after the point to round away; this
        // skips the decimal rounding for the common integer tables.
        value = value == 0.0 ? 0.0 : value;
      } else {
        if (!(have_last && value == last_value)) {
          last_value = value;
          last_rounded = util::DoublePrecision::RoundDigitsAfterDecimal(value, precision);
          have_last = true;
        }
        value = last_rounded;
      }
    }
    uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    unsigned char bytes[8];
    for (int k = 0; k < 8; ++k)
      bytes[k] = static_cast<unsigned char>(bits >> (8 * k));
    whole.process_bytes(bytes, sizeof bytes);
    for (size_t s = 0; s < segments_.size(); ++s) {
      const SegmentMetadata& segment = segments_[s];
      if (i >= segment.start && i - segment.start < segment.length)
        parts[s].process_bytes(bytes, sizeof bytes);
    }
  }

  if (clean) {
    clean_sig_ = whole.checksum();
    clean_sig_valid_ = true;
  } else {
    current_sig_ = whole.checksum();
    current_sig_valid_ = true;
  }
  for (size_t s = 0; s < segment_sigs_.size(); ++s) {
    SegmentDataSignature& signature = segment_sigs_[s];
    if (clean) {
      signature.clean_sig = parts[s].checksum();
      signature.clean_valid = true;
    } else {
      signature.current_sig = parts[s].checksum();
      signature.current_valid = true;
    }
  }
}

void AxisData::EnsureCurrentSignatures() {
  bool valid = current_sig_valid_;
  for (const SegmentDataSignature& signature : segment_sigs_)
    valid = valid && signature.current_valid;
  if (!valid)
    ComputeSignatures(false);
}

uint32_t AxisData::GetCurrentSig() {
  if (!current_sig_valid_)
    CalculateUniqueDataSegmentSigs();
  return current_sig_;
}

uint32_t AxisData::GetCleanSig() {
  if (!clean_sig_valid_)
    CalculateUniqueCleanDataSegmentSigs();
  return clean_sig_;
}

void AxisData::GenerateCurrentSignature() {
  CalculateUniqueDataSegmentSigs();
}

void AxisData::GenerateCleanSignature() {
  if (clean_sig_valid_)
    return;
  bool current = current_sig_valid_;
  for (const SegmentDataSignature& signature : segment_sigs_)
    current = current && signature.current_valid;
  if (!current) {
    CalculateUniqueCleanDataSegmentSigs();
    return;
  }
  clean_sig_ = current_sig_;
  clean_sig_valid_ = true;
  for (SegmentDataSignature& signature : segment_sigs_) {
    signature.clean_sig = signature.current_sig;
    signature.clean_valid = true;
  }
}

void AxisData::CalculateUniqueDataSegmentSigs() {
  ComputeSignatures(false);
}

void AxisData::CalculateUniqueCleanDataSegmentSigs() {
  ComputeSignatures(true);
}

void AxisData::InvalidateCurrentSig() {
  current_sig_valid_ = false;
  for (SegmentDataSignature& signature : segment_sigs_)
    signature.current_valid = false;
}

void AxisData::InvalidateCleanSig() {
  clean_sig_valid_ = false;
  for (SegmentDataSignature& signature : segment_sigs_)
    signature.clean_valid = false;
}

// ---------------------------------------------------------------- dirty state

bool AxisData::AreSigsDifferent() {
  return GetCurrentSig() != GetCleanSig();
}

bool AxisData::IsDirty() {
  if (ShouldIgnoreDirtyCheck() || IsRamOnly() || !IsDataValid())
    return false;
  return AreSigsDifferent();
}

bool AxisData::IsRamDirty() {
  if (ShouldIgnoreDirtyCheck() || !IsRamOnly() || !IsDataValid())
    return false;
  return AreSigsDifferent();
}

namespace {

// Segments whose clean and current signatures differ; a segment defined after
// the clean point (by a reshape) has no clean signature and counts as changed.
std::vector<unsigned int> ChangedSegments(
    const std::vector<AxisData::SegmentDataSignature>& signatures) {
  std::vector<unsigned int> indexes;
  for (size_t s = 0; s < signatures.size(); ++s) {
    const AxisData::SegmentDataSignature& signature = signatures[s];
    if (!signature.clean_valid || signature.clean_sig != signature.current_sig)
      indexes.push_back(static_cast<unsigned int>(s));
  }
  return indexes;
}

}  // namespace

std::vector<unsigned int> AxisData::GetDirtySegmentIndexes() {
  if (!IsDirty())
    return std::vector<unsigned int>();
  EnsureCurrentSignatures();
  return ChangedSegments(segment_sigs_);
}

std::vector<unsigned int> AxisData::GetDirtyRamSegmentIndexes() {
  if (!IsRamDirty())
    return std::vector<unsigned int>();
  EnsureCurrentSignatures();
  return ChangedSegments(segment_sigs_);
}

void AxisData::ClearDirtyState() {
  if (!ShouldIgnoreDirtyCheck() && !IsRamOnly())
    InvalidateCleanSig();
}

void AxisData::ClearDirtyRamState() {
  if (!ShouldIgnoreDirtyCheck() && IsRamOnly())
    InvalidateCleanSig();
}

void AxisData::OnAxisByteDataChanging() {
  GenerateCleanSignature();
}

void AxisData::OnAxisByteDataChanged() {
  InvalidateCurrentSig();
}

// ---------------------------------------------------------------- comparing

bool AxisData::Equals(AxisData& other) {
  if (!CanCompareWithAxisData(other))
    return true;
  // The same bytes read the same way give the same values: no signature is
  // needed (slaves are compared with their masters at every build).
  if (ReadsLike(other) && byte_data_->GetBytes() == other.byte_data_->GetBytes())
    return true;
  return GetCurrentSig() == other.GetCurrentSig();
}

bool AxisData::ReadsLike(const AxisData& other) const {
  return IsDataValid() && other.IsDataValid() && byte_data_ && other.byte_data_ &&
         axis_->GetDataType() == other.axis_->GetDataType() && width_ == other.width_ &&
         stride_ == other.stride_ && count_ == other.count_ && endian_ == other.endian_ &&
         std::equal(std::begin(mask_bytes_), std::end(mask_bytes_),
                    std::begin(other.mask_bytes_)) &&
         GetPrecision() == other.GetPrecision() && axis_->GetDataType() != nullptr;
}

bool AxisData::Equals(const AxisData& other, Parser& parser) const {
  if (!CanCompareWithAxisData(other))
    return true;
  if (!IsDataValid() || GetAxisCount() != other.GetAxisCount() || ReadableCount() != count_)
    return false;
  const std::vector<double> values = other.GetDoubleList(parser);
  if (values.size() != count_)
    return false;
  const unsigned char* bytes = byte_data_->GetBytes().data();
  for (unsigned int i = 0; i < count_; ++i) {
    const unsigned char* element = bytes + static_cast<size_t>(i) * stride_;
    // Merged into the stored bytes under the mask, the value changes nothing
    // exactly when the masked bits agree.
    if (!EncodeMerged(values[i], element) ||
        std::memcmp(write_scratch_.bytes.data(), element, width_) != 0)
      return false;
  }
  return true;
}

std::vector<unsigned int> AxisData::GetDifferentSegmentIndexes(AxisData& other) {
  std::vector<unsigned int> indexes;
  if (Equals(other))
    return indexes;
  EnsureCurrentSignatures();
  other.EnsureCurrentSignatures();
  const size_t n = std::min(segment_sigs_.size(), other.segment_sigs_.size());
  for (size_t s = 0; s < n; ++s) {
    if (segment_sigs_[s].current_sig != other.segment_sigs_[s].current_sig)
      indexes.push_back(static_cast<unsigned int>(s));
  }
  return indexes;
}

bool AxisData::CopyAxis(const AxisData& other) {
  return PutDoubleList(other.GetDoubleList());
}

bool AxisData::CopyAxis(const AxisData& other, Parser& parser) {
  return PutDoubleList(other.GetDoubleList(parser));
}

}  // namespace vehicle
