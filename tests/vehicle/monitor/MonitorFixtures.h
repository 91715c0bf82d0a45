#pragma once

#include <memory>
#include <string>
#include <vector>

#include "vehicle/definition/DataType.h"
#include "vehicle/monitor/Monitor.h"

// Monitors and data types built in code for the live-value tests.
namespace monitor_fixtures {

inline std::shared_ptr<vehicle::DataType> PlainType(
    util::data::Storage_e storage, util::e_endian endian,
    VehicleV2::ConversionTypes_e kind = VehicleV2::CONV_DIRECT, double scalar = 1.0,
    double offset = 0.0, const std::string& format = "%.2f") {
  vehicle::DataType::std_conv_t conv;
  conv.type = kind;
  conv.constants[VehicleV2::CONST_SCALAR] = scalar;
  conv.constants[VehicleV2::CONST_OFFSET] = offset;
  return std::make_shared<vehicle::DataType>(endian, storage, "unit", format, conv);
}

inline std::shared_ptr<vehicle::DataType> CompoundType(const std::string& expression,
                                                       const std::string& format = "%.2f") {
  return std::make_shared<vehicle::DataType>(format, "unit", expression);
}

inline std::shared_ptr<vehicle::Monitor> Plain(const std::string& id,
                                               const std::shared_ptr<vehicle::DataType>& type,
                                               uint32_t address = 0x1000) {
  return std::make_shared<vehicle::Monitor>(id, 0.0f, 100.0f, address, Ecu::MONITOR_PROTOCOL_RAM,
                                            type, false);
}

// A compound monitor whose inputs are resolved to `inputs`.
inline std::shared_ptr<vehicle::Monitor> Compound(
    const std::string& id, const std::string& expression,
    const std::vector<std::shared_ptr<vehicle::Monitor>>& inputs,
    const std::string& format = "%.2f") {
  std::vector<std::string> ids;
  for (const auto& input : inputs)
    ids.push_back(input->GetObjId());
  auto monitor =
      std::make_shared<vehicle::Monitor>(id, 0.0f, 100.0f, CompoundType(expression, format), ids);
  monitor->SetInputs(inputs);
  return monitor;
}

}  // namespace monitor_fixtures
