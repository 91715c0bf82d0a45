// A definition loaded and validated the way a caller would, for the tests
// that need one whole.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "vehicle/loading/Vehicle.h"

namespace test_support {

// The definition at `path`, or a test failure naming why it did not load or
// validate; callers ASSERT_FALSE(HasFailure()) before using it.
inline std::shared_ptr<vehicle::Vehicle> LoadVehicle(const std::string& path) {
  auto vehicle = std::make_shared<vehicle::Vehicle>();
  std::string error;
  vehicle->Load(path, error, vexa_xml::XML_LOAD_DEFAULT);
  EXPECT_TRUE(vehicle->IsLoaded()) << path << ": " << error;
  EXPECT_TRUE(vehicle->Validate(error)) << path << ": " << error;
  return vehicle;
}

}  // namespace test_support
