#include "vehicle/Enumerations.h"

#include "outside/StringUtil.h"

namespace vehicle {
namespace priv {

const util::enum_map<cpu_t, std::string>& GetCPUStrs() {
  static const util::enum_map<cpu_t, std::string> table = {
      {CPU_INVALID, "invalid"},
      {CPU_HC16, "hc16"},
      {CPU_MPC, "mpc"},
      {CPU_SH7055, "sh7055"},
      {CPU_SH7055SF, "sh7055sf"},
      {CPU_SH7058, "sh7058"},
      {CPU_SH7059, "sh7059"},
      {CPU_SH7254, "sh7254"},
      {CPU_SH72544, "sh72544"},
      {CPU_SH72531, "sh72531"},
      {CPU_TRICORE, "tricore"},
      {CPU_PORSCHE_ME78_996, "porsche_me78_996"},
      {CPU_PORSCHE_ME78_997, "porsche_me78_997"},
      {CPU_PORSCHE_ME781, "porsche_me781"},
      {CPU_PORSCHE_ME782, "porsche_me782"},
      {CPU_PORSCHE_ME782_9872, "porsche_me782_9872"},
      {CPU_PORSCHE_SDI3, "porsche_sdi3"},
      {CPU_PORSCHE_SDI3_987, "porsche_sdi3_987"},
      {CPU_PORSCHE_SDI9, "porsche_sdi9"},
      {CPU_PORSCHE_SDI9_981, "porsche_sdi9_981"},
      {CPU_PORSCHE_SDI9_991, "porsche_sdi9_991"},
      {CPU_PORSCHE_SDI10_95B, "porsche_sdi10_95b"},
      {CPU_PORSCHE_SDI21_718, "porsche_sdi21_718"},
      {CPU_PORSCHE_SDI21_9P1, "porsche_sdi21_9p1"},
      {CPU_PORSCHE_SDI21_9P1_TURBO, "porsche_sdi21_9p1_turbo"},
      {CPU_PORSCHE_PDK_997, "porsche_pdk_997"},
      {CPU_PORSCHE_PDK_991, "porsche_pdk_991"},
      {CPU_PORSCHE_PDK_9P1, "porsche_pdk_9p1"},
      {CPU_MK7_0D9_DSG, "mk7_0d9_dsg"},
      {CPU_RH850, "rh850"},
  };
  return table;
}

const util::enum_map<protocol_t, std::string>& GetProtocolStrs() {
  static const util::enum_map<protocol_t, std::string> table = {
      {PROTOCOL_INVALID, "invalid"},
      {PROTOCOL_SUBA_SSM_KLINE, "suba_ssm_kline"},
      {PROTOCOL_SUBA_SSM_CAN, "suba_ssm_can"},
      {PROTOCOL_SUBA_ISOCAN, "suba_isocan"},
      {PROTOCOL_SUBA_ISOCAN_LEVORG, "suba_isocan_levorg"},
      {PROTOCOL_MSD81, "msd81"},
      {PROTOCOL_SIMOS18, "simos18"},
      {PROTOCOL_MED171, "med171"},
  };
  return table;
}

const util::enum_map<flash_t, std::string>& GetFlashStrs() {
  static const util::enum_map<flash_t, std::string> table = {
      {FLASH_INVALID, "invalid"},         {FLASH_SUBA_SSMII, "suba_ssmii"},
      {FLASH_SUBA_SSMIII, "suba_ssmiii"}, {FLASH_SUBA_SSMIV, "suba_ssmiv"},
      {FLASH_SUBA_SSMV, "suba_ssmv"},     {FLASH_SUBA_SSMVI, "suba_ssmvi"},
  };
  return table;
}

const util::enum_map<dtc_t, std::string>& GetDTCStrs() {
  static const util::enum_map<dtc_t, std::string> table = {{DTC_INVALID, "invalid"}};
  return table;
}

const util::enum_map<delta_t, std::string>& GetDeltaStrs() {
  static const util::enum_map<delta_t, std::string> table = {
      {DELTA_INVALID, "invalid"}, {DELTA_NORMAL, "normal"}, {DELTA_INVERTED, "inverted"}};
  return table;
}

const util::enum_map<data_targets_t, std::string>& GetDataTargetStrs() {
  static const util::enum_map<data_targets_t, std::string> table = {
      {TARGET_INVALID, "invalid"}, {TARGET_TABLE, "table"}, {TARGET_DTC, "dtc"}};
  return table;
}

const util::enum_map<group_types_t, std::string>& GetGroupStrs() {
  static const util::enum_map<group_types_t, std::string> table = {{GROUP_INVALID, "invalid"},
                                                                   {GROUP_TABLE, "table"},
                                                                   {GROUP_MONITOR, "monitor"},
                                                                   {GROUP_LIST, "list"}};
  return table;
}

const util::enum_map<axis_types_t, std::string>& GetAxisStrs() {
  static const util::enum_map<axis_types_t, std::string> table = {
      {AXIS_INVALID, "invalid"}, {AXIS_X, "x"}, {AXIS_Y, "y"}, {AXIS_Z, "z"}, {AXIS_W, "w"},
      {AXIS_END, "end"}};
  return table;
}

const util::enum_map<special_axis_types_t, std::string>& GetSpecialAxisStrs() {
  static const util::enum_map<special_axis_types_t, std::string> table = {
      {SPECIAL_AXIS_INVALID, "invalid"},
      {SPECIAL_AXIS_X_CALC, "x-calc"},
      {SPECIAL_AXIS_LABELS, "labels"},
      {SPECIAL_AXIS_LABELS_WITH_DATA, "labels with data"}};
  return table;
}

const util::enum_map<layout_types_t, std::string>& GetLayoutStrs() {
  static const util::enum_map<layout_types_t, std::string> table = {
      {LAYOUT_INVALID, "invalid"},
      {LAYOUT_HORIZONTAL, "horizontal"},
      {LAYOUT_VERTICAL, "vertical"}};
  return table;
}

const util::enum_map<ecu::protocol_types_t, std::string>& GetECUProtocolStrs() {
  static const util::enum_map<ecu::protocol_types_t, std::string> table = {
      {ecu::MODE01_CAN, "mode01_can"},
      {ecu::MODE01_KLINE, "mode01_kline"},
      {ecu::SUBA_SSM_KLINE, "suba_ssm_kline"},
      {ecu::NISS_RAM_CAN, "niss_ram_can"},
      {ecu::NISS_RAM_KLINE, "niss_ram_kline"},
      {ecu::NISS_LOCAL_ID_CAN, "niss_local_id_can"},
      {ecu::NISS_COMMON_ID_CAN, "niss_common_id_can"},
      {ecu::NISS_COMMON_ID_KLINE, "niss_common_id_kline"},
      {ecu::MAZD_COMMON_ID, "mazd_common_id"},
      {ecu::SUBA_SSM_CAN, "suba_ssm_can"},
      {ecu::NISS_TCM_LOCAL_ID, "niss_tcm_local_id"},
      {ecu::NISS_TCM_RAM_CAN, "niss_tcm_ram_can"},
  };
  return table;
}

const util::enum_map<modules_t, std::string>& GetModulesStrs() {
  static const util::enum_map<modules_t, std::string> table = {
      {MODULE_ECU, "ecu"},        {MODULE_TCM, "tcm"},   {MODULE_BCM, "bcm"},
      {MODULE_ABS, "abs"},        {MODULE_TPMS, "tpms"}, {MODULE_GATEWAY, "gateway"},
      {MODULE_CLUSTER, "cluster"}};
  return table;
}

const util::enum_map<table_types_t, std::string>& GetTableTypeStrs() {
  static const util::enum_map<table_types_t, std::string> table = {{TABLE_INVALID, "invalid"},
                                                                   {TABLE_DATA, "data"},
                                                                   {TABLE_2D, "2d"},
                                                                   {TABLE_3D, "3d"},
                                                                   {TABLE_4D, "4d"}};
  return table;
}

const util::enum_map<table_read_types_t, std::string>& GetTableReadStrs() {
  static const util::enum_map<table_read_types_t, std::string> table = {
      {READ_INVALID, "invalid"},
      {READ_BASE, "base"},
      {READ_REAL, "real"},
      {READ_BASE_REAL, "base_real"},
      {READ_SWITCHABLE, "switchable"}};
  return table;
}

const util::enum_map<realtime_support_t, std::string>& GetRealtimeSupportStrs() {
  static const util::enum_map<realtime_support_t, std::string> table = {
      {REALTIME_INVALID, "invalid"},
      {REALTIME_UNDEFINED, "undefined"},
      {REALTIME_UNSUPPORTED, "unsupported"},
      {REALTIME_SUPPORTED, "supported"}};
  return table;
}

const util::enum_map<validate_codes_t, std::string>& GetValidateStrs() {
  // Validation messages are built elsewhere; this table stays empty.
  static const util::enum_map<validate_codes_t, std::string> table;
  return table;
}

}  // namespace priv

const std::map<Manufacturers_e, std::string>& GetManufacturerNames() {
  static const std::map<Manufacturers_e, std::string> names = {
      {MANUF_INVALID, ""},
      {MANUF_BMW, "BMW"},
      {MANUF_FORD, "Ford"},
      {MANUF_HONDA, "Honda"},
      {MANUF_MAZDA, "Mazda"},
      {MANUF_MITSUBISHI, "Mitsubishi"},
      {MANUF_NISSAN, "Nissan"},
      {MANUF_PORSCHE, "Porsche"},
      {MANUF_SUBARU, "Subaru"},
      {MANUF_TOYOTA, "Toyota"},
      {MANUF_VOLKSWAGEN, "Volkswagen"},
  };
  return names;
}

std::string GetStringForManufacturer(Manufacturers_e manufacturer) {
  return GetManufacturerNames().at(manufacturer);
}

Manufacturers_e GetManufFromString(const std::string& name) {
  const std::string wanted = StringUtil::ToLower_Copy(name);
  for (const auto& entry : GetManufacturerNames()) {
    if (StringUtil::ToLower_Copy(entry.second) == wanted)
      return entry.first;
  }
  return MANUF_INVALID;
}

namespace errors {

int GetRecoveryErrorCode(modules_t module) {
  return module == MODULE_TCM ? 52 : 27;
}

}  // namespace errors
}  // namespace vehicle
