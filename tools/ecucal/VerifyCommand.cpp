// ecucal verify: would building and saving a ROM give it back byte for byte?
// Reports what would change and why.
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
#include "vehicle/data/TableData.h"
#include "vehicle/data/ToggleData.h"
#include "vehicle/data/VehicleData.h"

namespace ecucal_cli {

namespace {

struct VerifyOptions {
  RomOptions rom;
  std::string path;
};

// Why saving rewrites bytes of `owner`.
std::string Reason(const Rom& rom, const Owner& owner) {
  switch (owner.kind) {
    case Owner::kMirror:
      return "table \"" + owner.id + "\": " + owner.detail + " disagrees with the first copy";
    case Owner::kToggle: {
      const auto toggle = rom.data->GetToggle(owner.id);
      const auto matches = toggle ? toggle->ValidateData(rom.image) : std::make_pair(false, false);
      const std::string state = !matches.first && !matches.second ? "neither" : "both";
      return "toggle \"" + owner.id + "\" matches " + state + " of its states";
    }
    case Owner::kTable: {
      const auto table = rom.data->GetTable(owner.id);
      if (table && table->IsSlave())
        return "table \"" + owner.id + "\" differs from its master \"" + table->GetMasterTableId() +
               "\"";
      return "table \"" + owner.id + "\" (" + owner.detail + ") is rewritten";
    }
    case Owner::kRomInfo:
      break;
  }
  return owner.id + " is rewritten";
}

struct Finding {
  ChangedRange range;
  std::vector<std::string> reasons;
};

std::vector<Finding> Findings(const RomSession& session, const Rom& rom,
                              const RomChanges& changes) {
  RomMap map(session.vehicle());
  map.AddToggles(*rom.data);
  std::vector<Finding> findings;
  for (const ChangedRange& range : changes.ranges) {
    Finding finding{range, {}};
    for (const Owner* owner : map.OwnersOf(range.bytes)) {
      const std::string reason = Reason(rom, *owner);
      // A slave's bytes are owned by the slave only; its shared axes by many.
      if (std::find(finding.reasons.begin(), finding.reasons.end(), reason) ==
          finding.reasons.end())
        finding.reasons.push_back(reason);
    }
    if (finding.reasons.empty())
      finding.reasons.push_back("outside every table and toggle");
    findings.push_back(finding);
  }
  return findings;
}

// Toggles whose bytes read as neither state, or as both: saving keeps their
// bytes, but the image does not say clearly whether they are on.
std::vector<std::string> AmbiguousToggles(const Rom& rom) {
  std::vector<std::string> found;
  for (const std::string& id : SortedKeys(rom.data->GetToggleHash())) {
    const auto matches = rom.data->GetToggle(id)->ValidateData(rom.image);
    if (matches.first == matches.second)
      found.push_back("\"" + id + "\" matches " + (matches.first ? "both" : "neither") +
                      " of its states");
  }
  return found;
}

void PrintFindings(const Rom& rom, const std::vector<Finding>& findings,
                   const std::vector<std::string>& ambiguous) {
  if (findings.empty()) {
    std::cout << rom.path << " is byte-exact: building and saving it gives it back unchanged.\n";
  } else {
    std::cout << rom.path << " is not byte-exact; saving it would change:\n";
    TextTable table({"bytes", "because"});
    for (const Finding& finding : findings)
      table.AddRow({ChangedText(finding.range), JoinOrDash(finding.reasons)});
    table.Print(std::cout, "  ");
  }
  if (!ambiguous.empty()) {
    std::cout << "Toggles kept as they are although their bytes are unclear:\n";
    for (const std::string& text : ambiguous)
      std::cout << "  toggle " << text << '\n';
  }
}

int Run(const VerifyOptions& options) {
  Progress progress;
  RomSession session(options.rom, progress);
  const Rom rom = session.Open(options.path);
  const RomChanges changes = SaveChanges(session, rom, progress);
  const std::vector<Finding> findings = Findings(session, rom, changes);
  if (options.rom.json) {
    nlohmann::json list = nlohmann::json::array();
    for (const Finding& finding : findings) {
      nlohmann::json entry = RangeJson(finding.range.bytes);
      entry["changed"] = finding.range.changed;
      entry["reasons"] = finding.reasons;
      list.push_back(entry);
    }
    PrintJson({{"rom", rom.path},
               {"byte_exact", findings.empty()},
               {"changes", list},
               {"unclear_toggles", AmbiguousToggles(rom)}});
  } else {
    PrintFindings(rom, findings, AmbiguousToggles(rom));
  }
  return findings.empty() ? kExitOk : kExitInvalid;
}

}  // namespace

Verb AddVerifyVerb(CLI::App& app) {
  auto options = std::make_shared<VerifyOptions>();
  CLI::App* command =
      AddRomVerb(app, "verify",
                 "Build a ROM and save it into a copy; report the byte ranges that would change\n"
                 "and why (mirrors that disagree, slaves that differ from their master, toggles\n"
                 "matching neither state). Exit 1 when the ROM is not byte-exact.",
                 options->rom);
  command->add_option("rom", options->path, "ROM image")->required();
  return {command, [options] { return Run(*options); }};
}

}  // namespace ecucal_cli
