#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "outside/Binary.h"
#include "vehicle/data/Data.h"
#include "vehicle/monitor/IMonitor.h"
#include "vehicle/monitor/Monitor.h"

namespace vehicle {

class Conv;

// The live value of one monitor: the last reply bytes and, for a compound
// monitor, the live values of its inputs.
//
// A value that cannot be decoded reads as VALUE_NOT_SET: no reply yet, a reply
// shorter than the monitor's width, a storage without width, an expression
// that fails, and a compound monitor with such an input or with inputs that
// are missing or loop back to it. Reply bytes beyond the width are ignored.
class MonitorData : public IMonitor, public Data {
 public:
  // The marker of an unreadable value.
  static constexpr float VALUE_NOT_SET = -3.4e38f;

  // Takes the conversion and byte order from the monitor's data type.
  explicit MonitorData(const std::shared_ptr<Monitor>& monitor);
  // Releases long chains of inputs without recursing through them.
  ~MonitorData() override;

  uint32_t GetAddress() const override;
  uint32_t GetPid() const override;
  // 1, 2 or 4 by the data type's storage; 0 for an invalid storage or no type.
  uint32_t GetMonitorWidth() const override;
  modules_t GetModule() const override;
  Ecu::MonitorProtocols_e GetProtocol() const override;
  // Keeps a copy of the bytes; a reversed range keeps none.
  void SetRawValue(std::vector<uint8_t>::const_iterator begin,
                   std::vector<uint8_t>::const_iterator end) override;

  // The engineering value. A compound monitor computes its compound
  // expression from its inputs' values, named input1, input2, ... in input
  // order, each computed afresh.
  float GetValue() const;

  bool IsCompound() const;
  void AddInputMonitorData(const std::shared_ptr<MonitorData>& data);
  void ClearInputMonitorData() { inputs_.clear(); }
  const std::vector<std::shared_ptr<MonitorData>>& GetInputMonitorDataList() const {
    return inputs_;
  }
  const std::shared_ptr<Monitor>& GetMonitor() const { return monitor_; }
  const util::Binary& GetRawValue() const { return raw_value_; }

 private:
  // The value of a non-compound monitor from its reply bytes.
  float Decode() const;
  // The compound expression over input values already known; `value_of`
  // gives a compound input's value.
  template <class Lookup>
  float Combine(const Lookup& value_of) const;

  std::shared_ptr<Monitor> monitor_;
  std::vector<std::shared_ptr<MonitorData>> inputs_;
  std::shared_ptr<Conv> conversion_;
  util::Binary raw_value_;
};

}  // namespace vehicle
