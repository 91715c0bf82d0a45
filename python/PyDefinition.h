#pragma once

#include <pybind11/pybind11.h>

#include <memory>
#include <string>

namespace vehicle {
class Vehicle;
}

namespace ecucal_python {

// A loaded and validated vehicle definition as Python sees it. The Vehicle is
// held through a shared pointer that every Rom built on it shares, so the
// definition lives as long as any Python object that needs it.
class PyDefinition {
 public:
  // Loads (cache file first, as the library does) and validates `path`.
  // Raises ValueError with the library's message when it cannot be read.
  static std::shared_ptr<PyDefinition> Load(const std::string& path);

  const std::shared_ptr<vehicle::Vehicle>& GetVehicle() const { return vehicle_; }
  const std::string& GetPath() const { return path_; }
  bool IsValid() const;

  // The findings of validation: dicts of object_class, id, code, detail.
  pybind11::list Check() const;

  // Read-only mappings built from the definition as it is now (building a
  // ROM moves restricted objects between the definition's stores).
  pybind11::object Tables() const;
  pybind11::object Toggles() const;
  pybind11::object Monitors() const;
  pybind11::object RomInfo() const;

 private:
  PyDefinition(std::string path, std::shared_ptr<vehicle::Vehicle> vehicle)
      : path_(std::move(path)), vehicle_(std::move(vehicle)) {}

  std::string path_;
  std::shared_ptr<vehicle::Vehicle> vehicle_;
};

// Wraps a dict into a mapping Python code cannot change.
pybind11::object ReadOnly(const pybind11::dict& dict);

}  // namespace ecucal_python
