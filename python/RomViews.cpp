#include "RomViews.h"

#include <pybind11/stl.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "vehicle/data/AxisData.h"
#include "vehicle/data/TableData.h"
#include "vehicle/data/ToggleData.h"

namespace py = pybind11;

namespace ecucal_python {

namespace {

double Engineering(double value) {
  return value == vehicle::AxisData::VALUE_NOT_SET ? std::numeric_limits<double>::quiet_NaN()
                                                   : value;
}

py::array_t<double> ToArray(const std::vector<double>& values,
                            const std::vector<py::ssize_t>& shape) {
  py::array_t<double> array(shape);
  double* out = array.mutable_data();
  for (py::ssize_t i = 0; i < array.size(); ++i) {
    // A RAM-only table holds no values in an image.
    out[i] = static_cast<size_t>(i) < values.size() ? Engineering(values[static_cast<size_t>(i)])
                                                    : std::numeric_limits<double>::quiet_NaN();
  }
  return array;
}

}  // namespace

std::shared_ptr<vehicle::AxisData> PyTable::Body() const {
  std::shared_ptr<vehicle::AxisData> body = rom_->RequireTable(id_)->GetAxisData(vehicle::AXIS_Z);
  if (!body || !body->IsBuilt())
    throw std::runtime_error("table \"" + id_ + "\" has no values");
  return body;
}

std::shared_ptr<vehicle::AxisData> PyTable::WritableBody() const {
  std::shared_ptr<vehicle::TableData> table = rom_->RequireTable(id_);
  std::shared_ptr<vehicle::AxisData> body = Body();
  auto refuse = [this](const std::string& why) {
    throw py::value_error("table \"" + id_ + "\" cannot be written: " + why);
  };
  if (table->IsSlave())
    refuse("it takes its values from its master \"" + table->GetMasterTableId() + "\"");
  if (table->IsRestricted())
    refuse("it is restricted");
  if (body->IsReadOnly())
    refuse("it is read-only");
  if (body->IsRamOnly())
    refuse("it lives in RAM only, not in the image");
  if (!body->IsDataValid())
    refuse("it has no values");
  return body;
}

std::vector<py::ssize_t> PyTable::Dimensions(const vehicle::AxisData& body) const {
  const py::ssize_t count = body.GetAxisCount();
  const auto& d = body.GetDimensions();
  std::vector<py::ssize_t> shape = {count};
  const vehicle::table_types_t type = rom_->RequireTable(id_)->GetTableType();
  if (type == vehicle::TABLE_3D)
    shape = {d.y, d.x};
  else if (type == vehicle::TABLE_4D)
    shape = {d.z, d.y, d.x};
  py::ssize_t product = 1;
  for (py::ssize_t n : shape)
    product *= n;
  // The grid is always consistent for a built body; never index past it.
  if (product != count)
    shape = {count};
  return shape;
}

py::tuple PyTable::Shape() const {
  return py::tuple(py::cast(Dimensions(*Body())));
}

py::array_t<double> PyTable::Values() const {
  std::shared_ptr<vehicle::AxisData> body = Body();
  return ToArray(body->GetDoubleList(), Dimensions(*body));
}

py::bytes PyTable::Raw() const {
  const std::vector<unsigned char> bytes = Body()->GetBinList();
  return py::bytes(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

py::object PyTable::AxisValues(int role) const {
  std::shared_ptr<vehicle::AxisData> axis =
      rom_->RequireTable(id_)->GetAxisData(static_cast<vehicle::axis_types_t>(role));
  if (!axis)
    return py::none();
  if (axis->IsLabels())
    return py::tuple(py::cast(axis->GetLabels()));
  const std::vector<double> values = axis->GetDoubleList();
  return ToArray(values, {static_cast<py::ssize_t>(axis->GetAxisCount())});
}

py::object PyTable::X() const {
  return AxisValues(vehicle::AXIS_X);
}
py::object PyTable::Y() const {
  return AxisValues(vehicle::AXIS_Y);
}

unsigned int PyTable::Cell(const vehicle::AxisData& body, const py::object& key) const {
  std::vector<py::ssize_t> coords;
  if (py::isinstance<py::tuple>(key)) {
    for (const py::handle item : py::reinterpret_borrow<py::tuple>(key)) {
      if (!py::isinstance<py::int_>(item))
        throw py::type_error("table cells are addressed by whole numbers");
      coords.push_back(item.cast<py::ssize_t>());
    }
  } else if (py::isinstance<py::int_>(key)) {
    coords.push_back(key.cast<py::ssize_t>());
  } else {
    throw py::type_error("table cells are addressed as t[x], t[x, y] or t[x, y, depth]");
  }
  // The grid's axes from the fastest: x, y, depth.
  std::vector<py::ssize_t> sizes = Dimensions(body);
  std::reverse(sizes.begin(), sizes.end());
  if (coords.size() < sizes.size() || coords.size() > 3) {
    throw py::index_error("table \"" + id_ + "\" needs " + std::to_string(sizes.size()) +
                          " coordinates, got " + std::to_string(coords.size()));
  }
  sizes.resize(coords.size(), 1);
  static const char* const kNames[] = {"x", "y", "depth"};
  py::ssize_t index = 0, stride = 1;
  for (size_t i = 0; i < coords.size(); ++i) {
    py::ssize_t c = coords[i] < 0 ? coords[i] + sizes[i] : coords[i];
    if (c < 0 || c >= sizes[i]) {
      throw py::index_error(std::string(kNames[i]) + " index " + std::to_string(coords[i]) +
                            " out of range for table \"" + id_ + "\" (size " +
                            std::to_string(sizes[i]) + ")");
    }
    index += c * stride;
    stride *= sizes[i];
  }
  return static_cast<unsigned int>(index);
}

double PyTable::Get(const py::object& key) const {
  std::shared_ptr<vehicle::AxisData> body = Body();
  return Engineering(body->GetDouble(Cell(*body, key)));
}

double PyTable::Prepared(const vehicle::AxisData& body, double value) const {
  if (!std::isfinite(value))
    throw py::value_error("table \"" + id_ + "\" takes finite values only");
  body.BoundsCheck(value);
  return body.Round(value);
}

void PyTable::Set(const py::object& key, double value) {
  std::shared_ptr<vehicle::AxisData> body = WritableBody();
  const unsigned int index = Cell(*body, key);
  value = Prepared(*body, value);
  if (body->ConvertDoublesToBytes({value}).empty())
    throw py::value_error("table \"" + id_ + "\" cannot store " + std::to_string(value));
  // False only means the bytes already held that value.
  body->PutDouble(index, value);
}

void PyTable::SetValues(
    const py::array_t<double, py::array::c_style | py::array::forcecast>& values) {
  std::shared_ptr<vehicle::AxisData> body = WritableBody();
  const std::vector<py::ssize_t> shape = Dimensions(*body);
  const std::vector<py::ssize_t> given(values.shape(), values.shape() + values.ndim());
  if (given != shape) {
    throw py::value_error("table \"" + id_ + "\" takes an array of shape " +
                          py::repr(py::tuple(py::cast(shape))).cast<std::string>() + ", got " +
                          py::repr(py::tuple(py::cast(given))).cast<std::string>());
  }
  std::vector<double> list(values.data(), values.data() + values.size());
  for (double& value : list)
    value = Prepared(*body, value);
  if (body->ConvertDoublesToBytes(list).empty())
    throw py::value_error("table \"" + id_ + "\" cannot store one of the values");
  if (!body->PutDoubleList(list))
    throw std::runtime_error("table \"" + id_ + "\" refused the values");
}

bool PyToggle::IsEnabled() const {
  return rom_->RequireToggle(id_)->IsEnabled();
}

void PyToggle::SetEnabled(bool enabled) {
  std::shared_ptr<vehicle::ToggleData> toggle = rom_->RequireToggle(id_);
  if (toggle->IsRestricted())
    throw py::value_error("toggle \"" + id_ + "\" cannot be switched: it is restricted");
  toggle->SetEnabled(enabled);
}

}  // namespace ecucal_python
