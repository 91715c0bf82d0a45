#pragma once

#include <pybind11/pybind11.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "PyDefinition.h"

namespace vehicle {
class TableData;
class ToggleData;
class VehicleData;
}  // namespace vehicle

namespace ecucal_python {

// One ROM image built on a definition. Holds the definition (and so the
// Vehicle) alive, and the image it was read from, which saving writes the
// edits into.
//
// A build that fails leaves the object in place, so the failure can be
// looked at (built, build_code), but every read, edit, copy, comparison and
// save of it raises RuntimeError.
class PyRom : public std::enable_shared_from_this<PyRom> {
 public:
  // Reads `path` (and `second`, which defaults to the ROM image itself) and
  // builds the tables and toggles. Raises OSError for an unreadable file.
  static std::shared_ptr<PyRom> Open(std::shared_ptr<PyDefinition> definition,
                                     const std::string& path,
                                     const std::optional<std::string>& second);

  const std::shared_ptr<PyDefinition>& GetDefinition() const { return definition_; }
  const std::string& GetPath() const { return path_; }
  bool IsBuilt() const;
  int GetBuildCode() const { return build_code_; }
  bool IsDirty() const;

  // The built table (toggle) of that id; KeyError for an id the ROM does not
  // have, RuntimeError when the ROM or the table did not build.
  std::shared_ptr<vehicle::TableData> RequireTable(const std::string& id) const;
  std::shared_ptr<vehicle::ToggleData> RequireToggle(const std::string& id) const;

  // Copies the selected tables (ids, or (id, depth) pairs for one depth
  // slice of a 4d table) and toggles from `source`; returns the report.
  pybind11::dict CopyFrom(const PyRom& source, const pybind11::iterable& selections);

  // Writes the edits into a copy of the image and that copy to `path`:
  // through a temporary file in the same folder, synced, then renamed over
  // `path`, so a failure never leaves a partly written file. The saved image
  // becomes this ROM's image and the edits count as saved.
  void Save(const std::string& path);

  // The ids of the tables and toggles whose values differ from `other`'s,
  // including those only one of the two has.
  pybind11::dict Diff(const PyRom& other) const;

 private:
  PyRom(std::shared_ptr<PyDefinition> definition, std::string path)
      : definition_(std::move(definition)), path_(std::move(path)) {}

  void RequireBuilt() const;
  void RequireSameDefinition(const PyRom& other, const char* action) const;

  std::shared_ptr<PyDefinition> definition_;
  std::string path_;
  std::vector<uint8_t> image_;
  std::vector<uint8_t> second_;
  std::shared_ptr<vehicle::VehicleData> data_;
  int build_code_ = 0;
};

}  // namespace ecucal_python
