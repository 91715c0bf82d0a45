#include "vehicle/data/ToggleDataRepository.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "LoadVehicle.h"
#include "vehicle/definition/XMLToggle.h"

namespace {

using vehicle::ToggleDataRepository;
using Image = std::vector<uint8_t>;

// Ids in a store, for comparisons.
template <class Store>
std::set<std::string> Ids(const Store& store) {
  std::set<std::string> ids;
  for (const auto& entry : store) {
    ids.insert(entry.first);
  }
  return ids;
}

// The image tests/data/vehicle/toggles/toggles.xml describes: P0420 in
// entry 0 and P0300 in entry 1 enabled, every switch enabled but
// "Restricted".
Image Rom() {
  Image rom(0x80, 0x00);
  const std::pair<size_t, uint8_t> bytes[] = {
      {0x00, 0x01}, {0x12, 0x04}, {0x13, 0x20},   // entry 0: P0420, enabled
      {0x01, 0x01}, {0x16, 0x03}, {0x17, 0x00},   // entry 1: P0300, enabled
      {0x60, 0x01}, {0x61, 0xF5}, {0x62, 0x5F}};  // low and high nibble 5: enabled
  for (const auto& [at, value] : bytes)
    rom[at] = value;
  return rom;
}

class ToggleDataRepositoryTest : public testing::Test {
 protected:
  void SetUp() override {
    vehicle_ = test_support::LoadVehicle(ECUCAL_TEST_DATA_DIR "/vehicle/toggles/toggles.xml");
    ASSERT_FALSE(HasFailure());
  }

