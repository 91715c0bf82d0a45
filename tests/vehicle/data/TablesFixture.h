#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "LoadVehicle.h"
#include "vehicle/copy/DeleteFeatureRemover.h"
#include "vehicle/data/AxisData.h"
#include "vehicle/data/AxisDataRepository.h"
#include "vehicle/data/TableDataRepository.h"
#include "vehicle/definition/Table.h"
#include "vehicle/loading/Vehicle.h"

namespace tables_fixture {

// The fixture image of tests/data/vehicle/data/tables.xml (its comment has
// the byte map). Slaves agree with their master: Map Slave holds Map A's
// values and Map Scaled twice them.
inline std::vector<unsigned char> Image() {
  std::vector<unsigned char> rom(0x200, 0xEE);
  auto put16 = [&rom](size_t at, unsigned value) {
    rom[at] = static_cast<unsigned char>(value >> 8);
    rom[at + 1] = static_cast<unsigned char>(value);
  };
  for (unsigned i = 0; i < 4; ++i)
    put16(0x000 + 2 * i, 1000 * (i + 1));
  for (unsigned i = 0; i < 3; ++i) {
    rom[0x010 + i] = static_cast<unsigned char>(10 * (i + 1));
    put16(0x104 + 2 * i, 100 * (i + 1));
    put16(0x140 + 2 * i, 7000 + 100 * i);
  }
  for (unsigned i = 0; i < 12; ++i) {
    rom[0x020 + i] = static_cast<unsigned char>(i + 1);
    rom[0x040 + i] = static_cast<unsigned char>(101 + i);
    rom[0x060 + i] = static_cast<unsigned char>(i + 1);
    rom[0x080 + i] = static_cast<unsigned char>(2 * (i + 1));
    rom[0x110 + i] = static_cast<unsigned char>(50 + i);
  }
  const std::pair<size_t, unsigned char> bytes[] = {{0x100, 0}, {0x101, 1}, {0x10C, 5}, {0x10D, 6},
                                                    {0x150, 9}, {0x151, 9}, {0x158, 1}, {0x159, 2}};
  for (const auto& [at, value] : bytes)
    rom[at] = value;
  return rom;
}

inline std::shared_ptr<vehicle::Vehicle> LoadVehicle() {
  return test_support::LoadVehicle(ECUCAL_TEST_DATA_DIR "/vehicle/data/tables.xml");
}

// One loaded definition, with repositories built on the fixture image.
class TablesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    vehicle_ = LoadVehicle();
    rom_ = Image();
    tables_ = vehicle_->GetTables();
    ASSERT_TRUE(axes_.BuildAxes(vehicle_->GetAxes(), rom_));
    ASSERT_TRUE(repository_.BuildUnrestrictedTables(axes_, tables_));
  }

  std::shared_ptr<vehicle::Table> Definition(const std::string& id) const {
    return vehicle_->GetTables().findData(id);
  }
  std::shared_ptr<vehicle::Axis> AxisOf(const std::string& table,
                                        vehicle::axis_types_t role) const {
    return Definition(table)->GetAxis(role);
  }
  std::shared_ptr<vehicle::AxisData> DataOf(const std::string& table,
                                            vehicle::axis_types_t role) const {
    return axes_.GetAxis(AxisOf(table, role)->GetDefSignature());
  }
  std::shared_ptr<vehicle::TableData> Table(const std::string& id) const {
    return repository_.GetTable(id);
  }

  std::shared_ptr<vehicle::Vehicle> vehicle_;
  std::vector<unsigned char> rom_;
  vehicle::Vehicle::Tables tables_;
  vehicle::AxisDataRepository axes_;
  vehicle::TableDataRepository repository_;
};

}  // namespace tables_fixture
