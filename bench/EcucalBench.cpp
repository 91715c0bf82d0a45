// Speed of definition loading, the cache file, conversions, trouble-code
// parsing and the ROM round trip, each against the cost it cannot go below.
// scripts/bench.sh runs this and prints the ratios against their targets.

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <tinyxml.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "DefinitionGenerator.h"
#include "DtcImageGenerator.h"
#include "ImportSourceGenerator.h"
#include "RomImageGenerator.h"
#include "dtc/DTCParser.h"
#include "dtc/ParserFactory.h"
#include "import/Importer.h"
#include "outside/Binary.h"
#include "outside/TableSelection.h"
#include "vehicle/data/AxisData.h"
#include "vehicle/data/TableData.h"
#include "vehicle/data/VehicleData.h"
#include "vehicle/definition/Conv.h"
#include "vehicle/definition/DataType.h"
#include "vehicle/loading/AxisSignatureStrategy.h"
#include "vehicle/loading/Vehicle.h"

// Heap accounting. The replaced global operator new counts allocations and
// tracks the bytes held while counting is switched on, so a figure can say
// how often an operation allocates and how much memory it holds; switched off
// it costs one test of a flag, and the other figures are left alone.
namespace heap {
bool counting = false;
size_t allocations = 0;
long long live = 0;
long long peak = 0;

void Start() {
  allocations = 0;
  live = 0;
  peak = 0;
  counting = true;
}
void Stop() {
  counting = false;
}
}  // namespace heap

namespace heap {
void* Acquire(size_t size) {
  void* p = std::malloc(size == 0 ? 1 : size);
  if (p == nullptr)
    throw std::bad_alloc();
  if (counting) {
    ++allocations;
    live += static_cast<long long>(malloc_usable_size(p));
    if (live > peak)
      peak = live;
  }
  return p;
}
void Release(void* p) noexcept {
  if (p != nullptr && counting)
    live -= static_cast<long long>(malloc_usable_size(p));
  std::free(p);
}
}  // namespace heap

void* operator new(size_t size) {
  return heap::Acquire(size);
}
void* operator new[](size_t size) {
  return heap::Acquire(size);
}
void operator delete(void* p) noexcept {
  heap::Release(p);
}
void operator delete[](void* p) noexcept {
  heap::Release(p);
}
void operator delete(void* p, size_t) noexcept {
  heap::Release(p);
}
void operator delete[](void* p, size_t) noexcept {
  heap::Release(p);
}

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

// The floor: TinyXML parsing the same six documents, nothing else, with
// row and column counting off as the loader parses.
void BM_BareTinyXmlParse(benchmark::State& state) {
  const auto& documents = Definition::Get().Tree().documents;
  for (auto _ : state) {
    for (const std::string& path : documents) {
      TiXmlDocument document;
      document.SetTabSize(0);
      if (!document.LoadFile(path))
        Fail("TinyXML cannot parse " + path);
      benchmark::DoNotOptimize(document.RootElement());
    }
  }
  state.counters["documents"] = static_cast<double>(documents.size());
}
BENCHMARK(BM_BareTinyXmlParse)->Unit(benchmark::kMillisecond);

// The former floor, with TinyXML counting rows and columns, kept to show
// what the counting costs.
void BM_BareTinyXmlParseCounting(benchmark::State& state) {
  const auto& documents = Definition::Get().Tree().documents;
  for (auto _ : state) {
    for (const std::string& path : documents) {
      TiXmlDocument document;
      if (!document.LoadFile(path))
        Fail("TinyXML cannot parse " + path);
      benchmark::DoNotOptimize(document.RootElement());
    }
  }
}
BENCHMARK(BM_BareTinyXmlParseCounting)->Unit(benchmark::kMillisecond);

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

// ---------------------------------------------------------------- ROM

// The generated definition built on its own 4 MiB image (and second image),
// with the byte ranges of every axis: once per buffer (what a build reads)
// and at every ROM offset (what a save writes). Built on first use.
class Rom {
 public:
  struct Range {
    size_t offset;
    size_t length;
  };

  static Rom& Get() {
    static Rom rom;
    return rom;
  }

  const std::shared_ptr<vehicle::Vehicle>& Definition() const { return definition_; }
  const bench::RomImages& Images() const { return images_; }
  const std::vector<Range>& ReadRanges() const { return read_ranges_; }
  const std::vector<Range>& WriteRanges() const { return write_ranges_; }
  size_t DefinitionBytes() const { return definition_bytes_; }
  size_t Tables() const { return definition_->GetTables().size(); }

