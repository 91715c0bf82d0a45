#pragma once

#include <boost/serialization/base_object.hpp>
#include <boost/serialization/map.hpp>
#include <boost/serialization/shared_ptr.hpp>
#include <boost/serialization/string.hpp>
#include <boost/serialization/vector.hpp>
#include <cstdint>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "util/DataHash.h"
#include "util/EnumMap.h"
#include "vehicle/Enumerations.h"
#include "vehicle/definition/Axis.h"
#include "vehicle/definition/BaseVehicleDefObj.h"
#include "vehicle/definition/Group.h"
#include "vehicle/monitor/MonitorProtocols.h"

namespace vehicle {

// The copy-group numbers of older definitions. A number of -2 is absent.
struct LegacyTableCopyGroup {
  static constexpr int32_t NOT_SET = -2;

  int32_t group_id = NOT_SET;
  std::string name;  // filled by Table::Validate from the table's group
  int32_t table_id = NOT_SET;

  // Both numbers set, or else a name.
  bool IsSwitchable() const;

  template <class Archive>
  void serialize(Archive& ar, const unsigned int /*version*/) {
    ar& group_id;
    ar& name;
    ar& table_id;
  }
};

// One calibration map: its axes by role, the groups it belongs to, its
// master (when it is a slave), how it is read, and how it may be adjusted
// live over the diagnostic link.
class Table : public BaseVehicleDefObj {
 public:
  static constexpr uint32_t NOT_SET = 0xFFFFFFFFu;

  typedef util::enum_map<axis_types_t, std::shared_ptr<Axis>> axes_t;
  // Axes keyed by definition signature.
  typedef util::DataHash<std::string, std::shared_ptr<Axis>> AxisHash;

  enum validate_code_t : validate_codes_t {
    VALID = 0,
    INVALID_ID = 1,
    INVALID_AXIS = 20,
    INVALID_GROUP = 21,
    INVALID_TABLE_TYPE = 22,
    INVALID_AXES_FOR_TYPE = 24,
    INVALID_MASTER = 27,
    INVALID_ADJUSTABLE = 40,
  };

  // What GetIconType returns.
  enum icon_type_t : int32_t {
    ICON_ROM = 0,
    ICON_RAM_ONLY = 1,
    ICON_ROM_AND_RAM = 2,
    ICON_SWITCHABLE = 3,
    ICON_RESTRICTED = 4,
  };

  // How the device adjusts the table live.
  struct adjustment_params_t {
    uint32_t address = NOT_SET;
    axis_types_t axis_type = AXIS_INVALID;
    uint32_t enabled_value = NOT_SET;
    std::vector<std::string> enable_table_ids;
    std::vector<uint8_t> data_identifier;
    modules_t module = static_cast<modules_t>(-1);
    uint32_t offset = NOT_SET;
    Ecu::MonitorProtocols_e protocol = Ecu::MONITOR_PROTOCOL_INVALID;
  };

  Table();

  const char* DebugGetClassName() const override { return "Table"; }

  // Reads the attributes, the axes and the adjustment parameters. READ_FAILED
  // when an axis lacks a known role or the adjustment parameters are
  // incomplete; what was read is kept.
  int32_t DoRead(const TiXmlElement* element, std::string& error, bool not_first) override;

  // 0 when usable; otherwise the first failing rule's code. Once the id,
  // master and group rules pass, makes the read type explicit and names the
  // legacy copy group after the table's group.
  validate_codes_t Validate() override;

