#include "import/SourceModel.h"

#include "import/SourceValues.h"

namespace import {

const char* FormatName(SourceFormat format) {
  return format == SourceFormat::kRomRaider ? "RomRaider" : "EcuFlash";
}

TableKind KindFromWord(const std::string& word) {
  const std::string lower = Lower(Trim(word));
  if (lower == "1d")
    return TableKind::k1D;
  if (lower == "2d")
    return TableKind::k2D;
  if (lower == "3d")
    return TableKind::k3D;
  if (lower == "switch")
    return TableKind::kSwitch;
  if (lower == "bitwiseswitch")
    return TableKind::kBitwiseSwitch;
  return TableKind::kUnknown;
}

bool AxisFromWord(const std::string& word, AxisRole& role, bool& is_static) {
  std::string lower = Lower(Trim(word));
  is_static = lower.compare(0, 7, "static ") == 0;
  if (is_static)
    lower = lower.substr(7);
  if (lower == "x axis") {
    role = AxisRole::kX;
  } else if (lower == "y axis") {
    role = AxisRole::kY;
  } else {
    return false;
  }
  return true;
}

std::string SourceRom::RomId(const std::string& name) const {
  for (const auto& field : romid) {
    if (field.first == name)
      return field.second;
  }
  return "";
}

}  // namespace import
