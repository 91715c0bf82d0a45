// ecucal report: one HTML page showing every table of a ROM as a heatmap,
// and what differs from a second ROM.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <CLI/CLI.hpp>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>

#include "Commands.h"
#include "Definition.h"
#include "Output.h"
#include "report/ReportBuilder.h"
#include "report/ReportWriter.h"

namespace ecucal_cli {

namespace {

struct ReportOptions {
  std::string definition;
  std::string rom;
  std::string against;
  std::string second;
  std::string output;
  bool json = false;
};

std::string Folder(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos)
    return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

[[noreturn]] void ThrowWriteError(const std::string& path, const std::string& what) {
  throw CommandError(kExitUnreadable, "cannot write " + path + ": " + what);
}

bool SyncPath(const std::string& path, int flags) {
  const int fd = open(path.c_str(), flags);
  if (fd < 0)
    return false;
  const bool synced = fsync(fd) == 0;
  return close(fd) == 0 && synced;
}

// Writes the page next to `path` and renames it over `path` once it is
// complete and on disk, so a failure never leaves a half-written report.
void WritePageAtomically(const report::Report& report, const std::string& path) {
  std::string temp = path + ".XXXXXX";
  const int fd = mkstemp(temp.data());
  if (fd < 0)
    ThrowWriteError(path, std::strerror(errno));
  close(fd);
  try {
    {
      std::ofstream out(temp, std::ios::binary | std::ios::trunc);
      out.exceptions(std::ios::badbit | std::ios::failbit);
      report::WriteReport(report, out);
      out.close();
    }
    // mkstemp makes the file private; a report is an ordinary document.
    const mode_t mask = umask(0);
    umask(mask);
    chmod(temp.c_str(), 0666 & ~mask);
    if (!SyncPath(temp, O_RDONLY))
      ThrowWriteError(path, "cannot flush the page to disk");
    if (std::rename(temp.c_str(), path.c_str()) != 0)
      ThrowWriteError(path, std::strerror(errno));
  } catch (const std::ios::failure&) {
    std::remove(temp.c_str());
    ThrowWriteError(path, "the disk refused the page");
  } catch (...) {
    std::remove(temp.c_str());
    throw;
  }
  // The rename itself is durable once the folder is.
  SyncPath(Folder(path), O_RDONLY | O_DIRECTORY);
}

size_t CountDiffering(const report::Report& report) {
  size_t count = 0;
  for (const report::Table& table : report.tables)
    count += table.ChangedCells() > 0 ? 1 : 0;
  return count;
}

// The page must never land on one of the inputs: a ROM is often a user's
// only copy of a car's calibration.
void RequireNewOutput(const ReportOptions& options) {
  for (const std::string* input :
       {&options.definition, &options.rom, &options.second, &options.against}) {
    std::error_code error;
    if (!input->empty() && std::filesystem::equivalent(*input, options.output, error)) {
      throw CommandError(kExitBadRequest,
                         "the report would overwrite its input " + *input + "; choose another -o");
    }
  }
}

int Run(const ReportOptions& options) {
  RequireNewOutput(options);
  const Definition definition = LoadDefinition(options.definition);
  const RomImage rom = ReadRomImage(options.rom);
  const RomImage second = options.second.empty() ? rom : ReadRomImage(options.second);
  std::unique_ptr<RomImage> against;
  if (!options.against.empty())
    against = std::make_unique<RomImage>(ReadRomImage(options.against));

  const report::Report report = BuildReport(definition, rom, second, against.get());
  WritePageAtomically(report, options.output);

  const size_t differing = CountDiffering(report);
  if (options.json) {
    nlohmann::json json = {
        {"definition", definition.path},    {"rom", options.rom},
        {"output", options.output},         {"tables", report.tables.size()},
        {"toggles", report.toggles.size()}, {"trouble_codes", report.trouble_codes.size()}};
    if (against) {
      json["against"] = options.against;
      json["differing_tables"] = differing;
      json["differing_byte_ranges"] = report.ranges.size() + report.ranges_left_out;
    }
    PrintJson(json);
  } else {
    std::cout << "Wrote " << options.output << ": " << report.tables.size() << " tables, "
              << report.toggles.size() << " toggles, " << report.trouble_codes.size()
              << " trouble codes";
    if (against)
      std::cout << "; " << differing << " tables differ from " << options.against;
    std::cout << '\n';
  }
  return kExitOk;
}

}  // namespace

Verb AddReportVerb(CLI::App& app) {
  auto options = std::make_shared<ReportOptions>();
  CLI::App* command = app.add_subcommand(
      "report",
      "Write one self-contained HTML page of a ROM: its information, every table as a\n"
      "heatmap grid, toggles and trouble codes; with --against, what differs from\n"
      "another ROM first.");
  command->add_option("definition", options->definition, "top document of the definition")
      ->required();
  command->add_option("rom", options->rom, "the ROM image")->required();
  command->add_option("--against", options->against, "a second ROM to compare with");
  command->add_option("--second", options->second,
                      "image the trouble codes and ephemeral tables are read from (default: "
                      "the ROM itself)");
  command->add_option("-o,--output", options->output, "the HTML file to write")->required();
  command->add_flag("--json", options->json, "print one JSON document");
  return {command, [options] { return Run(*options); }};
}

}  // namespace ecucal_cli
