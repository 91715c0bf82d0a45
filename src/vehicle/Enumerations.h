#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "util/EnumMap.h"

// The vocabularies of the definition documents. Every enumeration with an
// "invalid" entry uses -1 for it; readers that find no match return -1.

namespace vehicle {

enum cpu_t : int32_t {
  CPU_INVALID = -1,
  CPU_HC16 = 0,
  CPU_MPC = 1,
  CPU_SH7055 = 2,
  CPU_SH7055SF = 3,
  CPU_SH7058 = 4,
  CPU_SH7059 = 5,
  CPU_SH7254 = 6,
  CPU_SH72544 = 7,
  CPU_SH72531 = 8,
  CPU_TRICORE = 9,
  CPU_PORSCHE_ME78_996 = 10,
  CPU_PORSCHE_ME78_997 = 11,
  CPU_PORSCHE_ME781 = 12,
  CPU_PORSCHE_ME782 = 13,
  CPU_PORSCHE_ME782_9872 = 14,
  CPU_PORSCHE_SDI3 = 15,
  CPU_PORSCHE_SDI3_987 = 16,
  CPU_PORSCHE_SDI9 = 17,
  CPU_PORSCHE_SDI9_981 = 18,
  CPU_PORSCHE_SDI9_991 = 19,
  CPU_PORSCHE_SDI10_95B = 20,
  CPU_PORSCHE_SDI21_718 = 21,
  CPU_PORSCHE_SDI21_9P1 = 22,
  CPU_PORSCHE_SDI21_9P1_TURBO = 23,
  CPU_RESERVED_24 = 24,  // no document word reads as this value
  CPU_PORSCHE_PDK_997 = 25,
  CPU_PORSCHE_PDK_991 = 26,
  CPU_PORSCHE_PDK_9P1 = 27,
  CPU_MK7_0D9_DSG = 28,
  CPU_RESERVED_29 = 29,  // no document word reads as this value
  CPU_RH850 = 30,
};

enum protocol_t : int32_t {
  PROTOCOL_INVALID = -1,
  PROTOCOL_SUBA_SSM_KLINE = 0,
  PROTOCOL_SUBA_SSM_CAN = 1,
  PROTOCOL_SUBA_ISOCAN = 2,
  PROTOCOL_SUBA_ISOCAN_LEVORG = 3,
  PROTOCOL_MSD81 = 4,
  PROTOCOL_SIMOS18 = 5,
  PROTOCOL_MED171 = 6,
};

enum flash_t : int32_t {
  FLASH_INVALID = -1,
  FLASH_SUBA_SSMII = 0,
  FLASH_SUBA_SSMIII = 1,
  FLASH_SUBA_SSMIV = 2,
  FLASH_SUBA_SSMV = 3,
  FLASH_SUBA_SSMVI = 4,
};

enum dtc_t : int32_t { DTC_INVALID = -1 };

enum delta_t : int32_t { DELTA_INVALID = -1, DELTA_NORMAL = 0, DELTA_INVERTED = 1 };

enum data_targets_t : int32_t { TARGET_INVALID = -1, TARGET_TABLE = 0, TARGET_DTC = 1 };

enum group_types_t : int32_t {
  GROUP_INVALID = -1,
  GROUP_TABLE = 0,
  GROUP_MONITOR = 1,
  GROUP_LIST = 2,
};

// Axis roles of a table.
enum axis_types_t : int32_t {
  AXIS_INVALID = -1,
  AXIS_X = 0,
  AXIS_Y = 1,
  AXIS_Z = 2,
  AXIS_W = 3,
  AXIS_END = 4,
};

enum special_axis_types_t : int32_t {
  SPECIAL_AXIS_INVALID = -1,
  SPECIAL_AXIS_X_CALC = 0,
  SPECIAL_AXIS_LABELS = 1,
  SPECIAL_AXIS_LABELS_WITH_DATA = 2,
};

enum layout_types_t : int32_t {
  LAYOUT_INVALID = -1,
  LAYOUT_HORIZONTAL = 0,
  LAYOUT_VERTICAL = 1,
};

// Control modules of the vehicle.
enum modules_t : int32_t {
  MODULE_ECU = 0,
  MODULE_TCM = 1,
  MODULE_BCM = 2,
  MODULE_ABS = 3,
  MODULE_TPMS = 4,
  MODULE_GATEWAY = 5,
  MODULE_CLUSTER = 6,
};

enum table_types_t : int32_t {
  TABLE_INVALID = -1,
  TABLE_DATA = 0,
  TABLE_2D = 1,
  TABLE_3D = 2,
  TABLE_4D = 3,
};

enum table_read_types_t : int32_t {
  READ_INVALID = -1,
  READ_BASE = 0,
  READ_REAL = 1,
  READ_BASE_REAL = 2,
  READ_SWITCHABLE = 3,
};

enum realtime_support_t : int32_t {
  REALTIME_INVALID = -1,
  REALTIME_UNDEFINED = 0,
  REALTIME_UNSUPPORTED = 1,
  REALTIME_SUPPORTED = 2,
};

// The small integer a Validate returns; 0 is valid. The classes name the
// codes they return.
typedef int32_t validate_codes_t;

enum Manufacturers_e : int32_t {
  MANUF_INVALID = -1,
  MANUF_BMW = 0,
  MANUF_FORD = 1,
  MANUF_HONDA = 2,
  MANUF_MAZDA = 3,
  MANUF_MITSUBISHI = 4,
  MANUF_NISSAN = 5,
  MANUF_PORSCHE = 6,
  MANUF_SUBARU = 7,
  MANUF_TOYOTA = 8,
  MANUF_VOLKSWAGEN = 9,
};

}  // namespace vehicle