  std::unique_ptr<vehicle::VehicleData> Build(const std::vector<uint8_t>& rom) const {
    auto data = std::make_unique<vehicle::VehicleData>(definition_);
    data->BuildVehicle(rom, images_.second, false);
    if (!data->IsBuilt())
      Fail("the generated image does not build");
    return data;
  }

 private:
  Rom() {
    const auto& tree = ::Definition::Get().Tree();
    definition_ = ::Definition::Get().Load();
    images_ = bench::WriteRomImages(*definition_, tree.rom_bytes);
    for (const std::string& path : tree.documents)
      definition_bytes_ += fs::file_size(path);
    vehicle::VehicleData data(definition_);
    if (data.BuildVehicle(images_.rom, images_.second, false) !=
        vehicle::VehicleData::BUILD_CONSISTENT)
      Fail("the generated image does not build consistently");
    std::map<std::string, bool> seen;
    for (const auto& entry : data.GetAxisRepository().GetAxes()) {
      const vehicle::AxisData& axis = *entry.second;
      if (axis.GetSize() == 0 || axis.IsCalculated() || axis.IsLabels())
        continue;
      const bool first = !seen[axis.GetAxis()->GetDataSignature()];
      seen[axis.GetAxis()->GetDataSignature()] = true;
      const size_t length = axis.GetAxisLengthInBytes();
      const auto& offsets = axis.GetAxis()->GetRomOffsets();
      for (size_t i = 0; i < offsets.size(); ++i) {
        if (first)
          write_ranges_.push_back({offsets[i], length});
        if (first && i == 0)
          read_ranges_.push_back({offsets[i], length});
      }
      if (!offsets.empty())
        continue;
      for (const auto& run : axis.GetAxis()->GetDataOffsets()) {
        const Range range{run.rom_offset, size_t{run.count} * axis.GetDataWidthIncludingPadding()};
        if (first)
          read_ranges_.push_back(range), write_ranges_.push_back(range);
      }
    }
    for (const Range& range : write_ranges_) {
      if (range.offset + range.length > images_.rom.size())
        Fail("an axis range lies outside the image");
    }
  }

  std::shared_ptr<vehicle::Vehicle> definition_;
  bench::RomImages images_;
  std::vector<Range> read_ranges_;
  std::vector<Range> write_ranges_;
  size_t definition_bytes_ = 0;
};

// The floor of a build: every axis's bytes copied out of the image into a
// fresh buffer of its own, released again, as a build's buffers are.
void BM_CopyAxisBytesOut(benchmark::State& state) {
  const Rom& rom = Rom::Get();
  const std::vector<uint8_t>& image = rom.Images().rom;
  for (auto _ : state) {
    std::vector<std::shared_ptr<std::vector<uint8_t>>> buffers;
    buffers.reserve(rom.ReadRanges().size());
    for (const Rom::Range& range : rom.ReadRanges()) {
      const auto begin = image.begin() + static_cast<std::ptrdiff_t>(range.offset);
      buffers.push_back(std::make_shared<std::vector<uint8_t>>(
          begin, begin + static_cast<std::ptrdiff_t>(range.length)));
    }
    benchmark::DoNotOptimize(buffers.data());
  }
  size_t bytes = 0;
  for (const Rom::Range& range : rom.ReadRanges())
    bytes += range.length;
  state.counters["buffers"] = static_cast<double>(rom.ReadRanges().size());
  state.counters["axis_KiB"] = bytes / 1024.0;
}
BENCHMARK(BM_CopyAxisBytesOut)->Unit(benchmark::kMillisecond);

// A whole build of a fresh instance (tables, toggles, trouble codes,
// ephemeral tables) and its release.
void BM_BuildVehicle(benchmark::State& state) {
  const Rom& rom = Rom::Get();
  for (auto _ : state) {
    vehicle::VehicleData data(rom.Definition());
    benchmark::DoNotOptimize(data.BuildVehicle(rom.Images().rom, rom.Images().second, false));
  }
  state.counters["tables"] = static_cast<double>(rom.Tables());
}
BENCHMARK(BM_BuildVehicle)->Unit(benchmark::kMillisecond);

