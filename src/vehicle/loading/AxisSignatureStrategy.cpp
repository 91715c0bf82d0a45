#include "vehicle/loading/AxisSignatureStrategy.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <iomanip>
#include <limits>
#include <sstream>
#include <utility>

#include "outside/Md5.h"

namespace {

using vehicle::Axis;

std::string Md5Text(const std::string& text) {
  std::string digest;
  pkg::md5Buffer(text.data(), text.size(), digest);
  return digest;
}

// Signature texts are built by appending decimal numbers (what a stream
// writes for them) to one reused string: thousands of axes are signed per
// load, and temporary strings cost more than the digests themselves.
template <class Int>
void AppendDecimal(std::string& out, Int value) {
  char digits[24];
  const std::to_chars_result end = std::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, end.ptr);
}

void AppendOffsetAndCount(std::string& out, uint32_t offset, uint32_t count) {
  AppendDecimal(out, offset);
  AppendDecimal(out, count);
}

// One run offset followed by the axis count, or "11" for an absent offset.
void AppendOffset(std::string& out, uint32_t offset, uint32_t count) {
  if (offset == Axis::NOT_SET) {
    out += "11";
  } else {
    AppendOffsetAndCount(out, offset, count);
  }
}

void AppendNonSpecialAxisDef(const Axis& axis, std::string& out) {
  const Axis::natural_offsets_t& natural = axis.GetNaturalOffsets();
  const uint32_t count = axis.GetCount();
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
  const auto& runs = axis.GetDataOffsets();
  if (runs.empty())
    out += "11";
  for (const Axis::data_offsets_t& run : runs) {
    AppendOffset(out, run.rom_offset, count);
    AppendOffset(out, run.ram_offset, count);
  }
}

void AppendSpecialAxisLabelDef(const Axis& axis, std::string& out) {
  out += axis.GetObjId();
  for (const std::string& label : axis.GetLabels())
    out += label;
}

void AppendSpecialAxisXCalcDef(const Axis& axis, std::string& out) {
  std::ostringstream address;
  address << static_cast<const void*>(&axis);
  out += address.str();
}

void AppendUniqueAxisString(const Axis& axis, std::string& out) {
  if (axis.IsLabels()) {
    AppendSpecialAxisLabelDef(axis, out);
  } else if (axis.IsCalculated()) {
    AppendSpecialAxisXCalcDef(axis, out);
  } else {
    AppendNonSpecialAxisDef(axis, out);
  }
}

void AppendDimensionsPairing(const Axis& axis, std::string& out) {
  const double x = axis.GetDimensions().x;
  const double y = axis.GetDimensions().y;
  const double pairing = (x + y) * 0.5 * (x + y + 1) + y;
  // Unset dimensions make the value too large for 32 bits, where the cast
  // would be undefined; such values are written whole instead.
  if (pairing <= static_cast<double>(std::numeric_limits<int32_t>::max())) {
    AppendDecimal(out, static_cast<int32_t>(pairing));
    return;
  }
  std::ostringstream whole;
  whole << std::fixed << std::setprecision(0) << std::floor(pairing);
  out += whole.str();
}

void AppendSpecialTypeSuffix(const Axis& axis, std::string& out) {
  out += '_';
  AppendDecimal(out, static_cast<int32_t>(axis.GetSpecialType()));
}

void AppendDataSignatureText(const Axis& axis, std::string& out) {
  AppendUniqueAxisString(axis, out);
  AppendSpecialTypeSuffix(axis, out);
}

void AppendDefSignatureText(const Axis& axis, std::string& out) {
  out += axis.GetDataTypeId();
  AppendUniqueAxisString(axis, out);
  AppendDimensionsPairing(axis, out);
  AppendSpecialTypeSuffix(axis, out);
}

// The MD5 text of the signature text `append` writes, built in one buffer
// reused for every axis of a load.
std::string SignText(const Axis& axis, void (*append)(const Axis&, std::string&)) {
  thread_local std::string text;
  text.clear();
  append(axis, text);
  std::string digest;
  pkg::md5Buffer(text.data(), text.size(), digest);
  return digest;
}

}  // namespace

// ------------------------------------------------------------------ shared

std::string SharedAxisSignatureStrategy::GenerateNonSpecialAxisDef(
    const std::shared_ptr<Axis>& axis) const {
  std::string out;
  AppendNonSpecialAxisDef(*axis, out);
  return out;
}

std::string SharedAxisSignatureStrategy::GenerateSpecialAxisLabelDef(
    const std::shared_ptr<Axis>& axis) const {
  std::string out;
  AppendSpecialAxisLabelDef(*axis, out);
  return out;
}

std::string SharedAxisSignatureStrategy::GenerateSpecialAxisXCalcDef(
    const std::shared_ptr<Axis>& axis) const {
  std::string out;
  AppendSpecialAxisXCalcDef(*axis, out);
  return out;
}

std::string SharedAxisSignatureStrategy::GetUniqueAxisString(
    const std::shared_ptr<Axis>& axis) const {
  std::string out;
  AppendUniqueAxisString(*axis, out);
  return out;
}

std::string SharedAxisSignatureStrategy::GenerateUniqueStringForAxisDimensions(
    const std::shared_ptr<Axis>& axis) const {
  std::string out;
  AppendDimensionsPairing(*axis, out);
  return out;
}

std::string SharedAxisSignatureStrategy::GenerateDataSignatureText(
    const std::shared_ptr<Axis>& axis) const {
  std::string out;
  AppendDataSignatureText(*axis, out);
  return out;
}

std::string SharedAxisSignatureStrategy::GenerateDefSignatureText(
    const std::shared_ptr<Axis>& axis) const {
  std::string out;
  AppendDefSignatureText(*axis, out);
  return out;
}

std::string SharedAxisSignatureStrategy::GenerateDataSignature(
    const std::shared_ptr<Axis>& axis) const {
  std::string signature = SignText(*axis, AppendDataSignatureText);
  axis->SetDataSignature(signature);
  return signature;
}

std::string SharedAxisSignatureStrategy::GenerateDefSignature(
    const std::shared_ptr<Axis>& axis) const {
  std::string signature = SignText(*axis, AppendDefSignatureText);
  axis->SetDefSignature(signature);
  return signature;
}

// GenerateDataSignature then GenerateDefSignature, without returning copies.
void SharedAxisSignatureStrategy::GenerateSignatures(std::shared_ptr<Axis> axis) {
  if (!axis)
    return;
  axis->SetDataSignature(SignText(*axis, AppendDataSignatureText));
  axis->SetDefSignature(SignText(*axis, AppendDefSignatureText));
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
