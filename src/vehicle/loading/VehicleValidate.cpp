// Checking a loaded definition and moving failing objects aside.
#include <cmath>
#include <set>
#include <sstream>
#include <vector>

#include "util/Prefetch.h"
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

void Vehicle::AddFailure(const IBaseVehicleDefObj* object, ValidationFinding finding,
                         const std::string& details) {
  validation_error_ += _BuildErrorString(object, finding.code, details);
  findings_.push_back(std::move(finding));
}

bool Vehicle::Validate(std::string& error) {
  validation_error_.clear();
  findings_.clear();
  if (vehicle_id_.empty()) {
    const std::string text = "the vehicle has no id";
    AddFailure(nullptr, {"Vehicle", vehicle_id_, CODE_NO_VEHICLE_ID, text}, Detail(text));
    error += validation_error_;
    return false;
  }
  if (std::fabs(static_cast<double>(version_) - kFormatVersion) > 0.01) {
    const std::string text = "the version is not 1.1";
    AddFailure(nullptr, {"Vehicle", vehicle_id_, CODE_BAD_VERSION, text}, Detail(text));
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
    AddFailure(&rom_info_, {"RomInfo", vehicle_id_, code, scratch}, Detail(scratch));
}

namespace {

// A cursor a few entries ahead of a walk over a store, asking for the
// objects of the entries it passes.
template <class Store>
class StoreLookahead {
 public:
  explicit StoreLookahead(Store& store) : it_(store.begin()), end_(store.end()) {
    for (std::size_t i = 0; i < util::kPrefetchAhead; ++i)
      Step();
  }
  void Step() {
    if (it_ == end_)
      return;
    util::PrefetchOwned(it_->second);
    ++it_;
  }

 private:
  typename Store::map_type::iterator it_;
  typename Store::map_type::iterator end_;
};

}  // namespace

template <class Store>
void Vehicle::ValidateStore(Store& live, Store& invalid) {
  std::vector<std::string> failed;
  StoreLookahead<Store> ahead(live);
  for (auto& entry : live) {
    ahead.Step();
    const validate_codes_t code = entry.second->Validate();
    if (code == 0)
      continue;
    invalid.addData(entry.first, entry.second);
    failed.push_back(entry.first);
    const auto& object = *entry.second;
    AddFailure(&object, {object.DebugGetClassName(), object.GetObjId(), code, ""}, "");
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
  StoreLookahead<Tables> ahead(tables_);
  for (auto& entry : tables_) {
    ahead.Step();
    Table& table = *entry.second;
    const validate_codes_t code = table.Validate();
    if (code != 0) {
      invalid_tables_.addData(entry.first, entry.second);
      failed.push_back(entry.first);
      AddFailure(&table, {"Table", entry.first, code, ""}, "");
      continue;
    }
    if (!table.IsSlave())
      continue;
    std::ostringstream details;
    if (_ValidateSlaveTable(details, table) != 0) {
      // A slave that does not fit its master is dropped, not kept aside.
      failed.push_back(entry.first);
      AddFailure(
          &table,
          {"Table", entry.first, CODE_BAD_SLAVE_TABLE,
           "slave of '" + table.GetMasterTableId() + "', dropped: it does not fit its master"},
          details.str());
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
  const auto found = tables_.data.find(master_id);
  if (found == tables_.data.end() || found->second->IsSlave()) {
    details << Detail("the master '" + master_id + "' is missing or itself a slave");
    return CODE_BAD_SLAVE_TABLE;
  }
  const Table& master = *found->second;
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
  const auto source_entry = tables_.data.find(a);
  const auto target_entry = tables_.data.find(b);
  if (source_entry == tables_.data.end() || target_entry == tables_.data.end())
    return false;
  const Table& source = *source_entry->second;
  const Table& target = *target_entry->second;
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
  const std::string& category_id = category.getCopyGroupID();
  // The finding names the category and, in its detail, the copy group.
  const auto fail = [&](const CopyGroup& group, const std::string& text) {
    AddFailure(&group,
               {"CopyGroup", category_id, CODE_BAD_COPY_GROUP,
                "copy group '" + group.getCopyGroupID() + "': " + text},
               Detail(text));
  };
  if (children.size() < 2) {
    const std::string text = "Only one copy group defined in copy group category " + category_id;
    AddFailure(&category, {"CopyGroup", category_id, CODE_BAD_COPY_GROUP, text}, text);
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
      fail(child, "copyable counts differ");
    }
    for (const auto& copyable : child.getCopyables()) {
      for (auto& other_entry : children) {
        CopyGroup& other = *other_entry.second;
        if (&other == &child)
          continue;
        auto match = other.getCopyables().find(copyable.first);
        if (match == other.getCopyables().end()) {
          fail(other, "copyable '" + copyable.first + "' is missing");
          bad_keys.insert(copyable.first);
          continue;
        }
        if (!CopyTargetsMatch(copyable.second, match->second, child.getCopyGroupID(),
                              category_id)) {
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
                               const std::string& copy_group_id, const std::string& category_id) {
  std::vector<std::pair<std::string, std::string>> pairs = {{from.table_id, to.table_id}};
  const std::size_t slaves = std::min(from.slave_table_ids.size(), to.slave_table_ids.size());
  for (std::size_t i = 0; i < slaves; ++i) {
    pairs.emplace_back(from.slave_table_ids[i], to.slave_table_ids[i]);
  }
  const std::string where = "copy group '" + copy_group_id + "': ";
  bool match = from.slave_table_ids.size() == to.slave_table_ids.size();
  if (!match) {
    findings_.push_back(
        {"CopyGroup", category_id, CODE_BAD_COPY_GROUP, where + "slave table counts differ"});
  }
  for (const auto& pair : pairs) {
    std::string problem;
    if (!tables_.dataExists(pair.first) || !tables_.dataExists(pair.second)) {
      // No error text for this one; the finding still says why the copyable went.
      problem = "table '" + pair.first + "' or '" + pair.second + "' is not a valid table";
    } else if (!ValidateCopyTable(validation_error_, pair.first, pair.second, copy_group_id)) {
      problem = "table '" + pair.second + "' cannot receive a copy of table '" + pair.first + "'";
    } else {
      continue;
    }
    findings_.push_back({"CopyGroup", category_id, CODE_BAD_COPY_GROUP, where + problem});
    match = false;
  }
  return match;
}

}  // namespace vehicle
