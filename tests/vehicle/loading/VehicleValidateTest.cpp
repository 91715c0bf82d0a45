#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "vehicle/definition/CopyGroup.h"
#include "vehicle/definition/DataType.h"
#include "vehicle/definition/Table.h"
#include "vehicle/loading/Vehicle.h"

namespace {

using vehicle::Vehicle;

const std::string kHidden = "Error Details Hidden In Non-Internal Build";

#ifdef ECUCAL_DIAGNOSTICS
#define SKIP_IN_DIAGNOSTIC_BUILDS() GTEST_SKIP() << "release texts only"
#else
#define SKIP_IN_DIAGNOSTIC_BUILDS() (void)0
#endif

std::string Fixture(const std::string& name) {
  return std::string(ECUCAL_TEST_DATA_DIR) + "/loading/" + name;
}

int Count(const std::string& text, const std::string& part) {
  int count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

class ValidateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    vehicle_.Load(Fixture("post/invalid.xml"), error_, vexa_xml::XML_LOAD_DEFAULT);
    ASSERT_TRUE(vehicle_.IsLoaded()) << error_;
    valid_ = vehicle_.Validate(error_);
  }
  Vehicle vehicle_;
  std::string error_;
  bool valid_ = true;
};

TEST_F(ValidateTest, FailingObjectsMoveToTheInvalidStores) {
  EXPECT_FALSE(valid_);
  EXPECT_FALSE(vehicle_.IsValid());
  EXPECT_TRUE(vehicle_.GetInvalidDataTypes().dataExists("NO_UNIT"));
  EXPECT_TRUE(vehicle_.GetInvalidDataTypes().dataExists("NO_STORAGE"));
  EXPECT_FALSE(vehicle_.GetDataTypes().dataExists("NO_UNIT"));
  EXPECT_EQ(vehicle_.GetDataTypes().size(), 2u);
  EXPECT_TRUE(vehicle_.GetInvalidTables().dataExists("NO_GROUP"));
  EXPECT_FALSE(vehicle_.GetTables().dataExists("NO_GROUP"));
}

TEST_F(ValidateTest, SlavesMustMatchTheirMaster) {
  const auto& tables = vehicle_.GetTables();
  EXPECT_TRUE(tables.dataExists("SLAVE_OK"));
  EXPECT_TRUE(tables.dataExists("SLAVE_TRANSFORMED"));  // a transform allows another type
  // Mismatching slaves are dropped, not kept aside.
  for (const char* id : {"SLAVE_OTHER_TYPE", "SLAVE_OF_SLAVE"}) {
    EXPECT_FALSE(tables.dataExists(id)) << id;
    EXPECT_FALSE(vehicle_.GetInvalidTables().dataExists(id)) << id;
  }
}

TEST_F(ValidateTest, CopyGroupsLoseDisagreeingKeys) {
  const auto& groups = vehicle_.GetCopyGroups();
  ASSERT_TRUE(groups.dataExists("PAIR"));
  for (const char* child : {"LEFT", "RIGHT"}) {
    const auto& copyables = groups.findData("PAIR")->getChildren().findData(child)->getCopyables();
    EXPECT_EQ(copyables.count("A"), 1u) << child;
    EXPECT_EQ(copyables.count("B"), 0u) << child;
  }
  EXPECT_TRUE(groups.dataExists("LONELY"));  // reported, but its child keeps its copyable
}

TEST_F(ValidateTest, OneFixedTextPerFailure) {
  SKIP_IN_DIAGNOSTIC_BUILDS();
  const std::string& text = vehicle_.GetValidationErrorText();
  // Two data types, one table, two slaves, the lonely category, key B twice.
  EXPECT_EQ(Count(text, kHidden), 8) << text;
  EXPECT_EQ(Count(error_, kHidden), 8);
}

TEST_F(ValidateTest, EachFailureIsAlsoAFinding) {
  const struct {
    const char* object_class;
    const char* id;
    vehicle::validate_codes_t code;  // 0: any
  } expected[] = {
      {"DataType", "NO_UNIT", 7},      {"DataType", "NO_STORAGE", 0},
      {"Table", "NO_GROUP", 21},       {"Table", "SLAVE_OTHER_TYPE", 27},
      {"Table", "SLAVE_OF_SLAVE", 27}, {"CopyGroup", "LONELY", 26},
      {"CopyGroup", "PAIR", 26},
  };
  const auto& findings = vehicle_.GetValidationFindings();
  EXPECT_EQ(findings.size(), 8u);  // one per error text
  for (const auto& e : expected) {
    const bool found = std::any_of(findings.begin(), findings.end(), [&](const auto& f) {
      return f.object_class == e.object_class && f.id == e.id && f.code != 0 &&
             (e.code == 0 || f.code == e.code);
    });
    EXPECT_TRUE(found) << e.object_class << " " << e.id;
  }
}

TEST_F(ValidateTest, ValidatingAgainAfterReloadingRaisesDuplicateKey) {
  // The reload puts the failing objects back into the live stores while
  // their keys are still in the invalid ones.
  std::string error;
  vehicle_.RecursiveLoad(Fixture("post/invalid.xml"), error, vexa_xml::XML_LOAD_DEFAULT);
  EXPECT_THROW(vehicle_.Validate(error), util::duplicate_key_error);
}

TEST(ValidateVehicleTest, EmptyIdStopsAtOnce) {
  SKIP_IN_DIAGNOSTIC_BUILDS();
  Vehicle empty;
  std::string error = "earlier text\n";
  EXPECT_FALSE(empty.Validate(error));
  EXPECT_EQ(empty.GetValidationErrorText(), kHidden);
  EXPECT_EQ(error, "earlier text\n" + kHidden);
}

TEST(ValidateVehicleTest, ValidDefinitionSetsTheFlagWhateverTheCallerHeld) {
  Vehicle v;
  std::string error;
  v.Load(Fixture("basic/top.xml"), error, vexa_xml::XML_LOAD_DEFAULT);
  error = "unrelated";
  EXPECT_TRUE(v.Validate(error)) << v.GetValidationErrorText();
  EXPECT_TRUE(v.IsValid());
  EXPECT_EQ(error, "unrelated");
}

#ifdef ECUCAL_DIAGNOSTICS
TEST_F(ValidateTest, DiagnosticTextsNameObjectCodeAndMeaning) {
  const std::string& text = vehicle_.GetValidationErrorText();
  EXPECT_NE(text.find("DataType 'NO_UNIT': code 7 (INVALID_UNIT"), std::string::npos) << text;
  EXPECT_NE(text.find("Only one copy group defined in copy group category LONELY"),
            std::string::npos)
      << text;
}
#endif

}  // namespace