  std::shared_ptr<vehicle::Vehicle> vehicle_;
  ToggleDataRepository repo_;
};

TEST_F(ToggleDataRepositoryTest, RemovesRestrictedSkipsUnreadableParsesCodesRefusesAmbiguous) {
  ASSERT_TRUE(repo_.BuildToggles(vehicle_, Rom(), Rom(), false));
  ASSERT_EQ(Ids(repo_.GetToggles()), (std::set<std::string>{"Masked", "P0420", "Plain"}));
  EXPECT_EQ(repo_.GetSkippedToggleIds(), std::vector<std::string>{"Beyond"});
  EXPECT_EQ(repo_.GetTroubleCodeParse(), ToggleDataRepository::TROUBLE_CODES_PARSED);
  EXPECT_EQ(Ids(vehicle_->GetRemovedToggles()), (std::set<std::string>{"P0300", "Restricted"}));
  EXPECT_FALSE(vehicle_->GetXMLToggles().dataExists("Restricted"));
  EXPECT_FALSE(vehicle_->GetToggles().dataExists("P0300"));
  EXPECT_TRUE(vehicle_->GetToggles().dataExists("P0420"));
  EXPECT_EQ(repo_.GetToggle("absent"), nullptr);

  // Every state reads back as it was: saving changes nothing.
  Image saved = Rom();
  EXPECT_TRUE(repo_.SaveToggles(saved));
  EXPECT_EQ(saved, Rom());

  // A strict toggle matching neither state fails the build.
  saved[0x61] = 0x00;  // neither 5 nor A in the low nibble
  EXPECT_FALSE(repo_.BuildToggles(vehicle_, saved, saved, false));
  EXPECT_FALSE(repo_.GetToggles().dataExists("Masked"));
}

TEST_F(ToggleDataRepositoryTest, RemovedDefinitionsComeBackMarkedOnceOneDiffersFromStock) {
  ASSERT_TRUE(repo_.BuildToggles(vehicle_, Rom(), Rom(), false));
  vehicle_->GetToggleRestrictor().DetermineStockAndNonstockRestrictedIds({"Restricted"});
  ASSERT_TRUE(repo_.BuildToggles(vehicle_, Rom(), Rom(), false));
  ASSERT_EQ(Ids(repo_.GetToggles()),
            (std::set<std::string>{"Masked", "P0300", "P0420", "Plain", "Restricted"}));
  EXPECT_TRUE(repo_.GetToggle("Restricted")->IsRestricted());
  EXPECT_TRUE(repo_.GetToggle("P0300")->IsRestricted());
  EXPECT_FALSE(repo_.GetToggle("Plain")->IsRestricted());
  EXPECT_TRUE(vehicle_->GetRemovedToggles().empty());

  // Back to stock: removed again, and the definition is still not lost.
  vehicle_->GetToggleRestrictor().ClearAllDifferentFromStockAndSameAsStockIds();
  ASSERT_TRUE(repo_.BuildToggles(vehicle_, Rom(), Rom(), false));
  EXPECT_FALSE(repo_.GetToggles().dataExists("Restricted"));
  ASSERT_TRUE(repo_.BuildUnrestrictedToggles(vehicle_, Rom(), Rom()));
  ASSERT_EQ(Ids(repo_.GetToggles()),
            (std::set<std::string>{"Masked", "P0300", "P0420", "Plain", "Restricted"}));
  EXPECT_FALSE(repo_.GetToggle("Restricted")->IsRestricted());
  EXPECT_EQ(Ids(vehicle_->GetXMLToggles()),
            (std::set<std::string>{"Beyond", "Masked", "Plain", "Restricted"}));
}

TEST_F(ToggleDataRepositoryTest, KeepExistingKeepsEdits) {
  ASSERT_TRUE(repo_.BuildToggles(vehicle_, Rom(), Rom(), false));
  repo_.GetToggle("Plain")->SetEnabled(false);
  repo_.GetToggle("P0420")->SetEnabled(false);
  ASSERT_TRUE(repo_.BuildToggles(vehicle_, Rom(), Rom(), true));
  EXPECT_FALSE(repo_.GetToggle("Plain")->IsEnabled());
  EXPECT_FALSE(repo_.GetToggle("P0420")->IsEnabled());
  EXPECT_TRUE(repo_.IsDirty());

  ASSERT_TRUE(repo_.BuildUnrestrictedToggles(vehicle_, Rom(), Rom()));
  EXPECT_FALSE(repo_.GetToggle("Plain")->IsEnabled());

  ASSERT_TRUE(repo_.BuildToggles(vehicle_, Rom(), Rom(), false));
  EXPECT_TRUE(repo_.GetToggle("Plain")->IsEnabled());
  EXPECT_FALSE(repo_.IsDirty());
}

TEST_F(ToggleDataRepositoryTest, TroubleCodesFromShortOrEmptySecondImage) {
  Image short_second = Rom();
  short_second.resize(0x11);  // the states, but not the codes they point at
  bool ok = true;
  EXPECT_NO_THROW(ok = repo_.BuildToggles(vehicle_, Rom(), short_second, false));
  EXPECT_FALSE(ok);
  EXPECT_EQ(repo_.GetTroubleCodeParse(), ToggleDataRepository::TROUBLE_CODES_FAILED);
  EXPECT_FALSE(repo_.GetTroubleCodeError().empty());
  EXPECT_EQ(Ids(repo_.GetToggles()), (std::set<std::string>{"Masked", "Plain"}));
  EXPECT_TRUE(vehicle_->GetParsedToggles().empty());

  EXPECT_NO_THROW(ok = repo_.BuildUnrestrictedToggles(vehicle_, Rom(), short_second));
  EXPECT_FALSE(ok);

  ASSERT_TRUE(repo_.BuildToggles(vehicle_, Rom(), Image{}, false));
  EXPECT_EQ(repo_.GetTroubleCodeParse(), ToggleDataRepository::TROUBLE_CODES_EMPTY_IMAGE);
  EXPECT_EQ(Ids(repo_.GetToggles()), (std::set<std::string>{"Masked", "Plain"}));
}

TEST_F(ToggleDataRepositoryTest, RepositoriesOnOneVehicleStayApart) {
  ASSERT_TRUE(repo_.BuildToggles(vehicle_, Rom(), Rom(), false));
  const ToggleDataRepository copy = repo_;

  // Another ROM holds P0420 in entry 2 only; its parse replaces the shared
  // definition of P0420 but not the one the first repository built from.
  Image other = Rom();
  other[0x00] = 0x00;
  other[0x02] = 0x01;
  other[0x1A] = 0x04;
  other[0x1B] = 0x20;
  ToggleDataRepository second;
  ASSERT_TRUE(second.BuildUnrestrictedToggles(vehicle_, other, other));
  const auto& shared = vehicle_->GetToggles().findData("P0420")->GetToggleStateDefinitionSegments();
  ASSERT_EQ(shared.size(), 2u);
  EXPECT_EQ(shared[0].rom_offset, 0x02u);

  repo_.GetToggle("P0420")->SetEnabled(false);
  Image saved = Rom();
  ASSERT_TRUE(repo_.SaveToggles(saved));
  EXPECT_EQ(saved[0x00], 0x00);  // its own entry, not the other ROM's, switched off
  EXPECT_EQ(saved[0x13], 0x00);
  EXPECT_TRUE(repo_.GetToggle("Restricted") == nullptr);
  EXPECT_TRUE(second.GetToggles().dataExists("Restricted"));

  // The deep copy was not touched by the edit.
  EXPECT_TRUE(copy.GetToggle("P0420")->IsEnabled());
  EXPECT_NE(copy.GetToggle("P0420"), repo_.GetToggle("P0420"));

  // A save that does not fit changes nothing.
  Image tiny(0x10, 0xAA);
  EXPECT_FALSE(repo_.SaveToggles(tiny));
  EXPECT_EQ(tiny, Image(0x10, 0xAA));
}

}  // namespace
