#include "vehicle/Enumerations.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

using namespace vehicle;

TEST(ManufacturerTest, LookupIgnoresCase) {
  EXPECT_EQ(GetManufFromString("SUBARU"), MANUF_SUBARU);
  EXPECT_EQ(GetManufFromString("toyota"), MANUF_TOYOTA);
  EXPECT_EQ(GetManufFromString("volkswagen"), MANUF_VOLKSWAGEN);
  EXPECT_EQ(GetManufFromString("Lada"), MANUF_INVALID);
  EXPECT_EQ(GetManufFromString(""), MANUF_INVALID);
}

TEST(ManufacturerTest, NameByValue) {
  EXPECT_EQ(GetStringForManufacturer(MANUF_VOLKSWAGEN), "Volkswagen");
  EXPECT_EQ(GetStringForManufacturer(MANUF_TOYOTA), "Toyota");
  try {
    GetStringForManufacturer(static_cast<Manufacturers_e>(10));
    FAIL() << "expected std::out_of_range";
  } catch (const std::out_of_range& e) {
    EXPECT_STREQ(e.what(), "map::at");
  }
}

TEST(EnumerationTablesTest, ReverseLookups) {
  EXPECT_EQ(util::FindEnumValue(priv::GetSpecialAxisStrs(), "labels with data"),
            SPECIAL_AXIS_LABELS_WITH_DATA);
  EXPECT_EQ(util::FindEnumValue(priv::GetCPUStrs(), "sh7058"), CPU_SH7058);
  EXPECT_EQ(util::FindEnumValue(priv::GetCPUStrs(), "rh850"), CPU_RH850);
  EXPECT_EQ(util::FindEnumValue(priv::GetCPUStrs(), "SH7058"), CPU_INVALID);
  EXPECT_EQ(util::FindEnumValue(priv::GetTableReadStrs(), "base_real"), READ_BASE_REAL);
  EXPECT_EQ(util::FindEnumValue(priv::GetECUProtocolStrs(), "niss_tcm_ram_can"),
            ecu::NISS_TCM_RAM_CAN);
  EXPECT_EQ(util::FindEnumValue(priv::GetModulesStrs(), "cluster"), MODULE_CLUSTER);
  EXPECT_TRUE(priv::GetValidateStrs().empty());
}

TEST(EnumerationTablesTest, GapsHaveNoText) {
  EXPECT_EQ(priv::GetCPUStrs().count(CPU_RESERVED_24), 0u);
  EXPECT_EQ(priv::GetCPUStrs().count(CPU_RESERVED_29), 0u);
  EXPECT_EQ(priv::GetECUProtocolStrs().count(ecu::PROTOCOL_RESERVED_10), 0u);
  EXPECT_EQ(priv::GetModulesStrs().count(static_cast<modules_t>(-1)), 0u);
  EXPECT_EQ(&priv::GetCPUStrs(), &priv::GetCPUStrs());  // one table per process
}

TEST(RecoveryErrorCodeTest, TransmissionDiffers) {
  EXPECT_EQ(errors::GetRecoveryErrorCode(MODULE_TCM), 52);
  EXPECT_EQ(errors::GetRecoveryErrorCode(MODULE_ECU), 27);
  EXPECT_EQ(errors::GetRecoveryErrorCode(MODULE_CLUSTER), 27);
}

}  // namespace
