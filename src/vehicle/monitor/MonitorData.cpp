#include "vehicle/monitor/MonitorData.h"

#include <cfloat>
#include <cmath>
#include <exception>
#include <limits>
#include <unordered_map>
#include <unordered_set>

#include "util/Storage.h"
#include "vehicle/definition/Conv.h"
#include "vehicle/definition/DataType.h"

namespace vehicle {

namespace {

// A double beyond the float range has no float value (the plain cast is
// undefined there); it becomes an infinity of its sign.
float NarrowToFloat(double value) {
  if (std::isfinite(value) && std::fabs(value) > static_cast<double>(FLT_MAX)) {
    return value > 0 ? std::numeric_limits<float>::infinity()
                     : -std::numeric_limits<float>::infinity();
  }
  return static_cast<float>(value);
}

}  // namespace

MonitorData::MonitorData(const std::shared_ptr<Monitor>& monitor) : monitor_(monitor) {
  const std::shared_ptr<DataType> data_type = monitor_ ? monitor_->GetDataType() : nullptr;
  conversion_ = GetConv(data_type);
  raw_value_.SetEndian(data_type ? data_type->endian : util::ENDIAN_INVALID);
  built = true;
}

MonitorData::~MonitorData() {
  std::vector<std::shared_ptr<MonitorData>> pending = std::move(inputs_);
  while (!pending.empty()) {
    std::shared_ptr<MonitorData> next = std::move(pending.back());
    pending.pop_back();
    if (next && next.use_count() == 1) {
      for (auto& input : next->inputs_)
        pending.push_back(std::move(input));
      next->inputs_.clear();
    }
  }
}

uint32_t MonitorData::GetAddress() const {
  return monitor_ ? monitor_->GetAddress() : Monitor::NOT_SET;
}

uint32_t MonitorData::GetPid() const {
  if (!monitor_)
    return 0;
  const std::vector<uint8_t>& ids = monitor_->GetIds();
  if (ids.empty() || ids.size() > 4)
    return 0;
  uint32_t pid = 0;
  for (uint8_t byte : ids)
    pid = (pid << 8) | byte;
  return pid;
}

uint32_t MonitorData::GetMonitorWidth() const {
  if (!monitor_ || !monitor_->GetDataType())
    return 0;
  return util::data::StorageWidth(monitor_->GetDataType()->storage);
}

modules_t MonitorData::GetModule() const {
  return monitor_ ? monitor_->GetModule() : static_cast<modules_t>(-1);
}

Ecu::MonitorProtocols_e MonitorData::GetProtocol() const {
  return monitor_ ? monitor_->GetProtocol() : Ecu::MONITOR_PROTOCOL_INVALID;
}

void MonitorData::SetRawValue(std::vector<uint8_t>::const_iterator begin,
                              std::vector<uint8_t>::const_iterator end) {
  if (end < begin) {
    raw_value_.bytes.clear();
    return;
  }
  raw_value_.bytes.assign(begin, end);
}

bool MonitorData::IsCompound() const {
  return monitor_ && monitor_->IsCompound();
}

void MonitorData::AddInputMonitorData(const std::shared_ptr<MonitorData>& data) {
  inputs_.push_back(data);
}

float MonitorData::Decode() const {
  const uint32_t width = GetMonitorWidth();
  if (width == 0 || raw_value_.bytes.size() < width)
    return VALUE_NOT_SET;
  // Exactly the value's own bytes: a longer reply must not widen the read.
  const util::Binary value(
      std::vector<uint8_t>(raw_value_.bytes.begin(), raw_value_.bytes.begin() + width),
      raw_value_.endian);
  try {
    return NarrowToFloat(conversion_->ToDouble(value));
  } catch (const std::exception&) {
    // An expression that cannot be evaluated for this reply.
    return VALUE_NOT_SET;
  }
}

template <class Lookup>
float MonitorData::Combine(const Lookup& value_of) const {
  // Input numbers follow input order, so a missing input would shift every
  // later name onto the wrong value.
  if (inputs_.size() != monitor_->GetInputMonitorIds().size())
    return VALUE_NOT_SET;
  CompoundInputOperand operand(1);
  unsigned number = 1;
  for (const std::shared_ptr<MonitorData>& input : inputs_) {
    if (!input)
      return VALUE_NOT_SET;
    const float value = input->IsCompound() ? value_of(input.get()) : input->Decode();
    if (value == VALUE_NOT_SET)
      return VALUE_NOT_SET;
    conversion_->SetOperandValue(operand, static_cast<double>(value));
    operand.SetInputNumber(++number);
  }
  return NarrowToFloat(conversion_->CompoundToDouble());
}

float MonitorData::GetValue() const {
  if (!IsCompound())
    return Decode();

  // Inputs first, with an explicit stack: chains of compound monitors may be
  // long, and each compound input is computed once per call.
  struct Frame {
    const MonitorData* data;
    std::size_t next_input;
  };
  std::unordered_map<const MonitorData*, float> values;
  std::unordered_set<const MonitorData*> on_path;
  std::vector<Frame> stack;
  stack.push_back({this, 0});
  on_path.insert(this);
  const auto value_of = [&values](const MonitorData* data) { return values.at(data); };
  while (!stack.empty()) {
    Frame& top = stack.back();
    if (top.next_input < top.data->inputs_.size()) {
      const MonitorData* input = top.data->inputs_[top.next_input++].get();
      if (input == nullptr || !input->IsCompound() || values.count(input) != 0)
        continue;
      if (on_path.count(input) != 0)
        return VALUE_NOT_SET;  // inputs loop back
      on_path.insert(input);
      stack.push_back({input, 0});  // `top` is not used past this point
      continue;
    }
    values[top.data] = top.data->Combine(value_of);
    on_path.erase(top.data);
    stack.pop_back();
  }
  return values.at(this);
}

}  // namespace vehicle