  table_types_t GetTableType() const { return table_type_; }
  void SetTableType(table_types_t type) { table_type_ = type; }
  bool IsSlave() const { return slave_; }
  void SetIsSlave(bool slave) { slave_ = slave; }
  bool IsHidden() const { return slave_; }
  const std::string& GetMasterTableId() const { return master_table_id_; }
  void SetMasterTableId(const std::string& id) { master_table_id_ = id; }
  const std::string& GetTransformForMasterToSlaveDataCopy() const { return master_transform_; }
  // The table's own "restricted" value; kept in step with the base's flag.
  bool IsRestricted() const { return table_restricted_; }
  void SetRestricted(bool restricted) {
    table_restricted_ = restricted;
    BaseVehicleDefObj::SetRestricted(restricted);
  }
  bool IsAdjustable() const { return adjustable_; }
  bool IsEphemeral() const { return ephemeral_; }
  const std::vector<std::string>& GetGroupIds() const { return group_ids_; }
  GroupHash& GetGroups() { return groups_; }
  const GroupHash& GetGroups() const { return groups_; }
  axes_t& GetAxes() { return axes_; }
  const axes_t& GetAxes() const { return axes_; }
  LegacyTableCopyGroup& GetLegacyTableCopyGroup() { return legacy_copy_group_; }
  const LegacyTableCopyGroup& GetLegacyTableCopyGroup() const { return legacy_copy_group_; }
  const adjustment_params_t& GetAdjustmentParams() const { return adjustment_; }

  // The axis of that role, or null.
  std::shared_ptr<Axis> GetAxis(axis_types_t role) const;
  void SetAxis(axis_types_t role, const std::shared_ptr<Axis>& axis) { axes_[role] = axis; }
  // Replaces the type and the axes; null axes are left out.
  void AdjustType(table_types_t type, const std::shared_ptr<Axis>& z,
                  const std::shared_ptr<Axis>& x, const std::shared_ptr<Axis>& y);

  bool HasAdjustmentParams() const { return adjustment_.axis_type != AXIS_INVALID; }
  bool IsAdjustmentEnableTable() const;

  // The explicit read type is "real" or "base_real".
  bool HasRamAxes() const;
  bool HasRamOnlyAxis() const;
  bool HasRomAxes() const;
  bool IsRamOnly() const;

  table_read_types_t GetReadType() const;
  icon_type_t GetIconType() const;

  void AdjustOffsets(const IECUOffsetTranslator& translator);

  // Replaces each axis by the one stored under its definition signature.
  bool ResolveReferences(const AxisHash& shared_axes);
  // Resolves every axis's data type; false when any fails.
  bool ResolveReferences(const DataTypeHash& data_types);
  // Adds the group of every group id; false when any is missing.
  bool ResolveReferences(const GroupHash& groups);

 private:
  friend class boost::serialization::access;
  template <class Archive>
  void serialize(Archive& ar, const unsigned int /*version*/) {
    ar& boost::serialization::base_object<BaseVehicleDefObj>(*this);
    ar& master_table_id_;
    ar& slave_;
    ar& table_restricted_;
    ar& table_type_;
    ar& static_cast<std::map<axis_types_t, std::shared_ptr<Axis>>&>(axes_);
    // Only a damaged cache file holds an empty axis; the table then lacks it.
    for (auto it = axes_.begin(); it != axes_.end();) {
      it = it->second ? std::next(it) : axes_.erase(it);
    }
    ar& legacy_copy_group_;
    ar& master_transform_;
    ar& read_type_;
    ar& group_ids_;
    ar& adjustable_;
    ar& ephemeral_;
    ar& adjustment_.address;
    ar& adjustment_.axis_type;
    ar& adjustment_.enable_table_ids;
    ar& adjustment_.enabled_value;
    ar& adjustment_.data_identifier;
    ar& adjustment_.module;
    ar& adjustment_.offset;
    ar& adjustment_.protocol;
    if (Archive::is_loading::value)
      SetRestricted(table_restricted_);
  }

  void ReadAttrs(const TiXmlElement* element);
  bool ReadAxisData(const TiXmlElement* element, axes_t& axes, std::string& error);
  bool ReadAxes(std::string& error);
  bool ReadAdjustmentParams(std::string& error);
  // The rule for code 24: exactly the axes the table type calls for.
  bool HasAxesForType() const;

  std::string master_transform_;
  std::string master_table_id_;
  GroupHash groups_;
  axes_t axes_;
  bool slave_ = false;
  bool table_restricted_ = false;
  table_types_t table_type_ = TABLE_INVALID;
  table_read_types_t read_type_ = READ_INVALID;
  std::vector<std::string> group_ids_;
  bool adjustable_ = false;
  bool ephemeral_ = false;
  LegacyTableCopyGroup legacy_copy_group_;
  adjustment_params_t adjustment_;
};

}  // namespace vehicle
