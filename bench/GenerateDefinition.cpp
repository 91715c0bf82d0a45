// Writes the synthetic definition tree the benchmarks load, for profiling
// and for looking at.

#include <CLI/CLI.hpp>

#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "DefinitionGenerator.h"

int main(int argc, char** argv) {
  CLI::App app{"Writes a synthetic vehicle definition tree of realistic scale"};
  std::string folder;
  double scale = 1.0;
  app.add_option("folder", folder, "Folder to write into (created when missing)")->required();
  app.add_option("-s,--scale", scale, "Multiplies every object count")
      ->check(CLI::Range(0.001, 100.0));
  CLI11_PARSE(app, argc, argv);

  try {
    std::filesystem::create_directories(folder);
    const bench::GeneratedDefinition tree =
        bench::WriteDefinitionTree(folder, bench::DefinitionScale::Scaled(scale));
    std::printf("%s\n", tree.top_path.c_str());
    std::printf(
        "tables %u (slaves %u, adjustable %u), axis elements %u (%u repeat a shared axis, "
        "%u distinct)\n",
        tree.tables, tree.slave_tables, tree.adjustable_tables, tree.axis_elements,
        tree.pooled_axis_elements, tree.distinct_axes);
    std::printf(
        "data types %u (%u expressions), monitors %u (%u compound), toggles %u, "
        "groups %u, copy groups %u, documents %zu\n",
        tree.data_types, tree.expression_types, tree.monitors, tree.compound_monitors, tree.toggles,
        tree.groups, tree.copy_groups, tree.documents.size());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "generate_definition: %s\n", e.what());
    return 1;
  }
  return 0;
}
