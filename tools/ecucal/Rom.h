#pragma once

// What every verb that works on ROM images shares: the definition read from
// its XML, ROM and second images read and checked against the definition
// before anything is built, the ROM view built from them, and edited images
// written without ever leaving a partial file.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Definition.h"

namespace CLI {
class App;
}

namespace vehicle {
class TableData;
class Vehicle;
class VehicleData;
}  // namespace vehicle

namespace ecucal_cli {

class Progress;

using Image = std::vector<uint8_t>;

// What every ROM verb takes besides its own arguments.
struct RomOptions : DefinitionOptions {
  std::string second;  // empty: every ROM is its own second image
};

// Adds the verb `name` with the definition argument, --json and --second.
CLI::App* AddRomVerb(CLI::App& app, const std::string& name, const std::string& description,
                     RomOptions& options);

// Where an edited image goes: a new file, or over the ROM after ROM.bak.
struct OutputOptions {
  std::string output;
  bool in_place = false;
};

void AddOutputOptions(CLI::App* command, OutputOptions& options);

// Refuses (exit 64) a command line that gives neither or both of -o and
// --in-place, or -o naming the input ROM itself: the input is changed only
// on request. Checked before any work is done.
void CheckOutputOptions(const OutputOptions& options, const std::string& rom_path);

// One ROM image, its second image and the view built from them.
struct Rom {
  std::string path;
  Image image;
  Image second;
  std::shared_ptr<vehicle::VehicleData> data;
};

// Loads the definition once and opens ROMs against it.
//
// Restricted tables and toggles are hidden from a ROM as long as they equal
// the stock ROM's; the command has no stock image to tell, so it treats them
// as changed: every ROM shows them, marked restricted, and no verb changes
// them.
class RomSession {
 public:
  RomSession(const RomOptions& options, Progress& progress);
  // Notes on stderr when the ROMs were their own second images.
  ~RomSession();
  RomSession(const RomSession&) = delete;
  RomSession& operator=(const RomSession&) = delete;

  const Definition& definition() const { return definition_; }
  vehicle::Vehicle& vehicle() const { return *definition_.vehicle; }

  // Reads the ROM and its second image, refuses (exit 3) images whose size
  // is not what the definition expects before building, and builds the view.
  // Exit 2 when a file cannot be read, 3 when the image does not build.
  Rom Open(const std::string& path);

  // Bytes the definition expects in an image: the smallest power of two, at
  // least 1 KiB, that holds every table, toggle and ROM information item.
  uint64_t ExpectedSize() const { return expected_size_; }

 private:
  Image ReadSecond(const std::string& rom_path, const Image& rom);
  void CheckSize(const std::string& path, const Image& image) const;
  [[noreturn]] void ThrowBuildFailure(const Rom& rom) const;

  const RomOptions& options_;
  Progress& progress_;
  Definition definition_;
  uint64_t expected_size_ = 0;
  int exceptions_ = 0;
  bool second_defaulted_ = false;
};

// The bytes of a file; exit 2 when it cannot be read.
Image ReadImage(const std::string& path, const std::string& what);

// Writes through a temporary file in the same folder, flushed to disk and
// renamed over `path`; on any failure the temporary file is removed, `path`
// is untouched, and CommandError (exit 2) is thrown.
void WriteFileAtomically(const std::string& path, const Image& bytes);

// Writes an edited image as the options say (--in-place first keeps the ROM
// as ROM.bak). Returns the path written.
std::string WriteOutput(const OutputOptions& options, const std::string& rom_path,
                        const Image& bytes);

// The table of a built ROM; exit 3 naming the problem when the definition
// has no such valid table.
std::shared_ptr<vehicle::TableData> FindTable(const RomSession& session, const Rom& rom,
                                              const std::string& id);

// Restricted by the definition (the table's own mark or the restriction list).
bool IsTableRestricted(const vehicle::Vehicle& vehicle, const std::string& id);
bool IsToggleRestricted(const vehicle::Vehicle& vehicle, const std::string& id);

}  // namespace ecucal_cli
