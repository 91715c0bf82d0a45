// Writes the synthetic definition tree the benchmarks load, for profiling
// and for looking at; optionally the ROM image and second image laid out for
// it.

#include <CLI/CLI.hpp>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "DefinitionGenerator.h"
#include "RomImageGenerator.h"
#include "vehicle/loading/Vehicle.h"

namespace {

void WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out)
    throw std::runtime_error("cannot write " + path.string());
}

// Loads the tree the way the library's callers do, then lays it out.
void WriteImages(const bench::GeneratedDefinition& tree, const std::string& folder) {
  vehicle::Vehicle vehicle;
  std::string error;
  vehicle.Load(tree.top_path, error, vexa_xml::XML_LOAD_DEFAULT);
  if (!vehicle.IsLoaded() || !vehicle.Validate(error))
    throw std::runtime_error("the tree does not load: " + error);
  const bench::RomImages images = bench::WriteRomImages(vehicle, tree.rom_bytes);
  const std::filesystem::path base(folder);
  WriteFile(base / "rom.bin", images.rom);
  WriteFile(base / "second.bin", images.second);
  std::printf("%s, %s: %zu bytes each\n", (base / "rom.bin").c_str(), (base / "second.bin").c_str(),
              images.rom.size());
  std::printf(
      "axis ranges %u, switches %u (%u enabled), trouble codes %u (%u enabled in rom.bin, all in "
      "second.bin)\n",
      images.axis_ranges, images.toggles, images.enabled_toggles, images.codes,
      images.enabled_codes);
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Writes a synthetic vehicle definition tree of realistic scale"};
  std::string folder;
  double scale = 1.0;
  bool images = false;
  app.add_option("folder", folder, "Folder to write into (created when missing)")->required();
  app.add_option("-s,--scale", scale, "Multiplies every object count")
      ->check(CLI::Range(0.001, 100.0));
  app.add_flag("-i,--images", images,
               "Also write rom.bin and second.bin, the ROM image and second image laid out for "
               "the tree");
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
        "groups %u, copy groups %u, trouble codes %u, documents %zu\n",
        tree.data_types, tree.expression_types, tree.monitors, tree.compound_monitors, tree.toggles,
        tree.groups, tree.copy_groups, tree.trouble_codes, tree.documents.size());
    if (images)
      WriteImages(tree, folder);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "generate_definition: %s\n", e.what());
    return 1;
  }
  return 0;
}
