#pragma once

#include <cstdint>
#include <string>

#include "util/EnumMap.h"

namespace Ecu {

// How a live-data value is requested from an ECU module.
enum MonitorProtocols_e : int32_t {
  MONITOR_PROTOCOL_INVALID = -1,
  MONITOR_PROTOCOL_RAM = 0,          // read memory at an address
  MONITOR_PROTOCOL_DATA_IDENT = 1,   // read by data identifier
  MONITOR_PROTOCOL_VCF_DMR = 2,      // custom-features request (dmr)
  MONITOR_PROTOCOL_VCF_PID = 3,      // custom-features request (pid)
  MONITOR_PROTOCOL_ISO_MODE_21 = 4,  // identifier of one byte
  MONITOR_PROTOCOL_ISO_MODE_22 = 5,  // identifier of two bytes
  MONITOR_PROTOCOL_ISO_MODE_09 = 6,
  MONITOR_PROTOCOL_ISO_MODE_1A = 7,
  MONITOR_PROTOCOL_ISO_MODE_2C = 8,
};

// The document words of the protocols, built on first use. Monitors and the
// adjustment parameters of tables share these words.
const util::enum_map<MonitorProtocols_e, std::string>& GetMonitorProtocolStrs();

// The protocol named by `word`, compared after lower-casing; -1 when none is.
MonitorProtocols_e FindMonitorProtocol(const std::string& word);

}  // namespace Ecu
