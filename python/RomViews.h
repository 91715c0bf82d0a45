#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <memory>
#include <string>
#include <vector>

#include "PyRom.h"

namespace vehicle {
class AxisData;
}

namespace ecucal_python {

// One table of a Rom, looked up by id on every use, so a view never reaches
// a table its ROM no longer has. Holds the Rom alive.
//
// Values are engineering values. The value grid is a numpy array of shape
// (count,) for "data", (x,) for "2d", (y, x) for "3d" and (depth, y, x) for
// "4d" tables: rows are y, as the table is shown. Cells are addressed as
// t[x], t[x, y] or t[x, y, depth]; negative indexes count from the end.
// Writes are clamped to the axis limits and rounded to what the storage
// holds, as the editor does; a table that cannot be written (read-only,
// restricted, a slave, RAM only) refuses them.
class PyTable {
 public:
  PyTable(std::shared_ptr<PyRom> rom, std::string id) : rom_(std::move(rom)), id_(std::move(id)) {}

  const std::string& GetId() const { return id_; }
  // Breakpoints of the x (y) axis: a float array, a tuple of labels for a
  // labels axis, None when the table has no such axis.
  pybind11::object X() const;
  pybind11::object Y() const;
  pybind11::array_t<double> Values() const;
  pybind11::bytes Raw() const;
  pybind11::tuple Shape() const;

  double Get(const pybind11::object& key) const;
  void Set(const pybind11::object& key, double value);
  // Every value at once; the array must have exactly Shape().
  void SetValues(const pybind11::array_t<double, pybind11::array::c_style |
                                                     pybind11::array::forcecast>& values);

 private:
  std::shared_ptr<vehicle::AxisData> Body() const;
  std::shared_ptr<vehicle::AxisData> WritableBody() const;
  std::vector<pybind11::ssize_t> Dimensions(const vehicle::AxisData& body) const;
  // The element index of a key, checked against the grid.
  unsigned int Cell(const vehicle::AxisData& body, const pybind11::object& key) const;
  pybind11::object AxisValues(int role) const;
  double Prepared(const vehicle::AxisData& body, double value) const;

  std::shared_ptr<PyRom> rom_;
  std::string id_;
};

// The state of one toggle of a Rom; holds the Rom alive.
class PyToggle {
 public:
  PyToggle(std::shared_ptr<PyRom> rom, std::string id) : rom_(std::move(rom)), id_(std::move(id)) {}

  const std::string& GetId() const { return id_; }
  bool IsEnabled() const;
  // Refused for a restricted toggle.
  void SetEnabled(bool enabled);

 private:
  std::shared_ptr<PyRom> rom_;
  std::string id_;
};

}  // namespace ecucal_python