// A deep copy of a built instance and its release, against the build.
void BM_DeepCopyVehicle(benchmark::State& state) {
  const auto built = Rom::Get().Build(Rom::Get().Images().rom);
  for (auto _ : state) {
    vehicle::VehicleData copy(*built);
    benchmark::DoNotOptimize(&copy);
  }
}
BENCHMARK(BM_DeepCopyVehicle)->Unit(benchmark::kMillisecond);

// The floor of a save: every axis's bytes written back at every ROM offset.
void BM_CopyAxisBytesBack(benchmark::State& state) {
  const Rom& rom = Rom::Get();
  std::vector<std::vector<uint8_t>> buffers;
  for (const Rom::Range& range : rom.WriteRanges()) {
    const auto begin = rom.Images().rom.begin() + static_cast<std::ptrdiff_t>(range.offset);
    buffers.emplace_back(begin, begin + static_cast<std::ptrdiff_t>(range.length));
  }
  std::vector<uint8_t> image(rom.Images().rom);
  for (auto _ : state) {
    for (size_t i = 0; i < buffers.size(); ++i)
      std::memcpy(image.data() + rom.WriteRanges()[i].offset, buffers[i].data(), buffers[i].size());
    benchmark::DoNotOptimize(image.data());
  }
  state.counters["ranges"] = static_cast<double>(buffers.size());
}
BENCHMARK(BM_CopyAxisBytesBack)->Unit(benchmark::kMillisecond);

// SaveVehicle of an unedited instance into its own image.
void BM_SaveVehicle(benchmark::State& state) {
  const Rom& rom = Rom::Get();
  const auto built = rom.Build(rom.Images().rom);
  std::vector<uint8_t> image(rom.Images().rom);
  for (auto _ : state) {
    if (!built->SaveVehicle(image))
      Fail("the save failed");
  }
  if (image != rom.Images().rom)
    Fail("an unedited save changed the image");
}
BENCHMARK(BM_SaveVehicle)->Unit(benchmark::kMillisecond);

// A table body nobody else writes: one cell of it edited makes the instance
// dirty without copies to slaves.
std::shared_ptr<vehicle::AxisData> EditableBody(const vehicle::VehicleData& data) {
  for (const auto& entry : data.GetTableHash()) {
    auto body = entry.second->GetAxisData(vehicle::AXIS_Z);
    if (entry.second->IsSlave() || !body || body->IsReadOnly() || !body->IsDataValid() ||
        body->GetDataWidth() != 2)
      continue;
    return body;
  }
  Fail("no editable table body");
}

// IsDirty of the whole instance after one cell was edited.
void BM_IsDirtyAfterOneEdit(benchmark::State& state) {
  const Rom& rom = Rom::Get();
  const auto built = rom.Build(rom.Images().rom);
  const auto body = EditableBody(*built);
  const double value = body->GetDouble(0u);
  bool edited = false;
  for (const double next : {value + 1, value - 1, value + 10, value - 10, value * 2, value / 2})
    edited = edited || body->PutDouble(0u, next);
  if (!edited)
    Fail("the edit wrote nothing to " + body->GetAxisId());
  for (auto _ : state) {
    if (!built->IsDirty())
      Fail("an edited instance is not dirty");
  }
  state.counters["tables"] = static_cast<double>(rom.Tables());
}
BENCHMARK(BM_IsDirtyAfterOneEdit)->Unit(benchmark::kMicrosecond);

// Every table copied from an instance whose tables all differ into a freshly
// built one (the rebuild is not timed).
void BM_CopyTablesBySelection(benchmark::State& state) {
  const Rom& rom = Rom::Get();
  // Every axis byte flipped in its lowest bit: every table differs.
  std::vector<uint8_t> other(rom.Images().rom);
  for (const Rom::Range& range : rom.ReadRanges()) {
    for (size_t i = 0; i < range.length; ++i)
      other[range.offset + i] ^= 1;
  }
  std::shared_ptr<vehicle::VehicleData> source = rom.Build(other);
  std::vector<tuner_editor::TableSelection> selections;
  for (const auto& entry : source->GetTableHash())
    selections.emplace_back(entry.first);
  size_t copied = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto target = rom.Build(rom.Images().rom);
    state.ResumeTiming();
    const vehicle::CopyTablesResults results = target->CopyTablesBySelection(source, selections);
    benchmark::DoNotOptimize(&results);
    state.PauseTiming();
    copied = target->IsDirty() ? selections.size() : 0;
    target.reset();
    state.ResumeTiming();
  }
  if (copied == 0)
    Fail("the copy changed nothing");
  state.counters["tables"] = static_cast<double>(selections.size());
}
BENCHMARK(BM_CopyTablesBySelection)->Unit(benchmark::kMillisecond);

