#include "vehicle/loading/Vehicle.h"

#include "vehicle/definition/Axis.h"
#include "vehicle/definition/CopyGroup.h"
#include "vehicle/definition/DataType.h"
#include "vehicle/definition/Group.h"
#include "vehicle/definition/Table.h"
#include "vehicle/definition/XMLToggle.h"
#include "vehicle/monitor/Monitor.h"

namespace vehicle {

const std::string Vehicle::SD_SUFFIX = "_SD";
const std::string Vehicle::CF_SUFFIX = "_CF";
const std::string Vehicle::SVX_EXT = ".svx";

namespace {

bool RemoveLast(std::string& text, const std::string& part) {
  const std::size_t at = text.rfind(part);
  if (at == std::string::npos)
    return false;
  text.erase(at, part.size());
  return true;
}

}  // namespace

Vehicle::Vehicle()
    : version_(kUnsetVersion), delete_feature_remover_(table_restrictor_, toggle_restrictor_) {}

Vehicle::~Vehicle() {
  // Compound monitors hold their inputs; inputs that form a cycle would
  // keep each other alive after the stores let go.
  for (auto& entry : monitors_)
    entry.second->SetInputs({});
  for (auto& entry : invalid_monitors_)
    entry.second->SetInputs({});
}

bool Vehicle::GetVehicleVariants(std::vector<std::string>& variants) const {
  if (variants_.empty())
    return false;
  variants = variants_;
  return true;
}

bool Vehicle::HasVehicleVariant(variant_t variant) const {
  const bool sd = vehicle_id_.find(SD_SUFFIX) != std::string::npos;
  const bool cf = vehicle_id_.find(CF_SUFFIX) != std::string::npos;
  switch (variant) {
    case VARIANT_NONE:
      return !sd && !cf;
    case VARIANT_SD:
      return sd;
    case VARIANT_CF:
      return cf;
  }
  return false;
}

bool Vehicle::RemoveFeatureStrings(std::string& id) const {
  const bool sd = RemoveLast(id, SD_SUFFIX);
  const bool cf = RemoveLast(id, CF_SUFFIX);
  return sd || cf;
}

bool Vehicle::GetVariantlessId(std::string& id) const {
  id = vehicle_id_;
  return RemoveFeatureStrings(id);
}

std::string Vehicle::GetStockRomName() const {
  const std::string rom_name = rom_info_.GetRomName();
  if (!rom_name.empty())
    return rom_name;
  if (HasVehicleVariant(VARIANT_SD) || HasVehicleVariant(VARIANT_CF)) {
    // In these ids "_SD" belongs to the model name and is not a variant.
    static const std::set<std::string> kModelNamesWithSD = {
        "SUBA_US_WRX_SD_02", "SUBA_US_WRX_SD_04", "SUBA_US_WRX_SD_05"};
    if (kModelNamesWithSD.count(vehicle_id_) != 0)
      return vehicle_id_;
    std::string id;
    GetVariantlessId(id);
    return id;
  }
  return vehicle_id_;
}

void Vehicle::CombineToggles() {
  for (const auto& entry : xml_toggles_) {
    if (!toggles_.dataExists(entry.first))
      toggles_.addData(entry.first, entry.second);
  }
  for (const auto& entry : parsed_toggles_) {
    if (!toggles_.dataExists(entry.first)) {
      toggles_.addData(entry.first, std::make_shared<Toggle>(entry.second));
    }
  }
}

}  // namespace vehicle
