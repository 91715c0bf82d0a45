// Checking a loaded definition and moving failing objects aside.
#include <cmath>
#include <set>
#include <sstream>
#include <vector>

#include "vehicle/definition/Axis.h"
#include "vehicle/definition/CopyGroup.h"
#include "vehicle/definition/DataType.h"
#include "vehicle/definition/Group.h"
#include "vehicle/definition/Table.h"
#include "vehicle/definition/XMLToggle.h"
#include "vehicle/loading/ValidationCodes.h"
#include "vehicle/loading/Vehicle.h"
#include "vehicle/monitor/Monitor.h"

namespace vehicle {

namespace {

#ifdef ECUCAL_DIAGNOSTICS
constexpr bool kDiagnostics = true;
#else
constexpr bool kDiagnostics = false;
#endif

// What a details stream says about a problem: the problem itself in a
// diagnostic build, a fixed phrase otherwise.
std::string Detail(const std::string& text) {
  return kDiagnostics ? text : "Error details hidden in non debug build";
}

}  // namespace

std::string Vehicle::_BuildErrorString(validate_codes_t code, const std::string& details) const {
  return _BuildErrorString(nullptr, code, details);
}

std::string Vehicle::_BuildErrorString(const IBaseVehicleDefObj* object, validate_codes_t code,
                                       const std::string& details) const {
  if (!kDiagnostics)
    return "Error Details Hidden In Non-Internal Build";
  std::ostringstream text;
  if (object != nullptr) {
    text << object->DebugGetClassName() << " '" << object->GetObjId() << "': ";
  } else {
    text << "Vehicle '" << vehicle_id_ << "': ";
  }
  text << "code " << code << " (" << ValidationCodeName(code) << ": " << ValidationCodeMeaning(code)
       << ")";
  if (!details.empty())
    text << ": " << details;
  text << "\n";
  return text.str();
}

std::string Vehicle::_BuildBadCopyGroupErrorString(const Axis* axis,
                                                   const std::string& copy_group_id,
                                                   const std::string& details) const {
  std::string text = details;
  if (kDiagnostics)
    text = "copy group '" + copy_group_id + "': " + details;
  return _BuildErrorString(axis, CODE_BAD_COPY_GROUP, text);
}

bool Vehicle::Validate(std::string& error) {
  validation_error_.clear();
  if (vehicle_id_.empty()) {
    validation_error_ += _BuildErrorString(CODE_NO_VEHICLE_ID, Detail("the vehicle has no id"));
    error += validation_error_;
    return false;
  }
  if (std::fabs(static_cast<double>(version_) - kFormatVersion) > 0.01) {
    validation_error_ += _BuildErrorString(CODE_BAD_VERSION, Detail("the version is not 1.1"));
    error += validation_error_;
    return false;
  }
  ValidateRomInfo();
  ValidateDataTypes();
  ValidateAxes();
  ValidateGroups();
  ValidateTables();
  ValidateToggles();
  ValidateCopyGroups();
  ValidateMonitors();
  valid_ = validation_error_.empty();
  if (!valid_)
    error += validation_error_;
  return valid_;
}

void Vehicle::ValidateRomInfo() {
  std::string scratch;
  const validate_codes_t code = rom_info_.Validate(scratch);
  if (code != 0)
    validation_error_ += _BuildErrorString(&rom_info_, code, Detail(scratch));
}

template <class Store>
void Vehicle::ValidateStore(Store& live, Store& invalid) {
  std::vector<std::string> failed;
  for (auto& entry : live) {
    const validate_codes_t code = entry.second->Validate();
    if (code == 0)
      continue;
    invalid.addData(entry.first, entry.second);
    failed.push_back(entry.first);
    validation_error_ += _BuildErrorString(entry.second.get(), code, std::string());
  }
  for (const std::string& key : failed)
    live.removeData(key);
}

void Vehicle::ValidateDataTypes() {
  ValidateStore(data_types_, invalid_data_types_);
}
void Vehicle::ValidateAxes() {
  ValidateStore(axes_, invalid_axes_);
}
void Vehicle::ValidateGroups() {
  ValidateStore(groups_, invalid_groups_);
}
void Vehicle::ValidateToggles() {
  ValidateStore(xml_toggles_, invalid_xml_toggles_);
}
void Vehicle::ValidateMonitors() {
  ValidateStore(monitors_, invalid_monitors_);
}

void Vehicle::ValidateTables() {
  std::vector<std::string> failed;
  for (auto& entry : tables_) {
    Table& table = *entry.second;
    const validate_codes_t code = table.Validate();
    if (code != 0) {
      invalid_tables_.addData(entry.first, entry.second);
      failed.push_back(entry.first);
      validation_error_ += _BuildErrorString(&table, code, std::string());
      continue;
    }
    if (!table.IsSlave())
      continue;
    std::ostringstream details;
    if (_ValidateSlaveTable(details, table) != 0) {
      // A slave that does not fit its master is dropped, not kept aside.
      failed.push_back(entry.first);
      validation_error_ += _BuildErrorString(&table, CODE_BAD_SLAVE_TABLE, details.str());
    }
  }
  for (const std::string& key : failed)
    tables_.removeData(key);
}

validate_codes_t Vehicle::_ValidateSlaveTable(std::ostringstream& details,
                                              const Table& slave) const {
  const std::string& master_id = slave.GetMasterTableId();
  if (master_id.empty()) {
    details << Detail("the slave names no master");
    return CODE_BAD_SLAVE_TABLE;
  }
  if (!tables_.dataExists(master_id) || tables_.findData(master_id)->IsSlave()) {
    details << Detail("the master '" + master_id + "' is missing or itself a slave");
    return CODE_BAD_SLAVE_TABLE;
  }
  const Table& master = *tables_.findData(master_id);
  const bool same_type_needed = slave.GetTransformForMasterToSlaveDataCopy().empty();
  for (const auto& role : master.GetAxes()) {
    const std::shared_ptr<Axis>& master_axis = role.second;
    const std::shared_ptr<Axis> slave_axis = slave.GetAxis(role.first);
    if (!master_axis || !slave_axis || master_axis->GetCount() != slave_axis->GetCount() ||
        (same_type_needed && master_axis->GetDataType() != slave_axis->GetDataType())) {
      details << Detail("the axes differ from the master's");
      return CODE_BAD_SLAVE_TABLE;
    }
  }
  return 0;
}

bool Vehicle::ValidateCopyTable(std::string& error, const std::string& a, const std::string& b,
                                const std::string& copy_group_id) {
  if (!tables_.dataExists(a) || !tables_.dataExists(b))
    return false;
  const Table& source = *tables_.findData(a);
  const Table& target = *tables_.findData(b);
  for (const auto& role : source.GetAxes()) {
    const std::shared_ptr<Axis>& axis = role.second;
    const std::shared_ptr<Axis> other = target.GetAxis(role.first);
    if (!axis || !other || axis->GetCount() != other->GetCount() ||
        axis->IsCopyable() != other->IsCopyable() || axis->GetDataType() != other->GetDataType()) {
      error += _BuildBadCopyGroupErrorString(
          axis.get(), copy_group_id,
          Detail("table '" + b + "' cannot receive a copy of table '" + a + "'"));
      return false;
    }
  }
  return true;
}

void Vehicle::ValidateCopyGroups() {
  if (copy_groups_.empty())
    return;
  std::vector<std::string> doomed;
  for (auto& entry : copy_groups_) {
    if (!ValidateCopyGroupCategory(*entry.second))
      doomed.push_back(entry.first);
  }
  for (const std::string& key : doomed)
    copy_groups_.removeData(key);
}

// Checks one category; false when it must be removed.
bool Vehicle::ValidateCopyGroupCategory(CopyGroup& category) {
  CopyGroup::Children& children = category.getChildren();
  if (children.size() < 2) {
    std::ostringstream details;
    details << "Only one copy group defined in copy group category " << category.getCopyGroupID();
    validation_error_ += _BuildErrorString(&category, CODE_BAD_COPY_GROUP, details.str());
  }

  std::set<std::string> bad_keys;
  const CopyGroup* first_plain = nullptr;
  for (auto& entry : children) {
    CopyGroup& child = *entry.second;
    if (child.isRealtime())
      continue;
    if (first_plain == nullptr) {
      first_plain = &child;
    } else if (child.getCopyables().size() != first_plain->getCopyables().size()) {
      validation_error_ +=
          _BuildErrorString(&child, CODE_BAD_COPY_GROUP, Detail("copyable counts differ"));
    }
    for (const auto& copyable : child.getCopyables()) {
      for (auto& other_entry : children) {
        CopyGroup& other = *other_entry.second;
        if (&other == &child)
          continue;
        auto match = other.getCopyables().find(copyable.first);
        if (match == other.getCopyables().end()) {
          validation_error_ += _BuildErrorString(
              &other, CODE_BAD_COPY_GROUP, Detail("copyable '" + copyable.first + "' is missing"));
          bad_keys.insert(copyable.first);
          continue;
        }
        if (!CopyTargetsMatch(copyable.second, match->second, child.getCopyGroupID())) {
          bad_keys.insert(copyable.first);
        }
      }
    }
  }

  bool keep = true;
  for (auto& entry : children) {
    auto& copyables = entry.second->getCopyables();
    for (const std::string& key : bad_keys)
      copyables.erase(key);
    if (copyables.empty())
      keep = false;
  }
  return keep;
}

// Every table the two targets name, pairwise: the source table, then each
// slave in order.
bool Vehicle::CopyTargetsMatch(const CopyGroup::CopyTargets& from, const CopyGroup::CopyTargets& to,
                               const std::string& copy_group_id) {
  std::vector<std::pair<std::string, std::string>> pairs = {{from.table_id, to.table_id}};
  const std::size_t slaves = std::min(from.slave_table_ids.size(), to.slave_table_ids.size());
  for (std::size_t i = 0; i < slaves; ++i) {
    pairs.emplace_back(from.slave_table_ids[i], to.slave_table_ids[i]);
  }
  bool match = from.slave_table_ids.size() == to.slave_table_ids.size();
  for (const auto& pair : pairs) {
    if (!tables_.dataExists(pair.first) || !tables_.dataExists(pair.second) ||
        !ValidateCopyTable(validation_error_, pair.first, pair.second, copy_group_id)) {
      match = false;
    }
  }
  return match;
}

}  // namespace vehicle