// Heap held by a built instance (its buffers, axis data, tables, toggles),
// and the peak during the build, against the image plus the definition's
// documents. The images themselves are the caller's and are not counted.
void BM_BuiltInstanceMemory(benchmark::State& state) {
  const Rom& rom = Rom::Get();
  long long held = 0, peak = 0;
  size_t allocations = 0;
  for (auto _ : state) {
    heap::Start();
    {
      auto data = std::make_unique<vehicle::VehicleData>(rom.Definition());
      data->BuildVehicle(rom.Images().rom, rom.Images().second, false);
      held = heap::live;
      peak = heap::peak;
      allocations = heap::allocations;
      heap::Stop();
    }
  }
  state.counters["allocations"] = static_cast<double>(allocations);
  state.counters["held_MiB"] = held / 1048576.0;
  state.counters["peak_MiB"] = peak / 1048576.0;
  state.counters["image_MiB"] = rom.Images().rom.size() / 1048576.0;
  state.counters["definition_MiB"] = rom.DefinitionBytes() / 1048576.0;
}
BENCHMARK(BM_BuiltInstanceMemory)->Unit(benchmark::kMillisecond)->Iterations(3);

// ---------------------------------------------------------------- cells

// One axis read from a small document the way a table reads its axes.
std::shared_ptr<vehicle::Axis> CellAxis(const std::string& id) {
  static const char* const kDocument = R"(<vehicledef>
  <datatype id="s16" unit="C" endian="big" storage="16" min="-40" max="471.99" format="%.2f">
    <conv type="slope-int" scalar="0.0078125" offset="-40"/>
  </datatype>
  <datatype id="m8" unit="-" endian="big" storage="8" min="0" max="30" format="%.1f" mask="0x3C">
    <conv type="slope-int" scalar="0.5" offset="0"/>
  </datatype>
  <table id="cells">
    <axis id="int16" type="z" rom_offset="0" datatype="s16"><dimensions x="32" y="32"/></axis>
    <axis id="masked8" type="z" rom_offset="0" datatype="m8"><dimensions x="32" y="32"/></axis>
  </table>
</vehicledef>)";
  TiXmlDocument doc;
  doc.Parse(kDocument);
  std::string error;
  vehicle::DataTypeHash types;
  const TiXmlElement* at = doc.RootElement();
  for (bool next = false;; next = true) {
    auto type = std::make_shared<vehicle::DataType>();
    if (type->Read(at, error, next) != 0 || type->GetCurrentElement() == at)
      break;
    types.addData(type->GetObjId(), type);
    at = type->GetCurrentElement();
  }
  const TiXmlElement* table = doc.RootElement()->FirstChildElement("table");
  auto axis = std::make_shared<vehicle::Axis>();
  for (const TiXmlElement* found = axis->ReadType(table, false); found != nullptr;
       found = axis->ReadType(found, true)) {
    if (id != found->Attribute("id"))
      continue;
    axis->Read(found, error, false);
    axis->ResolveReferences(types);
    axis->SetDataSignature(id);
    return axis;
  }
  Fail("no cell axis " + id);
}

constexpr unsigned kCells = 32 * 32;

struct CellCase {
  std::shared_ptr<vehicle::AxisData> axis;
  std::vector<uint8_t> bytes;  // the same bytes, for the hand-written loops
  unsigned width;
  double scalar, offset;
  uint8_t mask;
};

CellCase MakeCellCase(bool masked) {
  CellCase c;
  c.width = masked ? 1 : 2;
  c.scalar = masked ? 0.5 : 0.0078125;
  c.offset = masked ? 0.0 : -40.0;
  c.mask = masked ? 0x3C : 0xFF;
  std::vector<uint8_t> image(kCells * c.width);
  uint32_t seed = 2024;
  for (uint8_t& b : image) {
    seed = seed * 1664525u + 1013904223u;
    b = static_cast<uint8_t>(seed >> 24);
  }
  c.axis = std::make_shared<vehicle::AxisData>(CellAxis(masked ? "masked8" : "int16"));
  c.axis->BuildAxis(c.axis->BuildByteData(image));
  if (!c.axis->IsBuilt())
    Fail("the cell axis does not build");
  c.bytes = image;
  return c;
}

