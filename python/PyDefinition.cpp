#include "PyDefinition.h"

#include <pybind11/stl.h>

#include <boost/archive/archive_exception.hpp>
#include <fstream>
#include <map>
#include <utility>

#include "vehicle/definition/Axis.h"
#include "vehicle/definition/Table.h"
#include "vehicle/definition/XMLToggle.h"
#include "vehicle/loading/Vehicle.h"
#include "vehicle/monitor/Monitor.h"

namespace py = pybind11;

namespace ecucal_python {

namespace {

template <class E>
std::string Word(const util::enum_map<E, std::string>& words, E value) {
  auto found = words.find(value);
  return found == words.end() ? std::string("unknown") : found->second;
}

py::object OptionalText(const std::string& text) {
  return text.empty() ? py::object(py::none()) : py::object(py::str(text));
}

// Columns, rows and depth of a table's value grid.
py::tuple Shape(const vehicle::Table& table) {
  std::shared_ptr<vehicle::Axis> body = table.GetAxis(vehicle::AXIS_Z);
  if (!body)
    return py::tuple();
  const auto& d = body->GetDimensions();
  auto count = [](uint32_t n) {
    return n == vehicle::Axis::NOT_SET ? py::object(py::none()) : py::object(py::int_(n));
  };
  return py::make_tuple(count(d.x), count(d.y), count(d.z));
}

py::dict TableInfo(const vehicle::Table& table) {
  py::dict info;
  info["type"] = Word(vehicle::priv::GetTableTypeStrs(), table.GetTableType());
  info["shape"] = Shape(table);
  info["groups"] = py::tuple(py::cast(table.GetGroupIds()));
  info["master"] = OptionalText(table.GetMasterTableId());
  std::shared_ptr<vehicle::Axis> body = table.GetAxis(vehicle::AXIS_Z);
  info["unit"] = body ? OptionalText(body->GetUnit()) : py::object(py::none());
  info["read_only"] = body && body->IsReadOnly();
  return info;
}

std::string ToggleType(vehicle::Toggle::ToggleType_e type) {
  switch (type) {
    case vehicle::Toggle::TOGGLE_TYPE_TOGGLE:
      return "toggle";
    case vehicle::Toggle::TOGGLE_TYPE_DTC:
      return "dtc";
    default:
      return "unknown";
  }
}

// A store's entries in id order, so the views list them predictably.
template <class Store>
std::map<std::string, typename Store::map_type::mapped_type> Sorted(const Store& store) {
  std::map<std::string, typename Store::map_type::mapped_type> sorted;
  for (const auto& entry : store)
    sorted.emplace(entry.first, entry.second);
  return sorted;
}

}  // namespace

py::object ReadOnly(const py::dict& dict) {
  return py::module_::import("types").attr("MappingProxyType")(dict);
}

std::shared_ptr<PyDefinition> PyDefinition::Load(const std::string& path) {
  // The loader reports a missing top document only as "not loaded".
  if (!std::ifstream(path).is_open())
    throw py::value_error("cannot open definition " + path);
  auto vehicle = std::make_shared<vehicle::Vehicle>();
  std::string error;
  try {
    vehicle->Load(path, error, vexa_xml::XML_LOAD_DEFAULT);
  } catch (const boost::archive::archive_exception& e) {
    throw py::value_error("cache file " + path + vehicle::Vehicle::SVX_EXT +
                          " is corrupt or was written by another version: " + e.what());
  } catch (const std::exception& e) {
    throw py::value_error("cannot load " + path + ": " + e.what());
  }
  if (!vehicle->IsLoaded()) {
    throw py::value_error("cannot load " + path +
                          (error.empty() ? std::string(": not a definition") : ": " + error));
  }
  std::string ignored;
  vehicle->Validate(ignored);
  return std::shared_ptr<PyDefinition>(new PyDefinition(path, std::move(vehicle)));
}

bool PyDefinition::IsValid() const {
  return vehicle_->IsValid();
}

py::list PyDefinition::Check() const {
  py::list findings;
  for (const vehicle::ValidationFinding& finding : vehicle_->GetValidationFindings()) {
    py::dict item;
    item["object_class"] = finding.object_class;
    item["id"] = finding.id;
    item["code"] = finding.code;
    item["detail"] = finding.detail;
    findings.append(item);
  }
  return findings;
}

py::object PyDefinition::Tables() const {
  py::dict tables;
  for (const auto& entry : Sorted(vehicle_->GetTables()))
    tables[py::str(entry.first)] = ReadOnly(TableInfo(*entry.second));
  return ReadOnly(tables);
}

py::object PyDefinition::Toggles() const {
  // The definition's own toggles, and the trouble codes the ROMs built on
  // it have parsed so far.
  py::dict toggles;
  auto add = [&toggles](const std::string& id, const vehicle::Toggle& toggle) {
    if (toggles.contains(id))
      return;
    py::dict info;
    info["type"] = ToggleType(toggle.GetToggleType());
    toggles[py::str(id)] = ReadOnly(info);
  };
  for (const auto& entry : Sorted(vehicle_->GetXMLToggles()))
    add(entry.first, *entry.second);
  for (const auto& entry : Sorted(vehicle_->GetToggles()))
    add(entry.first, *entry.second);
  return ReadOnly(toggles);
}

py::object PyDefinition::Monitors() const {
  py::dict monitors;
  for (const auto& entry : Sorted(vehicle_->GetMonitors())) {
    const vehicle::Monitor& monitor = *entry.second;
    py::dict info;
    info["data_type"] = OptionalText(monitor.GetDataTypeId());
    info["groups"] = py::tuple(py::cast(monitor.GetGroupIds()));
    info["inputs"] = py::tuple(py::cast(monitor.GetInputMonitorIds()));
    monitors[py::str(entry.first)] = ReadOnly(info);
  }
  return ReadOnly(monitors);
}

py::object PyDefinition::RomInfo() const {
  const vehicle::RomInfo& rom = vehicle_->GetRomInfo();
  py::dict info;
  info["vehicle_id"] = vehicle_->GetLiveRomName();
  info["stock_rom_name"] = vehicle_->GetStockRomName();
  info["rom_name"] = rom.GetRomName();
  info["cpu"] = Word(vehicle::priv::GetCPUStrs(), rom.GetCPU());
  info["protocol"] = Word(vehicle::priv::GetProtocolStrs(), rom.GetProtocol());
  info["flash"] = Word(vehicle::priv::GetFlashStrs(), rom.GetFlash());
  info["rom_crcs"] = py::tuple(py::cast(rom.GetRomCrcs()));
  info["dtc_parser"] = OptionalText(rom.GetDTC());
  info["read_only"] = vehicle_->IsReadOnly();
  const auto& firmware = rom.GetFirmwareId();
  info["firmware_id"] = OptionalText(firmware.id);
  return ReadOnly(info);
}

}  // namespace ecucal_python
