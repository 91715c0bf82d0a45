// ecucal toggles: every switch and trouble code of a ROM with its state;
// ecucal switch: turn one of them on or off into a new image.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "Commands.h"
#include "Output.h"
#include "Rom.h"
#include "RomChanges.h"
#include "vehicle/data/ToggleData.h"
#include "vehicle/data/VehicleData.h"

namespace ecucal_cli {

namespace {

struct TogglesOptions {
  RomOptions rom;
  std::string path;
  bool dtc = false;
  bool verbose = false;
};

struct SwitchOptions {
  RomOptions rom;
  std::string path;
  std::string id;
  std::string state;
  OutputOptions output;
};

bool IsTroubleCode(const vehicle::ToggleData& toggle) {
  return toggle.GetToggleType() == vehicle::Toggle::TOGGLE_TYPE_DTC;
}

// "on", "off", and what the bytes say when they match neither or both states.
std::string StateText(const vehicle::ToggleData& toggle, const Image& image) {
  const auto matches = toggle.ValidateData(image);
  std::string text = toggle.IsEnabled() ? "on" : "off";
  if (matches.first == matches.second)
    text += matches.first ? " (bytes match both states)" : " (bytes match neither state)";
  return text;
}

Image Slice(const Image& image, uint64_t offset, size_t length) {
  if (offset >= image.size())
    return {};
  const size_t end = static_cast<size_t>(std::min<uint64_t>(image.size(), offset + length));
  return Image(image.begin() + static_cast<long>(offset), image.begin() + static_cast<long>(end));
}

size_t SegmentLength(const vehicle::ToggleStateDefinitionSegment& segment) {
  return std::max(segment.enabled_values.size(), segment.disabled_values.size());
}

nlohmann::json SegmentsJson(const vehicle::ToggleData& toggle, const Image& image) {
  nlohmann::json list = nlohmann::json::array();
  for (const auto& segment : toggle.GetToggle().GetToggleStateDefinitionSegments()) {
    list.push_back({{"offset", segment.rom_offset},
                    {"bytes", HexBytes(Slice(image, segment.rom_offset, SegmentLength(segment)))},
                    {"enabled", HexBytes(segment.enabled_values)},
                    {"disabled", HexBytes(segment.disabled_values)},
                    {"mask", segment.use_mask ? HexBytes(segment.mask_values) : ""}});
  }
  return list;
}

std::vector<std::shared_ptr<vehicle::ToggleData>> Listed(const Rom& rom, bool dtc) {
  std::vector<std::shared_ptr<vehicle::ToggleData>> toggles;
  for (const std::string& id : SortedKeys(rom.data->GetToggleHash())) {
    auto toggle = rom.data->GetToggle(id);
    if (dtc || !IsTroubleCode(*toggle))
      toggles.push_back(toggle);
  }
  return toggles;
}

// With -v one row per segment: its offset, the image's bytes, the on and off
// values and the mask.
void AddSegmentRows(const vehicle::ToggleData& toggle, const Image& image,
                    std::vector<std::string> first, TextTable& table) {
  for (const auto& segment : toggle.GetToggle().GetToggleStateDefinitionSegments()) {
    std::vector<std::string> row = first;
    row.insert(row.end(), {Hex32(segment.rom_offset),
                           HexBytes(Slice(image, segment.rom_offset, SegmentLength(segment))),
                           HexBytes(segment.enabled_values), HexBytes(segment.disabled_values),
                           segment.use_mask ? HexBytes(segment.mask_values) : "-"});
    table.AddRow(row);
    first.assign(first.size(), "");
  }
}

void PrintToggles(const RomSession& session, const Rom& rom, const TogglesOptions& options) {
  std::vector<std::string> header = {"Toggle", "Type", "State", "Restricted"};
  if (options.verbose)
    header.insert(header.end(), {"Offset", "Bytes", "On", "Off", "Mask"});
  TextTable table(header);
  size_t odd = 0;
  for (const auto& toggle : Listed(rom, options.dtc)) {
    const std::string state = StateText(*toggle, rom.image);
    odd += state.find('(') != std::string::npos;
    std::vector<std::string> row = {
        toggle->GetID(), IsTroubleCode(*toggle) ? "trouble code" : "switch", state,
        IsToggleRestricted(session.vehicle(), toggle->GetID()) ? "yes" : "-"};
    if (options.verbose)
      AddSegmentRows(*toggle, rom.image, row, table);
    else
      table.AddRow(row);
  }
  table.Print(std::cout);
  if (odd > 0)
    std::cout << odd << (odd == 1 ? " toggle has" : " toggles have")
              << " bytes that match neither or both of their states\n";
}

int RunToggles(const TogglesOptions& options) {
  Progress progress;
  RomSession session(options.rom, progress);
  const Rom rom = session.Open(options.path);
  if (!options.rom.json) {
    PrintToggles(session, rom, options);
    return kExitOk;
  }
  nlohmann::json list = nlohmann::json::array();
  for (const auto& toggle : Listed(rom, options.dtc)) {
    const auto matches = toggle->ValidateData(rom.image);
    nlohmann::json entry = {{"id", toggle->GetID()},
                            {"type", IsTroubleCode(*toggle) ? "dtc" : "toggle"},
                            {"enabled", toggle->IsEnabled()},
                            {"matches_enabled", matches.first},
                            {"matches_disabled", matches.second},
                            {"restricted", IsToggleRestricted(session.vehicle(), toggle->GetID())}};
    if (options.verbose)
      entry["segments"] = SegmentsJson(*toggle, rom.image);
    list.push_back(entry);
  }
  PrintJson({{"rom", rom.path}, {"toggles", list}});
  return kExitOk;
}

std::shared_ptr<vehicle::ToggleData> FindToggle(const RomSession& session, const Rom& rom,
                                                const std::string& id) {
  const auto toggle = rom.data->GetToggle(id);
  if (IsToggleRestricted(session.vehicle(), id) || (toggle && toggle->IsRestricted()))
    throw CommandError(kExitBadRequest,
                       "toggle \"" + id + "\" is restricted and cannot be changed");
  if (!toggle)
    throw CommandError(kExitBadRequest, "no toggle \"" + id + "\" in the definition or " +
                                            rom.path + "; see ecucal toggles --dtc");
  return toggle;
}

int RunSwitch(const SwitchOptions& options) {
  CheckOutputOptions(options.output, options.path);
  Progress progress;
  RomSession session(options.rom, progress);
  const Rom rom = session.Open(options.path);
  const auto toggle = FindToggle(session, rom, options.id);
  const bool was = toggle->IsEnabled();
  toggle->SetEnabled(options.state == "on");
  const RomChanges changes = SaveChanges(session, rom, progress);
  const std::string written = WriteOutput(options.output, rom.path, changes.image);
  const auto before = SegmentsJson(*toggle, rom.image);
  const auto after = SegmentsJson(*toggle, changes.image);
  if (options.rom.json) {
    nlohmann::json segments = nlohmann::json::array();
    for (size_t i = 0; i < before.size(); ++i)
      segments.push_back({{"offset", before[i]["offset"]},
                          {"before", before[i]["bytes"]},
                          {"after", after[i]["bytes"]}});
    PrintJson({{"rom", rom.path},
               {"toggle", options.id},
               {"was", was ? "on" : "off"},
               {"now", options.state},
               {"segments", segments},
               {"output", written}});
    return kExitOk;
  }
  std::cout << options.id << ": " << (was ? "on" : "off") << " -> " << options.state << '\n';
  TextTable table({"offset", "before", "after"});
  for (size_t i = 0; i < before.size(); ++i)
    table.AddRow(
        {Hex32(before[i]["offset"].get<uint32_t>()), before[i]["bytes"], after[i]["bytes"]});
  table.Print(std::cout, "  ");
  std::cout << "Wrote " << written << '\n';
  return kExitOk;
}

}  // namespace

Verb AddTogglesVerb(CLI::App& app) {
  auto options = std::make_shared<TogglesOptions>();
  CLI::App* command =
      AddRomVerb(app, "toggles",
                 "List every switch of a ROM (with --dtc every trouble code too): id, type,\n"
                 "state, restricted, and the toggles whose bytes match neither or both states.",
                 options->rom);
  command->add_option("rom", options->path, "ROM image")->required();
  command->add_flag("--dtc", options->dtc, "list the trouble codes as well");
  command->add_flag("-v,--verbose", options->verbose, "each segment's offset and bytes");
  return {command, [options] { return RunToggles(*options); }};
}

Verb AddSwitchVerb(CLI::App& app) {
  auto options = std::make_shared<SwitchOptions>();
  CLI::App* command =
      AddRomVerb(app, "switch",
                 "Turn one switch or trouble code on or off into a new image; prints each\n"
                 "segment's bytes before and after. Restricted toggles are refused.",
                 options->rom);
  command->add_option("rom", options->path, "ROM image")->required();
  command->add_option("id", options->id, "toggle or trouble code id")->required();
  command->add_option("state", options->state, "on or off")
      ->required()
      ->check(CLI::IsMember({"on", "off"}));
  AddOutputOptions(command, options->output);
  return {command, [options] { return RunSwitch(*options); }};
}

}  // namespace ecucal_cli
