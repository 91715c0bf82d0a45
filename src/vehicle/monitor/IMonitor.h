#pragma once

#include <cstdint>
#include <vector>

#include "vehicle/Enumerations.h"
#include "vehicle/monitor/MonitorProtocols.h"

// What the communication layer needs of one live value: where and how to
// request it, and where to hand the reply bytes.
class IMonitor {
 public:
  // Memory address of the value; 0xFFFFFFFF when it is requested by identifier.
  virtual uint32_t GetAddress() const = 0;
  // The request identifier as one number, first byte most significant; 0
  // when there is none or it does not fit 4 bytes.
  virtual uint32_t GetPid() const = 0;
  // Bytes of the reply value.
  virtual uint32_t GetMonitorWidth() const = 0;
  virtual vehicle::modules_t GetModule() const = 0;
  virtual Ecu::MonitorProtocols_e GetProtocol() const = 0;
  // Hands over the reply bytes [begin, end) of the value.
  virtual void SetRawValue(std::vector<uint8_t>::const_iterator begin,
                           std::vector<uint8_t>::const_iterator end) = 0;

  virtual ~IMonitor() = default;
};
