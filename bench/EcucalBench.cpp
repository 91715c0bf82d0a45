// Speed of definition loading, the cache file, conversions and trouble-code
// parsing, each against the cost it cannot go below. scripts/bench.sh runs
// this and prints the ratios against their targets.

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <tinyxml.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "DefinitionGenerator.h"
#include "DtcImageGenerator.h"
#include "ImportSourceGenerator.h"
#include "dtc/DTCParser.h"
#include "dtc/ParserFactory.h"
#include "import/Importer.h"
#include "outside/Binary.h"
#include "vehicle/definition/Conv.h"
#include "vehicle/definition/DataType.h"
#include "vehicle/loading/AxisSignatureStrategy.h"
#include "vehicle/loading/Vehicle.h"

namespace {

namespace fs = std::filesystem;

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "benchmark setup failed: %s\n", what.c_str());
  std::exit(2);
}

// The synthetic definition, written once per process into a scratch folder
// and checked to load and validate without a single error. No loaded
// definition stays in memory between figures: a device holds one definition
// at a time, and another 30 MiB of live objects in the heap slows every
// load measured beside it.
class Definition {
 public:
  static Definition& Get() {
    static Definition definition;
    return definition;
  }

  const bench::GeneratedDefinition& Tree() const { return tree_; }
  // The path whose ".svx" cache file the cache figures use. It is not the
  // top document's, so the XML figures never find a cache.
  const std::string& CacheKey() const { return cache_key_; }

  // A freshly loaded and validated definition.
  std::unique_ptr<vehicle::Vehicle> Load() const {
    auto loaded = std::make_unique<vehicle::Vehicle>();
    std::string error;
    loaded->Load(tree_.top_path, error, vexa_xml::XML_LOAD_DEFAULT);
    if (!loaded->IsLoaded())
      Fail("the synthetic definition does not load: " + error);
    if (!loaded->Validate(error) || !error.empty())
      Fail("the synthetic definition does not validate: " + error);
    return loaded;
  }

  ~Definition() {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }

