// The ecucal Python module: definitions, ROM images, their tables and toggles.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <memory>
#include <optional>
#include <string>

#include "PyDefinition.h"
#include "PyRom.h"
#include "RomViews.h"

namespace py = pybind11;
using ecucal_python::PyDefinition;
using ecucal_python::PyRom;
using ecucal_python::PyTable;
using ecucal_python::PyToggle;

PYBIND11_MODULE(ecucal, m) {
  m.doc() = "Engine control unit calibrations: vehicle definitions and ROM images.";

  py::class_<PyDefinition, std::shared_ptr<PyDefinition>>(
      m, "Definition", "A loaded and validated vehicle definition.")
      .def_static("load", &PyDefinition::Load, py::arg("path"),
                  "Loads (from its cache file when there is one) and validates a definition; "
                  "ValueError when it cannot be read.")
      .def("check", &PyDefinition::Check,
           "The validation findings: dicts of object_class, id, code and detail.")
      .def_property_readonly("path", &PyDefinition::GetPath)
      .def_property_readonly("valid", &PyDefinition::IsValid)
      .def_property_readonly("tables", &PyDefinition::Tables)
      .def_property_readonly("toggles", &PyDefinition::Toggles)
      .def_property_readonly("monitors", &PyDefinition::Monitors)
      .def_property_readonly("rom_info", &PyDefinition::RomInfo)
      .def("__repr__",
           [](const PyDefinition& d) { return "<ecucal.Definition " + d.GetPath() + ">"; });

  py::class_<PyRom, std::shared_ptr<PyRom>>(
      m, "Rom", "A ROM image built on a definition, with its tables and toggles.")
      .def(py::init(&PyRom::Open), py::arg("definition"), py::arg("path"),
           py::arg("second") = std::optional<std::string>(),
           "Reads the image (and the second image, by default the image itself) and builds it.")
      .def_property_readonly("definition", &PyRom::GetDefinition)
      .def_property_readonly("path", &PyRom::GetPath)
      .def_property_readonly("built", &PyRom::IsBuilt)
      .def_property_readonly("build_code", &PyRom::GetBuildCode)
      .def_property_readonly("dirty", &PyRom::IsDirty)
      .def(
          "table",
          [](PyRom& rom, const std::string& id) {
            rom.RequireTable(id);
            return PyTable(rom.shared_from_this(), id);
          },
          py::arg("id"))
      .def(
          "toggle",
          [](PyRom& rom, const std::string& id) {
            rom.RequireToggle(id);
            return PyToggle(rom.shared_from_this(), id);
          },
          py::arg("id"))
      .def("copy_from", &PyRom::CopyFrom, py::arg("other"), py::arg("ids"),
           "Copies tables and toggles from a ROM of the same definition; returns the report.")
      .def("save", &PyRom::Save, py::arg("path"), "Writes the edited image atomically.")
      .def("diff", &PyRom::Diff, py::arg("other"),
           "The ids of the tables and toggles whose values differ from the other ROM's.")
      .def("__repr__", [](const PyRom& r) { return "<ecucal.Rom " + r.GetPath() + ">"; });

  py::class_<PyTable>(m, "Table", "One table of a Rom, in engineering units.")
      .def_property_readonly("id", &PyTable::GetId)
      .def_property_readonly("x", &PyTable::X)
      .def_property_readonly("y", &PyTable::Y)
      .def_property_readonly("values", &PyTable::Values)
      .def_property_readonly("raw", &PyTable::Raw)
      .def_property_readonly("shape", &PyTable::Shape)
      .def("__getitem__", &PyTable::Get)
      .def("__setitem__", &PyTable::Set)
      .def("set_values", &PyTable::SetValues, py::arg("values"))
      .def("__repr__", [](const PyTable& t) { return "<ecucal.Table " + t.GetId() + ">"; });

  py::class_<PyToggle>(m, "Toggle", "One toggle of a Rom.")
      .def_property_readonly("id", &PyToggle::GetId)
      .def_property("enabled", &PyToggle::IsEnabled, &PyToggle::SetEnabled)
      .def("__repr__", [](const PyToggle& t) { return "<ecucal.Toggle " + t.GetId() + ">"; });
}
