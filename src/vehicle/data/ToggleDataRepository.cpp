#include "vehicle/data/ToggleDataRepository.h"

#include <tinyxml.h>

#include <exception>

#include "dtc/ParserFactory.h"
#include "vehicle/copy/DeleteFeatureRemover.h"
#include "vehicle/copy/ToggleRestrictor.h"
#include "vehicle/definition/ECUOffsetTranslator.h"
#include "vehicle/definition/RomInfo.h"
#include "vehicle/definition/XMLToggle.h"

namespace vehicle {

ToggleDataRepository::ToggleDataRepository(const ToggleDataRepository& other) {
  *this = other;
}

ToggleDataRepository& ToggleDataRepository::operator=(const ToggleDataRepository& other) {
  if (this == &other)
    return *this;
  ToggleDataHash copy;
  for (const auto& entry : other.toggles_) {
    if (entry.second)
      copy.setData(entry.first, std::make_shared<ToggleData>(*entry.second));
  }
  toggles_ = std::move(copy);
  skipped_ = other.skipped_;
  trouble_code_parse_ = other.trouble_code_parse_;
  trouble_code_error_ = other.trouble_code_error_;
  return *this;
}

std::shared_ptr<ToggleData> ToggleDataRepository::GetToggle(const std::string& id) const {
  auto found = toggles_.data.find(id);
  return found == toggles_.data.end() ? nullptr : found->second;
}

bool ToggleDataRepository::IsDirty() const {
  for (const auto& entry : toggles_) {
    if (entry.second->IsDirty())
      return true;
  }
  return false;
}

void ToggleDataRepository::ClearDirtyState() {
  for (auto& entry : toggles_) {
    entry.second->ClearDirtyState();
  }
}

bool ToggleDataRepository::SaveToggles(std::vector<uint8_t>& rom) const {
  for (const auto& entry : toggles_) {
    if (entry.second->IsBuilt() && !entry.second->FitsImage(rom))
      return false;
  }
  for (const auto& entry : toggles_) {
    if (entry.second->IsBuilt())
      entry.second->SaveToggle(rom);
  }
  return true;
}

void ToggleDataRepository::ResetReport() {
  skipped_.clear();
  trouble_code_parse_ = TROUBLE_CODES_NOT_PARSED;
  trouble_code_error_.clear();
}

ToggleDataRepository::Outcome ToggleDataRepository::Make(const Toggle& toggle,
                                                         const std::string& id,
                                                         const std::vector<uint8_t>& rom,
                                                         std::shared_ptr<ToggleData>& out) {
  out = std::make_shared<ToggleData>(toggle);
  if (!out->FitsImage(rom)) {
    skipped_.push_back(id);
    return SKIPPED;
  }
  return out->BuildToggle(rom) ? BUILT : AMBIGUOUS;
}

void ToggleDataRepository::AddUnlessPresent(const std::string& id,
                                            const std::shared_ptr<ToggleData>& data) {
  if (!toggles_.dataExists(id))
    toggles_.addData(id, data);
}

void ToggleDataRepository::RestoreRemovedToggles(Vehicle& vehicle) {
  Vehicle::Toggles& removed = vehicle.GetRemovedToggles();
  Vehicle::XMLToggles& xml = vehicle.GetXMLToggles();
  Vehicle::ParsedToggles& parsed = vehicle.GetParsedToggles();
  Vehicle::Toggles& combined = vehicle.GetToggles();
  for (const auto& entry : removed) {
    const std::shared_ptr<Toggle>& toggle = entry.second;
    if (!toggle)
      continue;
    if (auto xml_toggle = std::dynamic_pointer_cast<XMLToggle>(toggle)) {
      if (!xml.dataExists(entry.first))
        xml.addData(entry.first, xml_toggle);
    } else {
      parsed.emplace(entry.first, *toggle);
    }
    if (!combined.dataExists(entry.first))
      combined.addData(entry.first, toggle);
  }
  removed.clear();
}

void ToggleDataRepository::ForgetParsedToggles(Vehicle& vehicle) {
  vehicle.GetParsedToggles().clear();
  Vehicle::Toggles& combined = vehicle.GetToggles();
  std::vector<std::string> parsed_ids;
  for (const auto& entry : combined) {
    if (!std::dynamic_pointer_cast<XMLToggle>(entry.second))
      parsed_ids.push_back(entry.first);
  }
  for (const std::string& id : parsed_ids) {
    combined.removeData(id);
  }
}

bool ToggleDataRepository::BuildToggles(std::shared_ptr<Vehicle>& vehicle,
                                        const std::vector<uint8_t>& rom,
                                        const std::vector<uint8_t>& second, bool keep_existing) {
  ResetReport();
  if (!vehicle)
    return false;
  RestoreRemovedToggles(*vehicle);
  ForgetParsedToggles(*vehicle);
  if (!keep_existing)
    toggles_.clear();
  const DeleteFeatureRemover remover = vehicle->GetDeleteFeatureRemover();
  Vehicle::Toggles& removed = vehicle->GetRemovedToggles();
  RemoveRestrictedToggles(vehicle->GetToggles(), remover, removed);
  bool ok = BuildXmlToggles(vehicle->GetXMLToggles(), rom, remover, removed);
  if (ok) {
    ok = BuildParsedToggles(vehicle->GetRomInfo(), rom, second, vehicle->GetParsedToggles(),
                            remover, removed);
  }
  RemoveToggleDataOrSetRestrictedStatus(vehicle->GetToggleRestrictor(), remover);
  vehicle->CombineToggles();
  return ok;
}

bool ToggleDataRepository::BuildUnrestrictedToggles(const std::shared_ptr<Vehicle>& vehicle,
                                                    const std::vector<uint8_t>& rom,
                                                    const std::vector<uint8_t>& second) {
  ResetReport();
  if (!vehicle)
    return false;
  if (vehicle->HasParsedToggles())
    return CopyUnrestrictedTogglesFromVehicle(vehicle, rom);
  RestoreRemovedToggles(*vehicle);
  ForgetParsedToggles(*vehicle);
  bool ok = BuildUnrestrictedXmlToggles(vehicle->GetXMLToggles(), rom);
  if (ok) {
    ok = BuildUnrestrictedParsedToggles(vehicle->GetRomInfo(), rom, second,
                                        vehicle->GetParsedToggles());
  }
  vehicle->CombineToggles();
  return ok;
}

bool ToggleDataRepository::CopyTogglesFromVehicle(const std::shared_ptr<Vehicle>& vehicle,
                                                  const std::vector<uint8_t>& rom,
                                                  const DeleteFeatureRemover& remover) {
  ResetReport();
  if (!vehicle)
    return false;
  RestoreRemovedToggles(*vehicle);
  return BuildStore(vehicle->GetToggles(), rom, remover, vehicle->GetRemovedToggles(),
                    [this](const std::string& id, const std::shared_ptr<ToggleData>& data) {
                      toggles_.setData(id, data);
                    });
}

template <class Store, class Add>
bool ToggleDataRepository::BuildStore(Store& store, const std::vector<uint8_t>& rom,
                                      const DeleteFeatureRemover& remover,
                                      Vehicle::Toggles& removed, Add add) {
  std::vector<std::string> taken_out;
  bool ok = true;
  for (const auto& entry : store) {
    if (remover.ToggleShouldBeRemoved(entry.first)) {
      removed.setData(entry.first, entry.second);
      taken_out.push_back(entry.first);
      continue;
    }
    std::shared_ptr<ToggleData> data;
    const Outcome outcome = Make(*entry.second, entry.first, rom, data);
    if (outcome == AMBIGUOUS) {
      ok = false;
      break;
    }
    if (outcome == BUILT)
      add(entry.first, data);
  }
  for (const std::string& id : taken_out)
    store.removeData(id);
  return ok;
}

bool ToggleDataRepository::CopyUnrestrictedTogglesFromVehicle(
    const std::shared_ptr<Vehicle>& vehicle, const std::vector<uint8_t>& rom) {
  ResetReport();
  if (!vehicle)
    return false;
  RestoreRemovedToggles(*vehicle);
  toggles_.clear();
  for (const auto& entry : vehicle->GetToggles()) {
    std::shared_ptr<ToggleData> data;
    const Outcome outcome = Make(*entry.second, entry.first, rom, data);
    if (outcome == AMBIGUOUS)
      return false;
    if (outcome == BUILT)
      toggles_.setData(entry.first, data);
  }
  return true;
}

void ToggleDataRepository::RemoveRestrictedToggles(Vehicle::Toggles& combined,
                                                   const DeleteFeatureRemover& remover,
                                                   Vehicle::Toggles& removed) {
  std::vector<std::string> taken_out;
  for (const auto& entry : combined) {
    if (remover.ToggleShouldBeRemoved(entry.first)) {
      removed.setData(entry.first, entry.second);
      taken_out.push_back(entry.first);
    }
  }
  for (const std::string& id : taken_out) {
    combined.removeData(id);
  }
}

bool ToggleDataRepository::BuildXmlToggles(Vehicle::XMLToggles& xml,
                                           const std::vector<uint8_t>& rom,
                                           const DeleteFeatureRemover& remover,
                                           Vehicle::Toggles& removed) {
  return BuildStore(xml, rom, remover, removed,
                    [this](const std::string& id, const std::shared_ptr<ToggleData>& data) {
                      AddUnlessPresent(id, data);
                    });
}

bool ToggleDataRepository::BuildUnrestrictedXmlToggles(const Vehicle::XMLToggles& xml,
                                                       const std::vector<uint8_t>& rom) {
  for (const auto& entry : xml) {
    std::shared_ptr<ToggleData> data;
    const Outcome outcome = Make(*entry.second, entry.first, rom, data);
    if (outcome == AMBIGUOUS)
      return false;
    if (outcome == BUILT)
      AddUnlessPresent(entry.first, data);
  }
  return true;
}

bool ToggleDataRepository::BuildParsedToggles(const RomInfo& rom_info,
                                              const std::vector<uint8_t>& rom,
                                              const std::vector<uint8_t>& second,
                                              Vehicle::ParsedToggles& parsed,
                                              const DeleteFeatureRemover& remover,
                                              Vehicle::Toggles& removed) {
  return ParseTroubleCodes(rom_info, rom, second, parsed, &remover, &removed);
}

bool ToggleDataRepository::BuildUnrestrictedParsedToggles(const RomInfo& rom_info,
                                                          const std::vector<uint8_t>& rom,
                                                          const std::vector<uint8_t>& second,
                                                          Vehicle::ParsedToggles& parsed) {
  return ParseTroubleCodes(rom_info, rom, second, parsed, nullptr, nullptr);
}

bool ToggleDataRepository::ParseTroubleCodes(const RomInfo& rom_info,
                                             const std::vector<uint8_t>& rom,
                                             const std::vector<uint8_t>& second,
                                             Vehicle::ParsedToggles& parsed,
                                             const DeleteFeatureRemover* remover,
                                             Vehicle::Toggles* removed) {
  // Codes of an earlier image must not be extended by this one's.
  parsed.clear();
  std::unique_ptr<DTCParser> parser = dtc::MakeParser(rom_info.GetDTC());
  if (!parser) {
    trouble_code_parse_ = TROUBLE_CODES_NO_PARSER;
    return true;
  }
  if (second.empty()) {
    trouble_code_parse_ = TROUBLE_CODES_EMPTY_IMAGE;
    return true;
  }
  parser->SetECUOffsetTranslator(getECUToRomOffsetTranslator(rom_info.GetCPU()));
  // The parser takes its parameters by non-const reference; it gets a copy
  // so that the shared definition is never written through it.
  TiXmlElement params(rom_info.GetDTCParserParams());
  bool ok = false;
  try {
    ok = parser->Parse(second, parsed, params);
    if (!ok) {
      trouble_code_error_ = parser->GetErrors().empty()
                                ? std::string("trouble-code table not found in the second image")
                                : parser->GetErrors().front();
    }
  } catch (const std::exception& e) {
    trouble_code_error_ = e.what();
  }
  if (!ok) {
    // A parse that stopped half way leaves no code behind.
    parsed.clear();
    trouble_code_parse_ = TROUBLE_CODES_FAILED;
    return false;
  }
  trouble_code_parse_ = TROUBLE_CODES_PARSED;

  for (auto it = parsed.begin(); it != parsed.end();) {
    if (remover != nullptr && remover->ToggleShouldBeRemoved(it->first)) {
      removed->setData(it->first, std::make_shared<Toggle>(it->second));
      it = parsed.erase(it);
      continue;
    }
    std::shared_ptr<ToggleData> data;
    if (Make(it->second, it->first, rom, data) == BUILT)
      AddUnlessPresent(it->first, data);
    ++it;
  }
  return true;
}

void ToggleDataRepository::RemoveToggleDataOrSetRestrictedStatus(
    const ToggleRestrictor& restrictor, const DeleteFeatureRemover& remover) {
  std::vector<std::string> taken_out;
  for (auto& entry : toggles_) {
    if (remover.ToggleShouldBeRemoved(entry.first))
      taken_out.push_back(entry.first);
    else if (restrictor.IsRestricted(entry.first))
      entry.second->SetRestricted(true);
  }
  for (const std::string& id : taken_out) {
    toggles_.removeData(id);
  }
}

}  // namespace vehicle
