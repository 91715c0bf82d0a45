#include <gtest/gtest.h>

#include "vehicle/copy/DeleteFeatureRemover.h"
#include "vehicle/copy/TableRestrictor.h"
#include "vehicle/copy/ToggleRestrictor.h"

namespace {

using vehicle::DeleteFeatureRemover;
using vehicle::TableRestrictor;
using vehicle::ToggleRestrictor;

TEST(ToggleRestrictorTest, UnrestrictWinsAndCombinedIdsFollowTheirFirstRestrictedCode) {
  ToggleRestrictor toggles;
  toggles.RestrictToggle("P0420");
  toggles.RestrictToggle("T2");
  toggles.UnrestrictToggle("T2");
  EXPECT_FALSE(toggles.IsRestricted("T2"));
  EXPECT_FALSE(toggles.IsRestricted("T3"));
  EXPECT_TRUE(toggles.IsRestricted("P0100, P0420"));
  EXPECT_FALSE(toggles.IsRestricted("P0100, P0101"));
  toggles.UnrestrictToggle("P0420");
  EXPECT_FALSE(toggles.IsRestricted("P0100, P0420"));
  toggles.RestrictToggle("P0100");  // now the first restricted part decides
  EXPECT_TRUE(toggles.IsRestricted("P0100, P0420"));
}

TEST(DeleteFeatureRemoverTest, RemoveUntilOneDiffersFromStock) {
  TableRestrictor tables;
  ToggleRestrictor toggles;
  tables.RestrictTable("T_A");
  tables.RestrictTable("T_B");
  toggles.RestrictToggle("TG");
  DeleteFeatureRemover remover(tables, toggles);
  DeleteFeatureRemover copy = remover;  // copies refer to the same restrictors
  TableRestrictor no_tables;
  ToggleRestrictor no_toggles;
  EXPECT_FALSE(DeleteFeatureRemover(no_tables, no_toggles).DeleteFeaturesAreInMap());

  EXPECT_TRUE(remover.DeleteFeaturesAreInMap());
  EXPECT_TRUE(remover.TableShouldBeRemoved("T_A"));
  EXPECT_TRUE(remover.ToggleShouldBeRemoved("TG"));
  EXPECT_FALSE(remover.TableShouldBeRemoved("free"));

  tables.DetermineStockAndNonstockRestrictedIds({"T_A", "unrestricted"});
  EXPECT_EQ(tables.GetRestrictedIdsDifferentFromStock(), (std::set<std::string>{"T_A"}));
  EXPECT_EQ(tables.GetRestrictedIdsSameAsStock(), (std::set<std::string>{"T_B"}));
  EXPECT_FALSE(copy.TableShouldBeRemoved("T_B"));
  EXPECT_FALSE(copy.ToggleShouldBeRemoved("TG"));
  EXPECT_TRUE(tables.IsRestricted("T_B"));  // kept, but marked

  tables.SetRestrictedIdsDifferentFromStockToSameAsStock();
  toggles.SetRestrictedIdsDifferentFromStockToSameAsStock();
  EXPECT_TRUE(copy.TableShouldBeRemoved("T_A"));
  EXPECT_EQ(tables.GetRestrictedIdsSameAsStock(), (std::set<std::string>{"T_A", "T_B"}));

  tables.ClearAllDifferentFromStockAndSameAsStockIds();
  EXPECT_TRUE(tables.GetRestrictedIdsSameAsStock().empty());
  EXPECT_EQ(tables.GetRestrictedIds().size(), 2u);
}

TEST(DeleteFeatureRemoverTest, ClearingFirstLetsAnItemSetBackCountAsStock) {
  TableRestrictor tables;
  ToggleRestrictor toggles;
  tables.RestrictTable("T_A");
  DeleteFeatureRemover remover(tables, toggles);
  tables.DetermineStockAndNonstockRestrictedIds({"T_A"});
  EXPECT_FALSE(remover.TableShouldBeRemoved("T_A"));

  // T_A was set back to stock: determining again only adds to the sets.
  tables.DetermineStockAndNonstockRestrictedIds({});
  EXPECT_TRUE(tables.HasRestrictedIdsDifferentFromStock());
  tables.ClearAllDifferentFromStockAndSameAsStockIds();
  tables.DetermineStockAndNonstockRestrictedIds({});
  EXPECT_FALSE(tables.HasRestrictedIdsDifferentFromStock());
  EXPECT_EQ(tables.GetRestrictedIdsSameAsStock(), (std::set<std::string>{"T_A"}));
  EXPECT_TRUE(remover.TableShouldBeRemoved("T_A"));
}

}  // namespace