namespace ecu {

// Live-data protocols of the ECU.
enum protocol_types_t : int32_t {
  MODE01_CAN = 0,
  MODE01_KLINE = 1,
  SUBA_SSM_KLINE = 2,
  NISS_RAM_CAN = 3,
  NISS_RAM_KLINE = 4,
  NISS_LOCAL_ID_CAN = 5,
  NISS_COMMON_ID_CAN = 6,
  NISS_COMMON_ID_KLINE = 7,
  MAZD_COMMON_ID = 8,
  SUBA_SSM_CAN = 9,
  PROTOCOL_RESERVED_10 = 10,  // no document word reads as this value
  NISS_TCM_LOCAL_ID = 11,
  NISS_TCM_RAM_CAN = 12,
};

}  // namespace ecu

namespace vehicle {
namespace priv {

// Each returns one process-wide table, built on first use.
const util::enum_map<cpu_t, std::string>& GetCPUStrs();
const util::enum_map<protocol_t, std::string>& GetProtocolStrs();
const util::enum_map<flash_t, std::string>& GetFlashStrs();
const util::enum_map<dtc_t, std::string>& GetDTCStrs();
const util::enum_map<delta_t, std::string>& GetDeltaStrs();
const util::enum_map<data_targets_t, std::string>& GetDataTargetStrs();
const util::enum_map<group_types_t, std::string>& GetGroupStrs();
const util::enum_map<axis_types_t, std::string>& GetAxisStrs();
const util::enum_map<special_axis_types_t, std::string>& GetSpecialAxisStrs();
const util::enum_map<layout_types_t, std::string>& GetLayoutStrs();
const util::enum_map<ecu::protocol_types_t, std::string>& GetECUProtocolStrs();
const util::enum_map<modules_t, std::string>& GetModulesStrs();
const util::enum_map<table_types_t, std::string>& GetTableTypeStrs();
const util::enum_map<table_read_types_t, std::string>& GetTableReadStrs();
const util::enum_map<realtime_support_t, std::string>& GetRealtimeSupportStrs();
const util::enum_map<validate_codes_t, std::string>& GetValidateStrs();

}  // namespace priv

// The manufacturer's name. Throws std::out_of_range ("map::at") for a value
// that is not a manufacturer.
std::string GetStringForManufacturer(Manufacturers_e manufacturer);

// The manufacturer whose name equals `name` without regard to case; -1 when
// none does (also for the empty text).
Manufacturers_e GetManufFromString(const std::string& name);

// The full manufacturer table, -1 ("") first.
const std::map<Manufacturers_e, std::string>& GetManufacturerNames();

namespace errors {

// The recovery error code the device reports for a failed module.
int GetRecoveryErrorCode(modules_t module);

}  // namespace errors
}  // namespace vehicle
