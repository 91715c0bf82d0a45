#include "vehicle/loading/AxisSignatureStrategy.h"

#include <cmath>
#include <cstdint>
#include <iomanip>
#include <limits>
#include <sstream>

#include "outside/Md5.h"

namespace {

using vehicle::Axis;

std::string Md5Text(const std::string& text) {
  std::string digest;
  pkg::md5Buffer(text.data(), text.size(), digest);
  return digest;
}

// Signature texts are built by appending decimal numbers (what a stream
// writes for them) to one string: thousands of axes are signed per load, and
// a string stream per text cost more than the digests themselves.
void AppendOffsetAndCount(std::string& out, uint32_t offset, uint32_t count) {
  out += std::to_string(offset);
  out += std::to_string(count);
}

// One run offset followed by the axis count, or "11" for an absent offset.
void AppendOffset(std::string& out, uint32_t offset, uint32_t count) {
  if (offset == Axis::NOT_SET) {
    out += "11";
  } else {
    AppendOffsetAndCount(out, offset, count);
  }
}

}  // namespace

// ------------------------------------------------------------------ shared

std::string SharedAxisSignatureStrategy::GenerateNonSpecialAxisDef(
    const std::shared_ptr<Axis>& axis) const {
  std::string out;
  const Axis::natural_offsets_t& natural = axis->GetNaturalOffsets();
  const uint32_t count = axis->GetCount();
  if (natural.offset_count == Axis::NOT_SET) {
    out += "11";
  } else {
    for (uint32_t offset : natural.rom_offsets)
      AppendOffsetAndCount(out, offset, count);
    if (natural.rom_offsets.empty())
      out += "11";
    for (uint32_t offset : natural.ram_offsets)
      AppendOffsetAndCount(out, offset, count);
    if (natural.ram_offsets.empty())
      out += "11";
  }
  const auto& runs = axis->GetDataOffsets();
  if (runs.empty())
    out += "11";
  for (const Axis::data_offsets_t& run : runs) {
    AppendOffset(out, run.rom_offset, count);
    AppendOffset(out, run.ram_offset, count);
  }
  return out;
}

std::string SharedAxisSignatureStrategy::GenerateSpecialAxisLabelDef(
    const std::shared_ptr<Axis>& axis) const {
  std::string out = axis->GetObjId();
  for (const std::string& label : axis->GetLabels())
    out += label;
  return out;
}

std::string SharedAxisSignatureStrategy::GenerateSpecialAxisXCalcDef(
    const std::shared_ptr<Axis>& axis) const {
  std::ostringstream out;
  out << static_cast<const void*>(axis.get());
  return out.str();
}

std::string SharedAxisSignatureStrategy::GetUniqueAxisString(
    const std::shared_ptr<Axis>& axis) const {
  if (axis->IsLabels())
    return GenerateSpecialAxisLabelDef(axis);
  if (axis->IsCalculated())
    return GenerateSpecialAxisXCalcDef(axis);
  return GenerateNonSpecialAxisDef(axis);
}

std::string SharedAxisSignatureStrategy::GenerateUniqueStringForAxisDimensions(
    const std::shared_ptr<Axis>& axis) const {
  const double x = axis->GetDimensions().x;
  const double y = axis->GetDimensions().y;
  const double pairing = (x + y) * 0.5 * (x + y + 1) + y;
  // Unset dimensions make the value too large for 32 bits, where the cast
  // would be undefined; such values are written whole instead.
  if (pairing <= static_cast<double>(std::numeric_limits<int32_t>::max())) {
    return std::to_string(static_cast<int32_t>(pairing));
  }
  std::ostringstream out;
  out << std::fixed << std::setprecision(0) << std::floor(pairing);
  return out.str();
}

std::string SharedAxisSignatureStrategy::GenerateDataSignatureText(
    const std::shared_ptr<Axis>& axis) const {
  std::string out = GetUniqueAxisString(axis);
  out += '_';
  out += std::to_string(static_cast<int32_t>(axis->GetSpecialType()));
  return out;
}

std::string SharedAxisSignatureStrategy::GenerateDefSignatureText(
    const std::shared_ptr<Axis>& axis) const {
  std::string out = axis->GetDataTypeId();
  out += GetUniqueAxisString(axis);
  out += GenerateUniqueStringForAxisDimensions(axis);
  out += '_';
  out += std::to_string(static_cast<int32_t>(axis->GetSpecialType()));
  return out;
}

std::string SharedAxisSignatureStrategy::GenerateDataSignature(
    const std::shared_ptr<Axis>& axis) const {
  const std::string signature = Md5Text(GenerateDataSignatureText(axis));
  axis->SetDataSignature(signature);
  return signature;
}

std::string SharedAxisSignatureStrategy::GenerateDefSignature(
    const std::shared_ptr<Axis>& axis) const {
  const std::string signature = Md5Text(GenerateDefSignatureText(axis));
  axis->SetDefSignature(signature);
  return signature;
}

void SharedAxisSignatureStrategy::GenerateSignatures(std::shared_ptr<Axis> axis) {
  if (!axis)
    return;
  GenerateDataSignature(axis);
  GenerateDefSignature(axis);
}

// ------------------------------------------------------------------ unique

std::string UniqueAxisSignatureStrategy::GenerateDataSignatureText(
    const std::shared_ptr<Axis>& axis) const {
  std::ostringstream out;
  out << static_cast<const void*>(axis.get()) << "_"
      << static_cast<int32_t>(axis->GetSpecialType());
  return out.str();
}

std::string UniqueAxisSignatureStrategy::GenerateDefSignatureText(
    const std::shared_ptr<Axis>& axis) const {
  std::ostringstream out;
  out << static_cast<const void*>(axis.get()) << "_def_" << axis->GetDataTypeId() << "_"
      << static_cast<int32_t>(axis->GetSpecialType());
  return out.str();
}

std::string UniqueAxisSignatureStrategy::GenerateDataSignature(
    const std::shared_ptr<Axis>& axis) const {
  const std::string signature = Md5Text(GenerateDataSignatureText(axis));
  axis->SetDataSignature(signature);
  return signature;
}

std::string UniqueAxisSignatureStrategy::GenerateDefSignature(
    const std::shared_ptr<Axis>& axis) const {
  const std::string signature = Md5Text(GenerateDefSignatureText(axis));
  axis->SetDefSignature(signature);
  return signature;
}

void UniqueAxisSignatureStrategy::GenerateSignatures(std::shared_ptr<Axis> axis) {
  if (!axis)
    return;
  GenerateDataSignature(axis);
  GenerateDefSignature(axis);
}
