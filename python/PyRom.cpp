#include "PyRom.h"

#include <pybind11/stl.h>

#include <set>
#include <utility>

#include "outside/FileIO.h"
#include "vehicle/data/TableData.h"
#include "vehicle/data/ToggleData.h"
#include "vehicle/data/VehicleData.h"
#include "vehicle/loading/Vehicle.h"

namespace py = pybind11;

namespace ecucal_python {

namespace {

[[noreturn]] void RaiseOSError(const std::string& message) {
  PyErr_SetString(PyExc_OSError, message.c_str());
  throw py::error_already_set();
}

std::vector<uint8_t> ReadImage(const std::string& path) {
  std::vector<uint8_t> bytes;
  std::string error;
  if (!util::ReadWholeFile(path, bytes, error))
    RaiseOSError(error);
  return bytes;
}

// A selection as the caller wrote it: the id alone for depth 0.
py::object SelectionObject(const tuner_editor::TableSelection& selection) {
  if (selection.GetDepth() == 0)
    return py::str(selection.GetTableId());
  return py::make_tuple(selection.GetTableId(), selection.GetDepth());
}

py::list SelectionList(const std::set<tuner_editor::TableSelection>& selections) {
  py::list list;
  for (const auto& selection : selections)
    list.append(SelectionObject(selection));
  return list;
}

py::list IdList(const std::set<std::string>& ids) {
  return py::cast(std::vector<std::string>(ids.begin(), ids.end()));
}

tuner_editor::TableSelection ToSelection(const py::handle& item) {
  if (py::isinstance<py::str>(item))
    return tuner_editor::TableSelection(item.cast<std::string>());
  if (py::isinstance<py::tuple>(item) && py::len(item) == 2) {
    const py::tuple pair = py::reinterpret_borrow<py::tuple>(item);
    if (py::isinstance<py::str>(pair[0]) && py::isinstance<py::int_>(pair[1])) {
      const long long depth = pair[1].cast<long long>();
      if (depth < 0 ||
          depth > static_cast<long long>(tuner_editor::TableSelection::DEPTH_AXIS_ONLY))
        throw py::value_error("depth index out of range in selection of " +
                              pair[0].cast<std::string>());
      return tuner_editor::TableSelection(pair[0].cast<std::string>(),
                                          static_cast<unsigned int>(depth));
    }
  }
  throw py::type_error("a selection is a table or toggle id, or an (id, depth) pair; got " +
                       py::repr(item).cast<std::string>());
}

// Ids of either store whose entries differ, or that only one side has.
template <class Hash>
py::list Differing(const Hash& mine, const Hash& theirs) {
  std::set<std::string> ids;
  for (const auto& entry : mine) {
    if (!theirs.dataExists(entry.first) || entry.second->IsDifferent(theirs.findData(entry.first)))
      ids.insert(entry.first);
  }
  for (const auto& entry : theirs) {
    if (!mine.dataExists(entry.first))
      ids.insert(entry.first);
  }
  return IdList(ids);
}

}  // namespace

std::shared_ptr<PyRom> PyRom::Open(std::shared_ptr<PyDefinition> definition,
                                   const std::string& path,
                                   const std::optional<std::string>& second) {
  if (!definition)
    throw py::type_error("Rom needs a Definition");
  std::shared_ptr<PyRom> rom(new PyRom(std::move(definition), path));
  rom->image_ = ReadImage(path);
  rom->second_ = second ? ReadImage(*second) : rom->image_;
  rom->data_ = std::make_shared<vehicle::VehicleData>(rom->definition_->GetVehicle());
  rom->build_code_ = rom->data_->BuildVehicle(rom->image_, rom->second_, false);
  return rom;
}

bool PyRom::IsBuilt() const {
  return build_code_ != vehicle::VehicleData::BUILD_FAILED && data_->IsBuilt();
}

void PyRom::RequireBuilt() const {
  if (!IsBuilt()) {
    throw std::runtime_error("ROM image " + path_ + " did not build on definition " +
                             definition_->GetPath() + "; it cannot be read, edited or saved");
  }
}

void PyRom::RequireSameDefinition(const PyRom& other, const char* action) const {
  other.RequireBuilt();
  if (other.definition_->GetVehicle() != definition_->GetVehicle()) {
    throw py::value_error(std::string("cannot ") + action + " ROMs of different definitions (" +
                          definition_->GetPath() + ", " + other.definition_->GetPath() + ")");
  }
}

bool PyRom::IsDirty() const {
  RequireBuilt();
  return data_->IsDirty();
}

std::shared_ptr<vehicle::TableData> PyRom::RequireTable(const std::string& id) const {
  RequireBuilt();
  std::shared_ptr<vehicle::TableData> table = data_->GetTable(id);
  if (!table)
    throw py::key_error("no table \"" + id + "\" in ROM " + path_);
  if (!table->IsBuilt())
    throw std::runtime_error("table \"" + id + "\" did not build from ROM " + path_);
  return table;
}

std::shared_ptr<vehicle::ToggleData> PyRom::RequireToggle(const std::string& id) const {
  RequireBuilt();
  std::shared_ptr<vehicle::ToggleData> toggle = data_->GetToggle(id);
  if (!toggle)
    throw py::key_error("no toggle \"" + id + "\" in ROM " + path_);
  if (!toggle->IsBuilt())
    throw std::runtime_error("toggle \"" + id + "\" did not build from ROM " + path_);
  return toggle;
}

py::dict PyRom::CopyFrom(const PyRom& source, const py::iterable& selections) {
  if (py::isinstance<py::str>(selections))
    throw py::type_error("copy_from takes a list of ids, not one id");
  RequireBuilt();
  RequireSameDefinition(source, "copy between");
  if (&source == this)
    throw py::value_error("a ROM cannot copy from itself");
  std::vector<tuner_editor::TableSelection> chosen;
  for (const py::handle item : selections)
    chosen.push_back(ToSelection(item));

  const vehicle::CopyTablesResults results = data_->CopyTablesBySelection(source.data_, chosen);
  py::dict tables, toggles, report;
  tables["successful"] = SelectionList(results.GetSuccessfulTableCopies());
  tables["partial"] = SelectionList(results.GetPartialTableCopies());
  tables["failed"] = SelectionList(results.GetFailedTableCopies());
  tables["restricted"] = SelectionList(results.GetRestrictedTableCopies());
  toggles["successful"] = IdList(results.GetSuccessfulToggleCopies());
  toggles["failed"] = IdList(results.GetFailedToggleCopies());
  toggles["restricted"] = IdList(results.GetRestrictedToggleCopies());
  report["success"] = results.WasCopySuccessful();
  report["tables"] = tables;
  report["toggles"] = toggles;
  report["invalid"] = IdList(results.GetInvalidTableCopies());
  report["copy_error"] = results.GetCopyError();
  return report;
}

void PyRom::Save(const std::string& path) {
  RequireBuilt();
  std::vector<uint8_t> image = image_;
  if (!data_->SaveVehicle(image)) {
    throw std::runtime_error("the tables and toggles of " + path_ +
                             " do not fit its image; nothing was written");
  }
  std::string error;
  if (!util::WriteFileAtomically(path, image, error))
    RaiseOSError(error);
  image_ = std::move(image);
  data_->ClearDirtyState();
}

py::dict PyRom::Diff(const PyRom& other) const {
  RequireBuilt();
  RequireSameDefinition(other, "compare");
  py::dict differences;
  differences["tables"] = Differing(data_->GetTableHash(), other.data_->GetTableHash());
  differences["toggles"] = Differing(data_->GetToggleHash(), other.data_->GetToggleHash());
  return differences;
}

}  // namespace ecucal_python