 private:
  Definition() {
    std::string pattern = (fs::temp_directory_path() / "ecucal-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
      Fail("cannot make a scratch folder");
    folder_ = pattern;
    tree_ = bench::WriteDefinitionTree(folder_, bench::DefinitionScale());
    cache_key_ = (fs::path(folder_) / "cached-top.xml").string();

    const std::unique_ptr<vehicle::Vehicle> loaded = Load();
    if (loaded->GetTables().size() != tree_.tables)
      Fail("tables went missing");
    if (loaded->GetMonitors().size() != tree_.monitors)
      Fail("monitors went missing");
    if (loaded->GetXMLToggles().size() != tree_.toggles)
      Fail("toggles went missing");
    if (loaded->GetDataTypes().size() != tree_.data_types)
      Fail("data types went missing");
    if (!loaded->SaveSerializedFile(cache_key_))
      Fail("cannot write the cache file");
  }

  std::string folder_;
  bench::GeneratedDefinition tree_;
  std::string cache_key_;
};

// ---------------------------------------------------------------- definition

// The floor: TinyXML parsing the same six documents, nothing else.
void BM_BareTinyXmlParse(benchmark::State& state) {
  const auto& documents = Definition::Get().Tree().documents;
  for (auto _ : state) {
    for (const std::string& path : documents) {
      TiXmlDocument document;
      if (!document.LoadFile(path))
        Fail("TinyXML cannot parse " + path);
      benchmark::DoNotOptimize(document.RootElement());
    }
  }
  state.counters["documents"] = static_cast<double>(documents.size());
}
BENCHMARK(BM_BareTinyXmlParse)->Unit(benchmark::kMillisecond);

// Load (read, post-process) plus Validate from the XML tree, including the
// release of the objects, as the floor includes the release of its documents.
void BM_XmlLoadValidate(benchmark::State& state) {
  const auto& tree = Definition::Get().Tree();
  size_t axes = 0;
  for (auto _ : state) {
    vehicle::Vehicle vehicle;
    std::string error;
    vehicle.Load(tree.top_path, error, vexa_xml::XML_LOAD_DEFAULT);
    if (!vehicle.Validate(error))
      Fail("validation failed: " + error);
    axes = vehicle.GetAxes().size();
  }
  state.counters["tables"] = tree.tables;
  state.counters["axis_elements"] = tree.axis_elements;
  state.counters["axes"] = static_cast<double>(axes);
  state.counters["monitors"] = tree.monitors;
  state.counters["toggles"] = tree.toggles;
  state.counters["data_types"] = tree.data_types;
}
BENCHMARK(BM_XmlLoadValidate)->Unit(benchmark::kMillisecond);

void BM_SaveCache(benchmark::State& state) {
  Definition& definition = Definition::Get();
  const std::unique_ptr<vehicle::Vehicle> loaded = definition.Load();
  for (auto _ : state) {
    if (!loaded->SaveSerializedFile(definition.CacheKey()))
      Fail("cannot save");
  }
  state.counters["bytes"] =
      static_cast<double>(fs::file_size(definition.CacheKey() + vehicle::Vehicle::SVX_EXT));
}
BENCHMARK(BM_SaveCache)->Unit(benchmark::kMillisecond);

void BM_CacheLoad(benchmark::State& state) {
  // The cache file was written when the definition was set up.
  const Definition& definition = Definition::Get();
  for (auto _ : state) {
    vehicle::Vehicle vehicle;
    std::string error;
    vehicle.Load(definition.CacheKey(), error, vexa_xml::XML_LOAD_DEFAULT);
    if (!vehicle.IsLoaded())
      Fail("the cache does not load");
    benchmark::DoNotOptimize(vehicle.GetDataTypes().size());
  }
}
BENCHMARK(BM_CacheLoad)->Unit(benchmark::kMillisecond);

long MaxRssKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// Peak resident memory of one XML load plus validation, measured in a forked
// child so that nothing this process holds is counted twice. The child
// starts with its parent's resident set, so the growth is the load's own.
void BM_XmlLoadPeakMemory(benchmark::State& state) {
  const std::string top = Definition::Get().Tree().top_path;
  long peak = 0, growth = 0;
  for (auto _ : state) {
    int channel[2];
    if (pipe(channel) != 0)
      Fail("pipe");
    const pid_t child = fork();
    if (child < 0)
      Fail("fork");
    if (child == 0) {
      close(channel[0]);
      long figures[2] = {MaxRssKiB(), 0};
      {
        vehicle::Vehicle vehicle;
        std::string error;
        vehicle.Load(top, error, vexa_xml::XML_LOAD_DEFAULT);
        vehicle.Validate(error);
        figures[1] = MaxRssKiB();
      }
      const bool sent = write(channel[1], figures, sizeof(figures)) == sizeof(figures);
      _exit(sent ? 0 : 1);
    }
    close(channel[1]);
    long figures[2] = {0, 0};
    const bool received = read(channel[0], figures, sizeof(figures)) == sizeof(figures);
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (!received || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
      Fail("child failed");
    peak = figures[1];
    growth = figures[1] - figures[0];
  }
  state.counters["peak_rss_MiB"] = peak / 1024.0;
  state.counters["load_growth_MiB"] = growth / 1024.0;
}
BENCHMARK(BM_XmlLoadPeakMemory)->Unit(benchmark::kMillisecond)->Iterations(3);

// ---------------------------------------------------------------- import

// A RomRaider definition file of about 2 MiB, written once per process.
class ImportSource {
 public:
  static ImportSource& Get() {
    static ImportSource source;
    return source;
  }

  const bench::GeneratedImportSource& File() const { return file_; }

  // Imports the file into the scratch folder; fails the run unless the
  // result loads and validates.
  import::ImportResult Import() const {import::ImportOptions options;
  options.files = {file_.path};
  options.rom = file_.rom;
  options.output_folder = (fs::path(folder_) / "imported").string();
  import::ImportResult result;
  std::string error;
  if (import::Importer().Run(options, result, error) != import::ImportStatus::kOk)
    Fail("the generated definition does not import: " + error + result.load_messages);
  return result;
}

~ImportSource() {
  std::error_code ignored;
  fs::remove_all(folder_, ignored);
}

private:
ImportSource() {
  std::string pattern = (fs::temp_directory_path() / "ecucal-bench-import-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr)
    Fail("cannot make a scratch folder");
  folder_ = pattern;
  file_ = bench::WriteRomRaiderSource((fs::path(folder_) / "source.xml").string(), 2u << 20);
}

std::string folder_;
bench::GeneratedImportSource file_;
};  // namespace

// The whole import: read and follow the inheritance, convert, write the
// definition tree, and load and validate it again.
void BM_Import2MiB(benchmark::State& state) {
  const ImportSource& source = ImportSource::Get();
  import::ImportResult result;
  for (auto _ : state)
    result = source.Import();
  state.counters["source_MiB"] = source.File().bytes / 1048576.0;
  state.counters["source_tables"] = source.File().tables;
  state.counters["tables"] = static_cast<double>(result.tables);
  state.counters["toggles"] = static_cast<double>(result.toggles);
  state.counters["data_types"] = static_cast<double>(result.data_types);
}
BENCHMARK(BM_Import2MiB)->Unit(benchmark::kMillisecond);

// ---------------------------------------------------------------- conversions

const char* const kStorageWords[] = {"8", "8s", "16", "16s", "32", "32s", "float"};

std::shared_ptr<vehicle::DataType> TypeFor(const std::string& kind, int storage) {
  auto type = std::make_shared<vehicle::DataType>();
  type->SetObjId("BENCH_CONVERSION_TYPE");
  type->unit = "kPa";
  type->endian = util::ENDIAN_BIG;
  type->storage = static_cast<util::data::Storage_e>(storage);
  auto& constants = type->std_conv.constants;
  if (kind == "slope-int") {
    type->std_conv.type = VehicleV2::CONV_SLOPE_INT;
    constants[VehicleV2::CONST_SCALAR] = 0.0078125;
    constants[VehicleV2::CONST_OFFSET] = -40.0;
  } else if (kind == "pt-slope") {
    type->std_conv.type = VehicleV2::CONV_PT_SLOPE;
    constants[VehicleV2::CONST_SCALAR] = 0.0078125;
    constants[VehicleV2::CONST_OFFSET] = -40.0;
  } else if (kind == "inv-offset") {
    type->std_conv.type = VehicleV2::CONV_INV_OFFSET;
    constants[VehicleV2::CONST_SCALAR] = 60000000.0;
    constants[VehicleV2::CONST_OFFSET] = 1.0;
  } else if (kind == "direct") {
    type->std_conv.type = VehicleV2::CONV_DIRECT;
  } else {
    // The same function as the slope-int kind, written as expressions.
    type->str_conv.to_float = "x*0.0078125-40";
    type->str_conv.to_bin = "(x+40)/0.0078125";
  }
  return type;
}

// Raw values spread over the storage's range, in the type's byte order.
std::vector<util::Binary> RawValues(int storage) {
  const size_t width = storage <= 1 ? 1 : storage <= 3 ? 2 : 4;
  std::vector<util::Binary> values;
  uint32_t state = 12345;
  for (int i = 0; i < 256; ++i) {
    state = state * 1664525u + 1013904223u;
    std::vector<uint8_t> bytes(width);
    for (size_t b = 0; b < width; ++b)
      bytes[b] = static_cast<uint8_t>(state >> (8 * b));
    if (storage == util::data::STORAGE_FLOAT)
      bytes[0] &= 0x47;  // finite, moderate values
    values.emplace_back(bytes, util::ENDIAN_BIG);
  }
  return values;
}

// One value per iteration, so the reported time is the time per value.
void ToDoubleBench(benchmark::State& state, const std::string& kind, int storage) {
  const auto conv = vehicle::GetConv(TypeFor(kind, storage));
  const auto values = RawValues(storage);
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(conv->ToDouble(values[i++ & 255]));
  }
}

void ToBinBench(benchmark::State& state, const std::string& kind, int storage) {
  const auto conv = vehicle::GetConv(TypeFor(kind, storage));
  std::vector<double> engineering;
  for (const util::Binary& raw : RawValues(storage))
    engineering.push_back(conv->ToDouble(raw));
  util::Binary out({}, util::ENDIAN_BIG);
  size_t i = 0;
  for (auto _ : state) {
    conv->ToBin(engineering[i++ & 255], out);
    benchmark::DoNotOptimize(out.bytes.data());
  }
}

// ---------------------------------------------------------------- trouble codes

constexpr size_t kDtcImageBytes = 4u << 20;
constexpr unsigned kDtcCodes = 3000;

void DtcParseBench(benchmark::State& state, const std::string& family) {
  const bench::DtcImage image = bench::WriteDtcImage(family, kDtcImageBytes, kDtcCodes);
  size_t toggles = 0;
  for (auto _ : state) {
    DTCParser::ToggleMap map;
    std::unique_ptr<DTCParser> parser = dtc::MakeParser(family);
    if (!parser || !parser->Parse(image.image, map, *image.params))
      Fail(family + " failed");
    toggles = map.size();
  }
  if (toggles != image.enabled)
    Fail(family + " found the wrong number of codes");
  state.counters["codes"] = image.codes;
  state.counters["toggles"] = static_cast<double>(toggles);
  state.counters["image_MiB"] = kDtcImageBytes / 1048576.0;
}

void RegisterDynamic() {
  const char* const kinds[] = {"direct", "slope-int", "pt-slope", "inv-offset", "expression"};
  for (const char* kind : kinds) {
    for (int storage = 0; storage < 7; ++storage) {
      const std::string suffix = std::string(kind) + "/" + kStorageWords[storage];
      benchmark::RegisterBenchmark(("BM_ToDouble/" + suffix).c_str(), ToDoubleBench, kind, storage)
          ->MinTime(0.05);
      benchmark::RegisterBenchmark(("BM_ToBin/" + suffix).c_str(), ToBinBench, kind, storage)
          ->MinTime(0.05);
    }
  }
  for (const std::string& family : bench::DtcImageFamilies()) {
    benchmark::RegisterBenchmark(("BM_DtcParse/" + family).c_str(), DtcParseBench, family)
        ->Unit(benchmark::kMillisecond);
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv))
    return 1;
  RegisterDynamic();
  Definition::Get();  // writes and checks the tree before any figure is taken
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
