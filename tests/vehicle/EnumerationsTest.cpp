#include "vehicle/Enumerations.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

using namespace vehicle;

TEST(EnumerationsTest, LookupsByNameAndValue) {
  EXPECT_EQ(GetManufFromString("SUBARU"), MANUF_SUBARU);
  EXPECT_EQ(GetManufFromString("toyota"), MANUF_TOYOTA);
  EXPECT_EQ(GetManufFromString("Lada"), MANUF_INVALID);
  EXPECT_EQ(GetManufFromString(""), MANUF_INVALID);
  EXPECT_EQ(GetStringForManufacturer(MANUF_VOLKSWAGEN), "Volkswagen");
  EXPECT_THROW(GetStringForManufacturer(static_cast<Manufacturers_e>(10)), std::out_of_range);
  // Table lookups are exact, and gaps have no text.
  EXPECT_EQ(util::FindEnumValue(priv::GetCPUStrs(), "sh7058"), CPU_SH7058);
  EXPECT_EQ(util::FindEnumValue(priv::GetCPUStrs(), "SH7058"), CPU_INVALID);
  EXPECT_EQ(priv::GetCPUStrs().count(CPU_RESERVED_24), 0u);
  // The transmission has a recovery code of its own.
  EXPECT_EQ(errors::GetRecoveryErrorCode(MODULE_TCM), 52);
  EXPECT_EQ(errors::GetRecoveryErrorCode(MODULE_ECU), 27);
}

}  // namespace
