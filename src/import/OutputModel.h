#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "vehicle/Enumerations.h"

namespace vehicle {
class DataType;
}

// An ecucal definition as the importer writes it: what the definition
// documents will say, element by element.
namespace import {

struct OutAxis {
  std::string id;
  vehicle::axis_types_t role = vehicle::AXIS_Z;
  bool labels = false;             // a fixed list of labels, no stored values
  std::vector<std::string> texts;  // the labels
  uint32_t address = 0;            // where the first value is, as the ECU addresses it
  uint32_t count = 0;              // values of an x or y axis, or of a list's z axis
  std::string data_type;           // id
  bool vertical = false;           // values stored with y varying fastest
  bool read_only = false;
  uint32_t dim_x = 0, dim_y = 0;  // z axis of a 2D or 3D table; 0 for a list
};

struct OutTable {
  std::string id;
  std::string group;
  std::vector<OutAxis> axes;  // the table type follows from how many
};

struct OutToggle {
  std::string id;
  uint32_t address = 0;
  std::vector<uint8_t> enabled, disabled, mask;  // mask empty: whole bytes
};

struct OutRomInfo {
  std::string cpu;  // processor word
  std::string rom_name;
  std::string fw_id;  // empty: none
  uint32_t fw_offset = 0;
};

struct OutputDefinition {
  std::string vehicle_id;
  std::vector<std::string> header;  // lines of the top document's opening comment
  OutRomInfo rom_info;
  std::vector<std::shared_ptr<vehicle::DataType>> data_types;  // with their ids
  std::vector<std::string> groups;                             // table groups
  std::vector<OutTable> tables;
  std::vector<OutToggle> toggles;
};

}  // namespace import
