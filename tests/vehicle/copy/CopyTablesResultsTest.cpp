#include "vehicle/copy/CopyTablesResults.h"

#include <gtest/gtest.h>

namespace {

using tuner_editor::TableSelection;
using vehicle::CopyTablesResults;

TEST(CopyTablesResultsTest, EachCategoryIsKeptAndSearchedAndSomeFailASuccess) {
  const TableSelection ok("Fuel"), slice("Timing", 2), bad("Boost"), locked("Limiter");
  CopyTablesResults results;
  results.AddSuccessfulTableCopies({ok, ok});
  results.AddPartialTableCopies({slice});
  results.AddFailedTableCopies({bad});
  results.AddRestrictedTableCopies({locked});
  results.AddSuccessfulToggleCopies({"Flex"});
  results.AddFailedToggleCopies({"Launch"});
  results.AddRestrictedToggleCopies({"Speed"});
  results.AddInvalidCopies({"Nothing"});

  EXPECT_EQ(results.GetSuccessfulTableCopies().size(), 1u);  // duplicates collapse
  EXPECT_EQ(results.GetPartialTableCopies(), std::set<TableSelection>{slice});
  EXPECT_EQ(results.GetFailedTableCopies(), std::set<TableSelection>{bad});
  EXPECT_EQ(results.GetRestrictedTableCopies(), std::set<TableSelection>{locked});
  EXPECT_EQ(results.GetSuccessfulToggleCopies(), std::set<std::string>{"Flex"});
  EXPECT_EQ(results.GetFailedToggleCopies(), std::set<std::string>{"Launch"});
  EXPECT_EQ(results.GetRestrictedToggleCopies(), std::set<std::string>{"Speed"});
  EXPECT_EQ(results.GetInvalidTableCopies(), std::set<std::string>{"Nothing"});
  EXPECT_TRUE(results.HasPartialTableCopies());
  EXPECT_TRUE(results.HasRestrictedTablesOrToggles());

  for (const TableSelection& found :
       {ok, bad, locked, TableSelection("Flex"), TableSelection("Launch", 7),
        TableSelection("Speed"), TableSelection("Nothing")}) {
    EXPECT_TRUE(results.ContainsId(found)) << found.id;
  }
  EXPECT_FALSE(results.ContainsId(slice));  // partial copies are not searched
  EXPECT_FALSE(results.ContainsId(TableSelection("Fuel", 1)));
  EXPECT_FALSE(results.WasCopySuccessful());

  // What fails a success.
  EXPECT_TRUE(CopyTablesResults().WasCopySuccessful());
  CopyTablesResults partial;
  partial.AddPartialTableCopies({TableSelection("Timing", 1)});
  EXPECT_TRUE(partial.WasCopySuccessful());

  CopyTablesResults restricted_only;
  restricted_only.AddRestrictedToggleCopies({"Speed"});
  EXPECT_FALSE(restricted_only.WasCopySuccessful());
  restricted_only.AddSuccessfulToggleCopies({"Flex"});
  EXPECT_TRUE(restricted_only.WasCopySuccessful());

  for (int category = 0; category < 4; ++category) {
    CopyTablesResults results;
    results.AddSuccessfulTableCopies({TableSelection("Fuel")});
    if (category == 0)
      results.AddFailedTableCopies({TableSelection("Boost")});
    if (category == 1)
      results.AddFailedToggleCopies({"Launch"});
    if (category == 2)
      results.AddInvalidCopies({"Nothing"});
    if (category == 3)
      results.CopyErrorOccured();
    EXPECT_FALSE(results.WasCopySuccessful()) << category;
  }
}

TEST(CopyTablesResultsTest, MergedReportKeepsEverythingAndTheCopyError) {
  CopyTablesResults failed_run;
  failed_run.AddFailedToggleCopies({"Launch"});
  failed_run.AddRestrictedTableCopies({TableSelection("Limiter")});
  failed_run.CopyErrorOccured();

  CopyTablesResults merged;
  merged.AddSuccessfulTableCopies({TableSelection("Fuel")});
  merged.AddCopyTablesResults(failed_run);
  EXPECT_TRUE(merged.GetRestrictionsLoaded());
  EXPECT_EQ(merged.GetFailedToggleCopies(), std::set<std::string>{"Launch"});
  EXPECT_EQ(merged.GetRestrictedTableCopies().size(), 1u);
  EXPECT_TRUE(merged.GetCopyError());

  CopyTablesResults restrictions;
  restrictions.AddRestrictedRemovedResults(failed_run);
  EXPECT_TRUE(restrictions.GetRestrictionsLoaded());
  EXPECT_TRUE(restrictions.GetFailedToggleCopies().empty());  // only restrictions are taken
  EXPECT_FALSE(restrictions.GetCopyError());
}

}  // namespace
