#pragma once

#include <boost/serialization/access.hpp>
#include <boost/serialization/base_object.hpp>
#include <boost/serialization/string.hpp>
#include <boost/serialization/vector.hpp>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "util/DataHash.h"
#include "vehicle/Enumerations.h"
#include "vehicle/definition/BaseVehicleDefObj.h"
#include "vehicle/monitor/MonitorProtocols.h"

namespace vehicle {

class DataType;
class Group;

// One live-data value the device can request from an ECU module: which module
// answers, by which protocol, at which address or under which identifier, how
// the reply is typed (a data type) and the display range. A compound monitor
// requests nothing itself; it combines its input monitors through the compound
// expression of its data type.
//
// Read from a "monitor" element; the data type, groups and inputs are given as
// ids and resolved afterwards by the ResolveReferences overloads.
class Monitor : public BaseVehicleDefObj {
 public:
  using DataTypeStore = util::DataHash<std::string, std::shared_ptr<DataType>>;
  using GroupStore = util::DataHash<std::string, std::shared_ptr<Group>>;
  using MonitorStore = util::DataHash<std::string, std::shared_ptr<Monitor>>;

  // Codes Validate returns.
  enum : validate_codes_t {
    VALID = 0,
    INVALID_ID = 1,
    INVALID_PROTOCOL = 5,
    INVALID_DISPLAY_RANGE = 10,
    INVALID_ADDRESS = 17,
    INVALID_DATA_TYPE = 19,
    INVALID_MODULE = 38,
    CYCLIC_DEPENDENCY = 39,
    UNRESOLVED_INPUTS = 41,
    INVALID_OFFSET = 43,
    INVALID_IDS = 44,
  };

  // Marker of an address or offset that is not set.
  static constexpr uint32_t NOT_SET = 0xFFFFFFFFu;
  // Marker of a display limit that is not set.
  static constexpr float DISPLAY_NOT_SET = -3.4e38f;

  Monitor();
  // A compound monitor built in code.
  Monitor(const std::string& id, float display_min, float display_max,
          const std::shared_ptr<DataType>& data_type, const std::vector<std::string>& input_ids);
  // A plain monitor built in code.
  Monitor(const std::string& id, float display_min, float display_max, uint32_t address,
          Ecu::MonitorProtocols_e protocol, const std::shared_ptr<DataType>& data_type,
          bool input_only);
  // Releases long chains of inputs without recursing through them.
  ~Monitor() override;

  const char* DebugGetClassName() const override { return "Monitor"; }

  // Reads the current element; unknown words and missing values stay unset
  // for Validate to find. Always succeeds.
  int32_t DoRead(const TiXmlElement* element, std::string& error, bool not_first) override;

  // 0 when valid, else the code of the first failing rule.
  validate_codes_t Validate() override;

  bool IsCompound() const { return !input_ids_.empty(); }
  bool UsesIds() const { return !ids_.empty(); }
  bool IsInputOnly() const { return input_only_; }
  const std::vector<std::string>& GetInputMonitorIds() const { return input_ids_; }

  // No ids at all, or as many as the protocol's identifier needs: one byte
  // for ISO mode 0x21, two for ISO mode 0x22, any number otherwise.
  bool AreIdsValid() const;

  // Sets the data type named by the data type id; false when the store lacks it.
  bool ResolveReferences(const DataTypeStore& data_types);
  // Replaces the resolved inputs by the stored monitors of the input ids, in
  // input-id order. False when any id is missing (the others still resolve).
  bool ResolveReferences(const MonitorStore& monitors);
  // Replaces the resolved groups by the stored groups of the group ids. False
  // when any id is missing.
  bool ResolveReferences(const GroupStore& groups);

  // Whether this monitor, following its resolved inputs, reaches a monitor
  // whose id is in `visited` or reaches any monitor twice along one path.
  // Works with an explicit stack and visits each monitor at most once, so
  // long chains and wide graphs with shared inputs cost linear time and no
  // deep recursion.
  bool IsMonitorCyclicallyDependent(std::vector<std::string> visited) const;

  const GroupStore& GetGroups() const { return groups_; }
  void SetGroups(const GroupStore& groups) { groups_ = groups; }
  const std::vector<std::shared_ptr<Monitor>>& GetInputs() const { return inputs_; }
  void SetInputs(const std::vector<std::shared_ptr<Monitor>>& inputs) { inputs_ = inputs; }
  const std::shared_ptr<DataType>& GetDataType() const { return data_type_; }
  void SetDataType(const std::shared_ptr<DataType>& data_type) { data_type_ = data_type; }

  modules_t GetModule() const { return module_; }
  void SetModule(modules_t module) { module_ = module; }
  uint32_t GetAddress() const { return address_; }
  uint32_t GetOffset() const { return offset_; }
  Ecu::MonitorProtocols_e GetProtocol() const { return protocol_; }
  float GetDisplayMin() const { return display_min_; }
  float GetDisplayMax() const { return display_max_; }
  const std::vector<uint8_t>& GetIds() const { return ids_; }
  const std::vector<std::string>& GetGroupIds() const { return group_ids_; }
  const std::string& GetDataTypeId() const { return data_type_id_; }

 private:
  friend class boost::serialization::access;
  template <class Archive>
  void serialize(Archive& ar, const unsigned int /*version*/) {
    ar& boost::serialization::base_object<BaseVehicleDefObj>(*this);
    ar& module_;
    ar& address_;
    ar& protocol_;
    ar& display_min_;
    ar& display_max_;
    ar& group_ids_;
    ar& input_ids_;
    ar& data_type_id_;
    ar& input_only_;
    ar& offset_;
    ar& ids_;
  }

  void ReadComms(const TiXmlElement* comms);

  GroupStore groups_;
  std::vector<std::shared_ptr<Monitor>> inputs_;
  modules_t module_ = static_cast<modules_t>(-1);
  std::shared_ptr<DataType> data_type_;
  uint32_t address_ = NOT_SET;
  uint32_t offset_ = NOT_SET;
  Ecu::MonitorProtocols_e protocol_ = Ecu::MONITOR_PROTOCOL_INVALID;
  float display_min_ = DISPLAY_NOT_SET;
  float display_max_ = DISPLAY_NOT_SET;
  std::vector<uint8_t> ids_;
  std::vector<std::string> group_ids_;
  std::vector<std::string> input_ids_;
  std::string data_type_id_;
  bool input_only_ = false;
};

}  // namespace vehicle
