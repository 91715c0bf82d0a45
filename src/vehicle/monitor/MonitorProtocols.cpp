#include "vehicle/monitor/MonitorProtocols.h"

#include "util/XmlRead.h"

namespace Ecu {

const util::enum_map<MonitorProtocols_e, std::string>& GetMonitorProtocolStrs() {
  static const util::enum_map<MonitorProtocols_e, std::string> table = {
      {MONITOR_PROTOCOL_RAM, "ram"},
      {MONITOR_PROTOCOL_DATA_IDENT, "data_ident"},
      {MONITOR_PROTOCOL_VCF_DMR, "vexa_vcf_dmr"},
      {MONITOR_PROTOCOL_VCF_PID, "vexa_vcf_pid"},
      {MONITOR_PROTOCOL_ISO_MODE_21, "iso_mode_21"},
      {MONITOR_PROTOCOL_ISO_MODE_22, "iso_mode_22"},
      {MONITOR_PROTOCOL_ISO_MODE_09, "iso_mode_09"},
      {MONITOR_PROTOCOL_ISO_MODE_1A, "iso_mode_1a"},
      {MONITOR_PROTOCOL_ISO_MODE_2C, "iso_mode_2c"},
  };
  return table;
}

MonitorProtocols_e FindMonitorProtocol(const std::string& word) {
  return util::FindEnumValue(GetMonitorProtocolStrs(), util::ToLower(word));
}

}  // namespace Ecu
