// ecucal import: turn one ROM of RomRaider or EcuFlash definitions into an ecucal definition tree.
#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "Commands.h"
#include "Output.h"
#include "import/Importer.h"

namespace ecucal_cli {

namespace {

struct ImportCommandOptions {
  std::vector<std::string> files;
  std::string rom;
  std::string output;
  std::string cpu;
  bool json = false;
};

// The library's message, one problem per line, without the last line break.
std::string Message(std::string text) {
  while (!text.empty() && text.back() == '\n')
    text.pop_back();
  return text.empty() ? "import failed" : text;
}

void PrintText(const import::ImportResult& result, const std::string& rom) {
  std::string chain;
  for (const std::string& xmlid : result.chain)
    chain += (chain.empty() ? "" : " <- ") + xmlid;
  std::cout << "Imported ROM " << rom << " (" << import::FormatName(result.format)
            << "; inheritance " << chain << ")\n";
  std::cout << "Wrote       " << result.documents.front() << " and " << result.documents.size() - 1
            << " included documents\n";
  std::cout << "Processor   " << result.cpu << "\n\n";

  TextTable counts({"Objects", "written"});
  counts.AddRow({"tables", std::to_string(result.tables)});
  counts.AddRow({"toggles", std::to_string(result.toggles)});
  counts.AddRow({"data types", std::to_string(result.data_types)});
  counts.AddRow({"groups", std::to_string(result.groups)});
  counts.Print(std::cout, "  ");
  std::cout << "  (from " << result.source_tables << " source tables)\n";

  if (!result.issues.empty()) {
    std::cout << "\nNot carried over, or only in part (" << result.issues.size() << "):\n";
    TextTable issues({"Item", "Reason"});
    for (const import::Issue& issue : result.issues)
      issues.AddRow({issue.item, issue.reason});
    issues.Print(std::cout, "  ");
  }

  std::cout << '\n';
  if (result.loaded && result.valid && result.invalid.empty()) {
    std::cout << "Read back: loads and validates.\n";
    return;
  }
  std::cout << "Read back: " << (result.loaded ? "INVALID" : "DOES NOT LOAD") << ".\n";
  for (const import::InvalidObject& object : result.invalid)
    std::cout << "  " << object.object_class << " " << object.id << '\n';
  if (!result.load_messages.empty())
    std::cout << result.load_messages;
}

nlohmann::json ResultJson(const import::ImportResult& result, const std::string& rom) {
  nlohmann::json chain = nlohmann::json::array();
  for (size_t i = 0; i < result.chain.size(); ++i)
    chain.push_back({{"xmlid", result.chain[i]}, {"file", result.chain_files[i]}});
  nlohmann::json issues = nlohmann::json::array();
  for (const import::Issue& issue : result.issues)
    issues.push_back({{"item", issue.item}, {"reason", issue.reason}});
  nlohmann::json invalid = nlohmann::json::array();
  for (const import::InvalidObject& object : result.invalid)
    invalid.push_back({{"class", object.object_class}, {"id", object.id}});
  return {
      {"rom", rom},
      {"format", import::FormatName(result.format)},
      {"chain", chain},
      {"processor", result.cpu},
      {"top_document", result.documents.front()},
      {"documents", result.documents},
      {"counts",
       {{"source_tables", result.source_tables},
        {"tables", result.tables},
        {"toggles", result.toggles},
        {"data_types", result.data_types},
        {"groups", result.groups}}},
      {"issues", issues},
      {"loaded", result.loaded},
      {"valid", result.loaded && result.valid && result.invalid.empty()},
      {"invalid", invalid},
      {"load_messages", result.load_messages},
  };
}

int Run(const ImportCommandOptions& options) {
  import::ImportOptions request;
  request.files = options.files;
  request.rom = options.rom;
  request.output_folder = options.output;
  request.cpu = options.cpu;

  Progress progress;
  progress.Step("importing " + options.rom);
  import::ImportResult result;
  std::string error;
  const import::ImportStatus status = import::Importer().Run(request, result, error);
  progress.Clear();

  switch (status) {
    case import::ImportStatus::kBadInput:
      throw CommandError(kExitUnreadable, Message(error));
    case import::ImportStatus::kWriteFailed:
      throw CommandError(kExitUnreadable, Message(error));
    case import::ImportStatus::kBadRequest:
      throw CommandError(kExitBadRequest,
                         Message(error) + (result.processor_unknown ? " (--cpu)" : ""));
    case import::ImportStatus::kOk:
    case import::ImportStatus::kInvalid:
      break;
  }
  if (options.json) {
    PrintJson(ResultJson(result, options.rom));
  } else {
    PrintText(result, options.rom);
  }
  return status == import::ImportStatus::kOk ? kExitOk : kExitInvalid;
}

}  // namespace

Verb AddImportVerb(CLI::App& app) {
  auto options = std::make_shared<ImportCommandOptions>();
  CLI::App* command = app.add_subcommand(
      "import",
      "Turn one ROM of RomRaider ECU definitions or EcuFlash ROM definitions into an\n"
      "ecucal definition tree, following its inheritance across the given files; list\n"
      "what could not be carried over, then load and validate what was written.\n"
      "Exit 0 written and valid, 1 written but invalid, 2 input unreadable or broken\n"
      "(malformed XML, inheritance loop or missing parent, absurd sizes) or output not\n"
      "writable, 3 ROM not in the files or processor unknown.");
  command->add_option("files", options->files, "definition files holding the ROM and its parents")
      ->required();
  command->add_option("--rom", options->rom, "xmlid of the ROM to import")->required();
  command->add_option("-o,--output", options->output, "folder to write the definition into")
      ->required();
  command->add_option("--cpu", options->cpu,
                      "processor word (e.g. sh7058) when the romid's memory model names none");
  command->add_flag("--json", options->json, "print one JSON document");
  return {command, [options] { return Run(*options); }};
}

}  // namespace ecucal_cli
