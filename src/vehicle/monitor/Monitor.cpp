#include "vehicle/monitor/Monitor.h"

#include <tinyxml.h>

#include <unordered_set>

#include "util/XmlRead.h"
#include "vehicle/definition/DataType.h"

namespace vehicle {

namespace {

modules_t FindModule(const std::string& word) {
  return util::FindEnumValue(priv::GetModulesStrs(), util::ToLower(word));
}

}  // namespace

Monitor::Monitor() : BaseVehicleDefObj("monitor") {}

Monitor::Monitor(const std::string& id, float display_min, float display_max,
                 const std::shared_ptr<DataType>& data_type,
                 const std::vector<std::string>& input_ids)
    : BaseVehicleDefObj(id, "monitor"),
      data_type_(data_type),
      display_min_(display_min),
      display_max_(display_max),
      input_ids_(input_ids) {
  if (data_type_)
    data_type_id_ = data_type_->GetObjId();
}

Monitor::Monitor(const std::string& id, float display_min, float display_max, uint32_t address,
                 Ecu::MonitorProtocols_e protocol, const std::shared_ptr<DataType>& data_type,
                 bool input_only)
    : BaseVehicleDefObj(id, "monitor"),
      data_type_(data_type),
      address_(address),
      protocol_(protocol),
      display_min_(display_min),
      display_max_(display_max),
      input_only_(input_only) {
  if (data_type_)
    data_type_id_ = data_type_->GetObjId();
}

Monitor::~Monitor() {
  std::vector<std::shared_ptr<Monitor>> pending = std::move(inputs_);
  while (!pending.empty()) {
    std::shared_ptr<Monitor> next = std::move(pending.back());
    pending.pop_back();
    if (next && next.use_count() == 1) {
      for (auto& input : next->inputs_)
        pending.push_back(std::move(input));
      next->inputs_.clear();
    }
  }
}

int32_t Monitor::DoRead(const TiXmlElement* /*element*/, std::string& /*error*/,
                        bool /*not_first*/) {
  const TiXmlElement* element = GetCurrentElement();
  if (element == nullptr)
    return READ_OK;
  std::string text;
  if (const char* groups = util::FindXmlValue(element, "group"))
    group_ids_ = util::SplitList(groups);
  if (util::ReadXmlValue(element, "protocol", text))
    protocol_ = Ecu::FindMonitorProtocol(text);
  if (util::ReadXmlValue(element, "target", text))
    module_ = FindModule(text);
  util::ReadXmlUnsigned(element, "address", address_);
  util::ReadXmlUnsigned(element, "offset", offset_);
  if (util::ReadXmlValue(element, "display_min", text))
    util::ParseFloat(text, display_min_);
  if (util::ReadXmlValue(element, "display_max", text))
    util::ParseFloat(text, display_max_);
  if (util::ReadXmlValue(element, "input_only", text)) {
    int64_t flag = 0;
    if (util::ParseInt64(text, flag))
      input_only_ = flag != 0;
  }
  for (const TiXmlElement* comms = element->FirstChildElement("comms"); comms != nullptr;
       comms = comms->NextSiblingElement("comms")) {
    ReadComms(comms);
  }
  for (const TiXmlElement* input = element->FirstChildElement("input"); input != nullptr;
       input = input->NextSiblingElement("input")) {
    input_ids_.push_back(util::ElementText(input));
  }
  util::ReadXmlValue(element, "datatype", data_type_id_);
  return READ_OK;
}

void Monitor::ReadComms(const TiXmlElement* comms) {
  std::string text;
  if (util::ReadXmlValue(comms, "module_id", text))
    module_ = FindModule(text);
  if (util::ReadXmlValue(comms, "protocol", text))
    protocol_ = Ecu::FindMonitorProtocol(text);
  if (const char* ids = util::FindXmlValue(comms, "id")) {
    ids_.clear();
    util::AppendByteList(ids, ids_);
  }
  if (ids_.empty()) {
    util::ReadXmlUnsigned(comms, "address", address_);
  } else {
    address_ = NOT_SET;
    util::ReadXmlUnsigned(comms, "offset", offset_);
  }
}

bool Monitor::AreIdsValid() const {
  if (ids_.empty())
    return true;
  switch (protocol_) {
    case Ecu::MONITOR_PROTOCOL_ISO_MODE_21:
      return ids_.size() == 1;
    case Ecu::MONITOR_PROTOCOL_ISO_MODE_22:
      return ids_.size() == 2;
    default:
      return true;
  }
}

bool Monitor::ResolveReferences(const DataTypeStore& data_types) {
  const auto found = data_types.data.find(data_type_id_);
  if (found == data_types.data.end())
    return false;
  data_type_ = found->second;
  return true;
}

bool Monitor::ResolveReferences(const MonitorStore& monitors) {
  // Starting afresh keeps a second resolution from doubling the inputs.
  inputs_.clear();
  bool all_found = true;
  for (const std::string& id : input_ids_) {
    const auto found = monitors.data.find(id);
    if (found != monitors.data.end()) {
      inputs_.push_back(found->second);
    } else {
      all_found = false;
    }
  }
  return all_found;
}

bool Monitor::ResolveReferences(const GroupStore& groups) {
  groups_.clear();
  bool all_found = true;
  for (const std::string& id : group_ids_) {
    const auto found = groups.data.find(id);
    if (found != groups.data.end()) {
      // setData: a group named twice in the list is held once.
      groups_.setData(id, found->second);
    } else {
      all_found = false;
    }
  }
  return all_found;
}

bool Monitor::IsMonitorCyclicallyDependent(std::vector<std::string> visited) const {
  // Ids on the current path (plus the caller's), and ids whose inputs were
  // fully explored without finding a cycle: a second visit to one of those
  // cannot find one either.
  std::unordered_set<std::string> on_path(visited.begin(), visited.end());
  if (on_path.count(GetObjId()) != 0)
    return true;
  if (!IsCompound())
    return false;

  struct Frame {
    const Monitor* monitor;
    std::size_t next_input;
  };
  std::unordered_set<std::string> explored;
  std::vector<Frame> stack;
  on_path.insert(GetObjId());
  stack.push_back({this, 0});
  while (!stack.empty()) {
    Frame& top = stack.back();
    if (top.next_input >= top.monitor->inputs_.size()) {
      on_path.erase(top.monitor->GetObjId());
      explored.insert(top.monitor->GetObjId());
      stack.pop_back();
      continue;
    }
    const Monitor* input = top.monitor->inputs_[top.next_input++].get();
    if (input == nullptr)
      continue;
    const std::string& id = input->GetObjId();
    if (on_path.count(id) != 0)
      return true;
    if (!input->IsCompound() || explored.count(id) != 0)
      continue;
    on_path.insert(id);
    stack.push_back({input, 0});  // `top` is not used past this point
  }
  return false;
}

validate_codes_t Monitor::Validate() {
  if (GetObjId().empty())
    return INVALID_ID;
  if (data_type_id_.empty() || !data_type_)
    return INVALID_DATA_TYPE;
  if (!input_only_ && (display_min_ == DISPLAY_NOT_SET || display_max_ == DISPLAY_NOT_SET)) {
    return INVALID_DISPLAY_RANGE;
  }
  if (IsCompound()) {
    if (data_type_->str_conv.compound.empty())
      return INVALID_DATA_TYPE;
    if (inputs_.size() != input_ids_.size())
      return UNRESOLVED_INPUTS;
    if (IsMonitorCyclicallyDependent({}))
      return CYCLIC_DEPENDENCY;
    return VALID;
  }
  if (address_ == NOT_SET && ids_.empty())
    return INVALID_ADDRESS;
  if (!ids_.empty() && offset_ == NOT_SET)
    return INVALID_OFFSET;
  if (!AreIdsValid())
    return INVALID_IDS;
  if (protocol_ == Ecu::MONITOR_PROTOCOL_INVALID)
    return INVALID_PROTOCOL;
  if (module_ == static_cast<modules_t>(-1))
    return INVALID_MODULE;
  return VALID;
}

}  // namespace vehicle
