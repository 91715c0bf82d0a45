#include "vehicle/monitor/MonitorDataManager.h"

#include <cstdio>

#include "outside/FloatFormatParser.h"
#include "vehicle/definition/DataType.h"

namespace vehicle {

const char* const MonitorDataManager::DEFAULT_FORMAT = "%.2f";

MonitorDataManager::MonitorDataManager() = default;

MonitorDataManager::MonitorDataManager(const std::vector<MonitorPtr>& monitors) {
  AddDataFromMonitorList(monitors);
}

MonitorDataManager::MonitorDataManager(const Monitor::MonitorStore& monitors) {
  AddMonitorsToManager(monitors);
}

MonitorDataManager::~MonitorDataManager() = default;

MonitorDataManager::MonitorDataPtr MonitorDataManager::Activate(const MonitorPtr& monitor) {
  MonitorDataPtr data;
  const auto kept = previous_.find(monitor);
  if (kept != previous_.end()) {
    data = kept->second;
    // Relinked by the caller; keeping the old links would double them.
    data->ClearInputMonitorData();
  } else {
    data = std::make_shared<MonitorData>(monitor);
  }
  active_[monitor] = data;
  return data;
}

MonitorDataManager::MonitorDataPtr MonitorDataManager::CreateMonitorData(
    const MonitorPtr& monitor) {
  if (!monitor)
    return nullptr;
  const auto found = active_.find(monitor);
  if (found != active_.end())
    return found->second;

  // Linking a loop would make the objects own each other; left unlinked, the
  // monitor reads as not set.
  if (monitor->IsCompound() && monitor->IsMonitorCyclicallyDependent({})) {
    return Activate(monitor);
  }

  // From here the inputs form no loop. Every active object is fully linked,
  // so an input that is already active needs no descent; the stack keeps
  // long chains off the call stack.
  struct Frame {
    const Monitor* monitor;
    MonitorData* data;
    std::size_t next_input;
  };
  const MonitorDataPtr root = Activate(monitor);
  std::vector<Frame> stack;
  if (monitor->IsCompound())
    stack.push_back({monitor.get(), root.get(), 0});
  while (!stack.empty()) {
    Frame& top = stack.back();
    const std::vector<MonitorPtr>& inputs = top.monitor->GetInputs();
    if (top.next_input >= inputs.size()) {
      stack.pop_back();
      continue;
    }
    const MonitorPtr& input = inputs[top.next_input++];
    if (!input)
      continue;
    const auto active = active_.find(input);
    if (active != active_.end()) {
      top.data->AddInputMonitorData(active->second);
      continue;
    }
    const MonitorDataPtr data = Activate(input);
    top.data->AddInputMonitorData(data);
    if (input->IsCompound())
      stack.push_back({input.get(), data.get(), 0});
  }
  return root;
}

void MonitorDataManager::ClearMonitorDataList() {
  for (const auto& entry : active_)
    previous_[entry.first] = entry.second;
  active_.clear();
}

MonitorDataManager::MonitorDataPtr MonitorDataManager::GetActiveMonitorData(
    const MonitorPtr& monitor) {
  const auto found = active_.find(monitor);
  return found == active_.end() ? nullptr : found->second;
}

MonitorDataManager::MonitorDataPtr MonitorDataManager::GetPreviousMonitorData(
    const MonitorPtr& monitor) const {
  const auto found = previous_.find(monitor);
  return found == previous_.end() ? nullptr : found->second;
}

std::string MonitorDataManager::GetValueString(const MonitorPtr& monitor, float value) const {
  const std::string format =
      monitor && monitor->GetDataType() ? monitor->GetDataType()->format : std::string();
  // The format comes from the definition: a "%s" or "%n" in it would make
  // snprintf read or write through the number, and an integer conversion
  // must get an integer, so only checked formats are used, and through the
  // parser, which converts the value for integer conversions.
  const std::string text = util::FloatFormatParser::IsValidFormat(format)
                               ? util::FloatFormatParser::Format(format, value)
                               : util::FloatFormatParser::Format(DEFAULT_FORMAT, value);
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%s", text.c_str());
  return buffer;
}

const std::vector<MonitorDataManager::MonitorPtr>& MonitorDataManager::GetFullMonitorList() const {
  return monitors_;
}

void MonitorDataManager::AddDataFromMonitorList(const std::vector<MonitorPtr>& monitors) {
  for (const MonitorPtr& monitor : monitors)
    CreateMonitorData(monitor);
}

void MonitorDataManager::Flatten(MonitorDataList& out, std::unordered_set<const MonitorData*>& seen,
                                 const MonitorDataPtr& data) const {
  // Depth first in input order, with an explicit stack. A compound object is
  // expanded once: a second expansion would add nothing new, and a loop of
  // inputs would never end.
  std::vector<MonitorDataPtr> stack{data};
  while (!stack.empty()) {
    const MonitorDataPtr current = stack.back();
    stack.pop_back();
    if (!current || !seen.insert(current.get()).second)
      continue;
    if (!current->IsCompound()) {
      out.push_back(current);
      continue;
    }
    const MonitorDataList& inputs = current->GetInputMonitorDataList();
    for (auto it = inputs.rbegin(); it != inputs.rend(); ++it)
      stack.push_back(*it);
  }
}

void MonitorDataManager::FlattenMonitorDataList(MonitorDataList& out,
                                                const MonitorDataPtr& data) const {
  std::unordered_set<const MonitorData*> seen;
  for (const MonitorDataPtr& listed : out)
    seen.insert(listed.get());
  Flatten(out, seen, data);
}

void MonitorDataManager::GetNonCompoundMonitorDataList(MonitorDataList& out) {
  out.clear();
  std::unordered_set<const MonitorData*> seen;
  for (const auto& entry : active_)
    Flatten(out, seen, entry.second);
}

void MonitorDataManager::AddMonitorsToManager(const Monitor::MonitorStore& monitors) {
  for (const auto& entry : monitors)
    monitors_.push_back(entry.second);
}

std::size_t MonitorDataManager::GetMonitorListSize() const {
  return monitors_.size();
}

bool MonitorDataManager::IsEmpty() const {
  return monitors_.empty();
}

MonitorDataManager::MonitorDataMap::iterator MonitorDataManager::begin_active() {
  return active_.begin();
}

MonitorDataManager::MonitorDataMap::iterator MonitorDataManager::end_active() {
  return active_.end();
}

}  // namespace vehicle
