#include "vehicle/definition/Table.h"

#include <tinyxml.h>

#include "util/XmlRead.h"

namespace vehicle {

namespace {

bool ReadList(const TiXmlElement* element, const char* name, std::vector<std::string>& out) {
  const char* text = util::FindXmlValue(element, name);
  if (text == nullptr)
    return false;
  out = util::SplitList(text);
  return true;
}

template <class E>
bool ReadWord(const TiXmlElement* element, const char* name,
              const util::enum_map<E, std::string>& table, E& out) {
  std::string text;
  if (!util::ReadXmlValue(element, name, text))
    return false;
  out = util::FindEnumValue(table, util::ToLower(text));
  return true;
}

bool ReadNumberFlag(const TiXmlElement* element, const char* name, bool& out) {
  return util::ReadXmlFlag(element, name, out);
}

}  // namespace

bool LegacyTableCopyGroup::IsSwitchable() const {
  if (group_id != NOT_SET && table_id != NOT_SET)
    return true;
  return !name.empty();
}

Table::Table() : BaseVehicleDefObj("table") {}

// ---------------------------------------------------------------- reading

int32_t Table::DoRead(const TiXmlElement* /*element*/, std::string& error, bool /*not_first*/) {
  const TiXmlElement* element = GetCurrentElement();
  if (element == nullptr)
    return READ_FAILED;
  ReadAttrs(element);
  if (!ReadAxes(error))
    return READ_FAILED;
  return ReadAdjustmentParams(error) ? READ_OK : READ_FAILED;
}

void Table::ReadAttrs(const TiXmlElement* element) {
  if (util::ReadXmlValue(element, "master_table", master_table_id_)) {
    slave_ = true;
    if (!util::ReadXmlValue(element, "master_z_conv", master_transform_))
      master_transform_.clear();
  }
  if (ReadNumberFlag(element, "restricted", table_restricted_))
    SetRestricted(table_restricted_);
  ReadList(element, "group", group_ids_);
  ReadNumberFlag(element, "adjustable", adjustable_);
  ReadList(element, "adjustment_enable_id", adjustment_.enable_table_ids);
  util::ReadXmlUnsigned(element, "enabled_value", adjustment_.enabled_value);
  ReadWord(element, "type", priv::GetTableTypeStrs(), table_type_);
  ReadWord(element, "read_type", priv::GetTableReadStrs(), read_type_);
  uint32_t number = 0;
  // Written as unsigned numbers; "-1" wraps to all bits set and so reads as -1.
  if (util::ReadXmlUnsigned(element, "group_id", number)) {
    legacy_copy_group_.group_id = static_cast<int32_t>(number);
  }
  if (util::ReadXmlUnsigned(element, "table_id", number)) {
    legacy_copy_group_.table_id = static_cast<int32_t>(number);
  }
  ReadNumberFlag(element, "ephemeral", ephemeral_);
}

bool Table::ReadAxisData(const TiXmlElement* element, axes_t& axes, std::string& error) {
  bool result = true;
  // The probe reads each axis element's type; a fresh one is made only after
  // one has been read, and none after the last element.
  auto probe = std::make_shared<Axis>();
  const TiXmlElement* axis_element = probe->ReadType(element, false);
  while (axis_element != nullptr) {
    bool probe_read = false;
    const axis_types_t role = probe->GetAxisType();
    if (role == AXIS_INVALID) {
      error += GenerateParseErrorForMissingTag("type");
      result = false;
    } else {
      auto existing = axes.find(role);
      if (existing != axes.end() && existing->second) {
        existing->second->Read(axis_element, error, true);
      } else {
        probe_read = true;
        if (probe->Read(axis_element, error, false) != READ_SKIPPED_INTERNAL)
          axes[role] = probe;
      }
    }
    // The next axis element is found once, before a probe is made for it.
    const TiXmlElement* next = util::NextSiblingElement(axis_element, "axis");
    if (next == nullptr)
      break;
    if (probe_read)
      probe = std::make_shared<Axis>();
    axis_element = probe->ReadTypeOf(next);
  }
  return result;
}

bool Table::ReadAxes(std::string& error) {
  const bool result = ReadAxisData(GetCurrentElement(), axes_, error);

  switch (axes_.size()) {
    case 1:
      table_type_ = TABLE_DATA;
      break;
    case 2:
      table_type_ = TABLE_2D;
      break;
    case 3:
      table_type_ = TABLE_3D;
      break;
    case 4:
      table_type_ = TABLE_4D;
      break;
    default:
      table_type_ = TABLE_INVALID;
      break;
  }

  // A table without a z axis is rejected by Validate; nothing to shape here.
  if (std::shared_ptr<Axis> z = GetAxis(AXIS_Z)) {
    if (table_type_ == TABLE_DATA) {
      z->AdjustDimensions(1, z->GetCount(), 1);
    } else {
      const Axis::dimensions_t& d = z->GetDimensions();
      if (d.x == Axis::NOT_SET || d.y == Axis::NOT_SET || d.z == Axis::NOT_SET) {
        auto count_of = [this](axis_types_t role) -> uint32_t {
          std::shared_ptr<Axis> axis = GetAxis(role);
          return axis && axis->GetCount() != Axis::NOT_SET ? axis->GetCount() : 1;
        };
        z->AdjustDimensions(count_of(AXIS_W), count_of(AXIS_X), count_of(AXIS_Y));
      }
    }
  }

  if (table_restricted_) {
    for (auto& entry : axes_) {
      if (entry.second)
        entry.second->SetResticted();
    }
  }
  return result;
}

bool Table::ReadAdjustmentParams(std::string& error) {
  const TiXmlElement* params = util::FirstChildElement(GetCurrentElement(), "adjustment_params");
  if (params == nullptr)
    return true;
  if (!ReadWord(params, "axis_type", priv::GetAxisStrs(), adjustment_.axis_type)) {
    error += GenerateParseErrorForMissingTag("axis_type");
    return false;
  }
  const TiXmlElement* comms = util::FirstChildElement(params, "comms");
  if (comms == nullptr) {
    error += GenerateParseErrorForMissingTag("comms");
    return false;
  }
  ReadWord(comms, "module_id", priv::GetModulesStrs(), adjustment_.module);
  ReadWord(comms, "protocol", Ecu::GetMonitorProtocolStrs(), adjustment_.protocol);
  std::vector<std::string> ids;
  if (ReadList(comms, "data_ident", ids)) {
    adjustment_.data_identifier.clear();
    for (const std::string& id : ids) {
      adjustment_.data_identifier.push_back(static_cast<uint8_t>(util::ParseUnsigned(id)));
    }
  }
  if (adjustment_.data_identifier.empty()) {
    util::ReadXmlUnsigned(comms, "address", adjustment_.address);
  } else {
    adjustment_.address = NOT_SET;
    util::ReadXmlUnsigned(comms, "offset", adjustment_.offset);
  }
  return true;
}

// ---------------------------------------------------------------- queries

std::shared_ptr<Axis> Table::GetAxis(axis_types_t role) const {
  auto found = axes_.find(role);
  return found != axes_.end() ? found->second : nullptr;
}

void Table::AdjustType(table_types_t type, const std::shared_ptr<Axis>& z,
                       const std::shared_ptr<Axis>& x, const std::shared_ptr<Axis>& y) {
  table_type_ = type;
  axes_.clear();
  if (z)
    axes_[AXIS_Z] = z;
  if (x)
    axes_[AXIS_X] = x;
  if (y)
    axes_[AXIS_Y] = y;
}

bool Table::IsAdjustmentEnableTable() const {
  return HasAdjustmentParams() && !adjustment_.enable_table_ids.empty();
}

bool Table::HasRamAxes() const {
  return read_type_ == READ_REAL || read_type_ == READ_BASE_REAL;
}

bool Table::HasRamOnlyAxis() const {
  for (const auto& entry : axes_) {
    if (entry.second && entry.second->GetReadType() == READ_REAL)
      return true;
  }
  return false;
}

bool Table::HasRomAxes() const {
  for (const auto& entry : axes_) {
    if (entry.second && entry.second->HasRomOffsets())
      return true;
  }
  return false;
}

bool Table::IsRamOnly() const {
  if (axes_.empty())
    return false;
  for (const auto& entry : axes_) {
    if (!entry.second || entry.second->GetReadType() != READ_REAL)
      return false;
  }
  return true;
}

table_read_types_t Table::GetReadType() const {
  if (read_type_ != READ_INVALID)
    return read_type_;
  bool real = false, base_real = false, base = false;
  for (const auto& entry : axes_) {
    if (!entry.second)
      continue;
    switch (entry.second->GetReadType()) {
      case READ_REAL:
        real = true;
        break;
      case READ_BASE_REAL:
        base_real = true;
        break;
      case READ_BASE:
        base = true;
        break;
      default:
        break;
    }
  }
  if (base && real && !base_real)
    return READ_BASE_REAL;
  if (real || base_real)
    return READ_REAL;
  return legacy_copy_group_.IsSwitchable() ? READ_SWITCHABLE : READ_BASE;
}

Table::icon_type_t Table::GetIconType() const {
  bool rom = false, ram = false;
  for (const auto& entry : axes_) {
    if (!entry.second)
      continue;
    switch (entry.second->GetReadType()) {
      case READ_REAL:
        ram = true;
        break;
      case READ_BASE:
        rom = true;
        break;
      case READ_BASE_REAL:
        rom = ram = true;
        break;
      default:
        break;
    }
  }
  if (table_restricted_)
    return ICON_RESTRICTED;
  if (rom && ram)
    return ICON_ROM_AND_RAM;
  if (ram)
    return ICON_RAM_ONLY;
  if (legacy_copy_group_.IsSwitchable() || read_type_ == READ_SWITCHABLE)
    return ICON_SWITCHABLE;
  return ICON_ROM;
}

// ---------------------------------------------------------------- changes

void Table::AdjustOffsets(const IECUOffsetTranslator& translator) {
  for (auto& entry : axes_) {
    if (entry.second)
      entry.second->AdjustOffsets(translator);
  }
}

bool Table::ResolveReferences(const AxisHash& shared_axes) {
  for (auto& entry : axes_) {
    if (!entry.second)
      continue;
    auto found = shared_axes.data.find(entry.second->GetDefSignature());
    if (found != shared_axes.data.end() && found->second)
      entry.second = found->second;
  }
  return true;
}

bool Table::ResolveReferences(const DataTypeHash& data_types) {
  bool all = true;
  for (auto& entry : axes_) {
    if (!entry.second || !entry.second->ResolveReferences(data_types))
      all = false;
  }
  return all;
}

bool Table::ResolveReferences(const GroupHash& groups) {
  bool all = true;
  for (const std::string& id : group_ids_) {
    auto found = groups.data.find(id);
    if (found == groups.data.end()) {
      all = false;
    } else {
      groups_.data.insert_or_keep(id, found->second);  // a group named twice is held once
    }
  }
  return all;
}

// ---------------------------------------------------------------- validation

bool Table::HasAxesForType() const {
  auto has = [this](axis_types_t role) { return axes_.count(role) != 0; };
  switch (table_type_) {
    case TABLE_DATA:
      return axes_.size() == 1 && has(AXIS_Z);
    case TABLE_2D:
      return axes_.size() == 2 && has(AXIS_Z) && (has(AXIS_X) || has(AXIS_Y));
    case TABLE_3D:
      return axes_.size() == 3 && has(AXIS_Z) && has(AXIS_X) && has(AXIS_Y);
    case TABLE_4D:
      return axes_.size() == 4 && has(AXIS_Z) && has(AXIS_W) && has(AXIS_X) && has(AXIS_Y);
    default:
      return false;
  }
}

validate_codes_t Table::Validate() {
  if (GetObjId().empty())
    return INVALID_ID;
  if ((!master_table_id_.empty() && !slave_) || (slave_ && master_table_id_.empty())) {
    return INVALID_MASTER;
  }
  if (group_ids_.empty())
    return INVALID_GROUP;
  for (const std::string& id : group_ids_) {
    if (!groups_.dataExists(id))
      return INVALID_GROUP;
  }
  const bool legacy_numbers = legacy_copy_group_.group_id != LegacyTableCopyGroup::NOT_SET ||
                              legacy_copy_group_.table_id != LegacyTableCopyGroup::NOT_SET;
  if (legacy_numbers && legacy_copy_group_.name.empty() && groups_.size() != 1) {
    return INVALID_GROUP;
  }

  read_type_ = GetReadType();
  if (legacy_numbers && legacy_copy_group_.name.empty()) {
    legacy_copy_group_.name =
        groups_.begin()->second ? groups_.begin()->second->GetObjId() : groups_.begin()->first;
  }

  if (table_type_ < TABLE_DATA || table_type_ > TABLE_4D)
    return INVALID_TABLE_TYPE;
  if (!HasAxesForType())
    return INVALID_AXES_FOR_TYPE;
  for (auto& entry : axes_) {
    if (!entry.second || entry.second->Validate() != Axis::VALID)
      return INVALID_AXIS;
  }
  if (adjustable_) {
    std::shared_ptr<Axis> z = GetAxis(AXIS_Z);
    if (table_type_ != TABLE_DATA || !z || !z->HasRamOffsets() || !z->GetDataType() ||
        z->GetDataType()->std_conv.type == VehicleV2::CONV_INVALID) {
      return INVALID_ADJUSTABLE;
    }
  }
  if (ephemeral_) {
    for (const auto& entry : axes_) {
      if (!entry.second->IsReadOnly())
        return INVALID_AXIS;
    }
  }
  return VALID;
}

}  // namespace vehicle
