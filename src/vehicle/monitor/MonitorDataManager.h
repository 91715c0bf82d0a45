#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "vehicle/monitor/Monitor.h"
#include "vehicle/monitor/MonitorData.h"

namespace vehicle {

// Owns the live values of the monitors being shown (the active set) and
// gives the plain values that must actually be requested from the ECU.
//
// Clearing the active set keeps its objects aside; creating data for one of
// those monitors again hands back the same object, with its last reply, so a
// new logging session picks up where the last one left off.
class MonitorDataManager {
 public:
  using MonitorPtr = std::shared_ptr<Monitor>;
  using MonitorDataPtr = std::shared_ptr<MonitorData>;
  // Ordered by the monitor's address.
  using MonitorDataMap = std::map<MonitorPtr, MonitorDataPtr>;
  using MonitorDataList = std::vector<MonitorDataPtr>;

  // The format a value is shown with when its data type gives none that is
  // safe to print a number with.
  static const char* const DEFAULT_FORMAT;

  MonitorDataManager();
  // Creates the live values of these monitors.
  explicit MonitorDataManager(const std::vector<MonitorPtr>& monitors);
  // Lists every monitor of the store, creating no live values.
  explicit MonitorDataManager(const Monitor::MonitorStore& monitors);
  virtual ~MonitorDataManager();

  // The active object of the monitor, made active when it is not yet (taken
  // from the objects set aside, else new), together with the objects of all
  // its inputs, linked in input order. Null for a null monitor. A compound
  // monitor whose inputs loop back gets no inputs, so it reads as not set.
  virtual MonitorDataPtr CreateMonitorData(const MonitorPtr& monitor);
  // Empties the active set, keeping its objects aside for reuse.
  virtual void ClearMonitorDataList();
  // The active object of the monitor; null when there is none.
  virtual MonitorDataPtr GetActiveMonitorData(const MonitorPtr& monitor);
  // `value` printed with the monitor's data type format, at most 31
  // characters. A format that is missing or not a safe single number
  // conversion is replaced by DEFAULT_FORMAT.
  virtual std::string GetValueString(const MonitorPtr& monitor, float value) const;
  virtual const std::vector<MonitorPtr>& GetFullMonitorList() const;
  // CreateMonitorData for each monitor, in order.
  virtual void AddDataFromMonitorList(const std::vector<MonitorPtr>& monitors);
  // Appends the plain values behind `data` to `out` in first-use order,
  // leaving out those already there: a compound object contributes its
  // inputs' plain values, a plain object itself.
  virtual void FlattenMonitorDataList(MonitorDataList& out, const MonitorDataPtr& data) const;
  // `out` becomes every plain value behind the active set, each once.
  virtual void GetNonCompoundMonitorDataList(MonitorDataList& out);
  // Appends every monitor of the store, in store order, to the full list.
  virtual void AddMonitorsToManager(const Monitor::MonitorStore& monitors);
  virtual std::size_t GetMonitorListSize() const;
  virtual bool IsEmpty() const;
  virtual MonitorDataMap::iterator begin_active();
  virtual MonitorDataMap::iterator end_active();

  // The object set aside for the monitor; null when there is none.
  MonitorDataPtr GetPreviousMonitorData(const MonitorPtr& monitor) const;

 private:
  // The monitor's object (set aside or new) entered into the active set,
  // with no inputs yet.
  MonitorDataPtr Activate(const MonitorPtr& monitor);
  void Flatten(MonitorDataList& out, std::unordered_set<const MonitorData*>& seen,
               const MonitorDataPtr& data) const;

  MonitorDataMap active_;
  MonitorDataMap previous_;
  std::vector<MonitorPtr> monitors_;
};

}  // namespace vehicle
