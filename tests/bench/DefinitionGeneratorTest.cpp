#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "DefinitionGenerator.h"
#include "DtcImageGenerator.h"
#include "dtc/ParserFactory.h"
#include "vehicle/definition/DataType.h"
#include "vehicle/definition/Table.h"
#include "vehicle/loading/Vehicle.h"
#include "vehicle/monitor/Monitor.h"

#include "ScratchFolder.h"

namespace {

using bench_test::ScratchFolder;

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// About fifty tables: every kind of object, small enough for every build.
const bench::DefinitionScale kSmall = bench::DefinitionScale::Scaled(0.0125);

TEST(DefinitionGeneratorTest, SmallTreeLoadsAndValidatesWithoutErrorsAndIsWrittenTheSameTwice) {
  ScratchFolder folder;
  ASSERT_FALSE(folder.Path().empty());
  const bench::GeneratedDefinition tree = bench::WriteDefinitionTree(folder.Path(), kSmall);
  ASSERT_EQ(tree.documents.size(), 6u);
  EXPECT_EQ(tree.tables, kSmall.tables);

  vehicle::Vehicle vehicle;
  std::string error;
  vehicle.Load(tree.top_path, error, vexa_xml::XML_LOAD_DEFAULT);
  ASSERT_TRUE(vehicle.IsLoaded()) << error;
  EXPECT_TRUE(vehicle.Validate(error)) << error;
  EXPECT_EQ(error, "");

  // Nothing was set aside as invalid, and every object reached its store.
  EXPECT_EQ(vehicle.GetTables().size(), tree.tables);
  EXPECT_EQ(vehicle.GetDataTypes().size(), tree.data_types);
  EXPECT_EQ(vehicle.GetMonitors().size(), tree.monitors);
  EXPECT_EQ(vehicle.GetXMLToggles().size(), tree.toggles);
  EXPECT_EQ(vehicle.GetGroups().size(), tree.groups);
  EXPECT_TRUE(vehicle.GetInvalidAxes().empty());
  // Shared breakpoints collapse to one axis each.
  EXPECT_EQ(vehicle.GetAxes().size(), tree.distinct_axes);
  EXPECT_LT(tree.distinct_axes, tree.axis_elements);
  EXPECT_GT(tree.pooled_axis_elements, 0u);
  // The copy group category survives validation with its two children.
  ASSERT_EQ(vehicle.GetCopyGroups().size(), 1u);
  EXPECT_EQ(vehicle.GetCopyGroups().begin()->second->getChildren().size(), 2u);

  unsigned slaves = 0, expressions = 0;
  for (const auto& entry : vehicle.GetTables())
    slaves += entry.second->IsSlave() ? 1 : 0;
  for (const auto& entry : vehicle.GetDataTypes()) {
    expressions +=
        entry.second->str_conv.to_bin.empty() && entry.second->str_conv.compound.empty() ? 0 : 1;
  }
  EXPECT_EQ(slaves, tree.slave_tables);
  EXPECT_EQ(expressions, tree.expression_types);
  EXPECT_GT(tree.compound_monitors, 0u);

  // The same scale writes the same bytes.
  ScratchFolder again;
  const auto second = bench::WriteDefinitionTree(again.Path(), kSmall);
  ASSERT_EQ(second.documents.size(), tree.documents.size());
  for (size_t i = 0; i < tree.documents.size(); ++i)
    EXPECT_EQ(Slurp(tree.documents[i]), Slurp(second.documents[i])) << tree.documents[i];
}

TEST(DtcImageGeneratorTest, EveryFamilyFindsEachEnabledCodeOnceAndImpossibleLayoutsThrow) {
  for (const std::string& family : bench::DtcImageFamilies()) {
    const bench::DtcImage image = bench::WriteDtcImage(family, 64 * 1024, 300);
    DTCParser::ToggleMap toggles;
    auto parser = dtc::MakeParser(family);
    ASSERT_TRUE(parser) << family;
    ASSERT_TRUE(parser->Parse(image.image, toggles, *image.params)) << family;
    EXPECT_EQ(toggles.size(), image.enabled) << family;
    EXPECT_LT(image.enabled, image.codes) << family;
    EXPECT_EQ(toggles.count("P0100"), 1u) << family;
  }
  // What it cannot lay out is refused.
  EXPECT_THROW(bench::WriteDtcImage("NO_SUCH_FAMILY", 1024, 10), std::invalid_argument);
  EXPECT_THROW(bench::WriteDtcImage("BMW_N54_DTC_PARSER", 64, 100), std::invalid_argument);
}

}  // namespace
