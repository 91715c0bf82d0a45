// Writes the cache file of each definition named on the command line into
// a folder, for the cache fuzzer's seed corpus:
//   make_cache_seeds OUT_DIR DEFINITION...
#include <cstdio>
#include <filesystem>
#include <string>

#include "vehicle/loading/Vehicle.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s OUT_DIR DEFINITION...\n", argv[0]);
    return 2;
  }
  const fs::path out(argv[1]);
  fs::create_directories(out);
  int failures = 0;
  for (int i = 2; i < argc; ++i) {
    const fs::path source(argv[i]);
    // Load from a copy, so that no cache file lands beside the fixture.
    const fs::path scratch =
        fs::temp_directory_path() / ("cache-seed-" + source.filename().string());
    fs::copy_file(source, scratch, fs::copy_options::overwrite_existing);
    vehicle::Vehicle vehicle;
    std::string error;
    vehicle.Load(scratch.string(), error, vexa_xml::XML_LOAD_DEFAULT);
    std::string validation;
    vehicle.Validate(validation);
    const fs::path name = source.parent_path().filename() / source.stem();
    const std::string seed =
        (out / (name.parent_path().string() + "_" + name.filename().string() + ".svx")).string();
    if (!vehicle.SaveSerializedFile(scratch.string())) {
      std::fprintf(stderr, "cannot write the cache of %s\n", argv[i]);
      ++failures;
    } else {
      fs::rename(scratch.string() + vehicle::Vehicle::SVX_EXT, seed);
      std::printf("%s -> %s (%s)\n", argv[i], seed.c_str(),
                  vehicle.IsLoaded() ? "loaded" : "not loaded");
    }
    fs::remove(scratch);
  }
  return failures == 0 ? 0 : 1;
}