double HandDecode(const CellCase& c, unsigned i) {
  const uint8_t* p = c.bytes.data() + static_cast<size_t>(i) * c.width;
  const unsigned raw = c.width == 2 ? (unsigned{p[0]} << 8 | p[1]) : (p[0] & c.mask);
  return raw * c.scalar + c.offset;
}

// True when the bytes changed, as PutDouble reports.
bool HandEncode(CellCase& c, unsigned i, double value) {
  double raw = std::nearbyint((value - c.offset) / c.scalar);
  const double top = c.width == 2 ? 65535.0 : 255.0;
  raw = raw < 0 ? 0 : raw > top ? top : raw;
  const unsigned bits = static_cast<unsigned>(raw);
  uint8_t* p = c.bytes.data() + static_cast<size_t>(i) * c.width;
  if (c.width == 2) {
    const uint8_t hi = static_cast<uint8_t>(bits >> 8), lo = static_cast<uint8_t>(bits);
    if (p[0] == hi && p[1] == lo)
      return false;
    p[0] = hi, p[1] = lo;
    return true;
  }
  const uint8_t merged = static_cast<uint8_t>(p[0] ^ ((p[0] ^ bits) & c.mask));
  if (merged == p[0])
    return false;
  p[0] = merged;
  return true;
}

// Two values per cell that store differently, so every write changes bytes.
std::vector<double> WriteValues(const CellCase& c) {
  std::vector<double> values;
  const double step = c.width == 2 ? c.scalar : c.scalar * 4;
  for (unsigned i = 0; i < kCells; ++i) {
    const double now = HandDecode(c, i);
    values.push_back(now);
    values.push_back(now + (now + step <= (c.width == 2 ? 471.0 : 30.0) ? step : -step));
  }
  return values;
}

void CountAllocations(benchmark::State& state, size_t allocations) {
  state.counters["allocs_per_call"] =
      static_cast<double>(allocations) / static_cast<double>(state.iterations());
}

void GetDoubleBench(benchmark::State& state, bool masked) {
  const CellCase c = MakeCellCase(masked);
  unsigned i = 0;
  heap::Start();
  for (auto _ : state)
    benchmark::DoNotOptimize(c.axis->GetDouble(i++ & (kCells - 1)));
  heap::Stop();
  CountAllocations(state, heap::allocations);
}

void HandDecodeBench(benchmark::State& state, bool masked) {
  const CellCase c = MakeCellCase(masked);
  unsigned i = 0;
  for (auto _ : state)
    benchmark::DoNotOptimize(HandDecode(c, i++ & (kCells - 1)));
}

void PutDoubleBench(benchmark::State& state, bool masked) {
  CellCase c = MakeCellCase(masked);
  const std::vector<double> values = WriteValues(c);
  unsigned k = 0;
  heap::Start();
  for (auto _ : state) {
    // Each pass over the cells writes the other value of every cell.
    const unsigned cell = k & (kCells - 1);
    const unsigned pass = (k >> 10) & 1;
    ++k;
    benchmark::DoNotOptimize(c.axis->PutDouble(cell, values[2 * cell + (pass ^ 1)]));
  }
  heap::Stop();
  CountAllocations(state, heap::allocations);
}

void HandEncodeBench(benchmark::State& state, bool masked) {
  CellCase c = MakeCellCase(masked);
  const std::vector<double> values = WriteValues(c);
  unsigned k = 0;
  for (auto _ : state) {
    const unsigned cell = k & (kCells - 1);
    const unsigned pass = (k >> 10) & 1;
    ++k;
    benchmark::DoNotOptimize(HandEncode(c, cell, values[2 * cell + (pass ^ 1)]));
  }
}

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
  for (const bool masked : {false, true}) {
    const std::string suffix = masked ? "masked8" : "int16";
    benchmark::RegisterBenchmark(("BM_CellGetDouble/" + suffix).c_str(), GetDoubleBench, masked)
        ->MinTime(0.05);
    benchmark::RegisterBenchmark(("BM_CellHandDecode/" + suffix).c_str(), HandDecodeBench, masked)
        ->MinTime(0.05);
    benchmark::RegisterBenchmark(("BM_CellPutDouble/" + suffix).c_str(), PutDoubleBench, masked)
        ->MinTime(0.05);
    benchmark::RegisterBenchmark(("BM_CellHandEncode/" + suffix).c_str(), HandEncodeBench, masked)
        ->MinTime(0.05);
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
