// One definition document, read the way the field reads it: from a file,
// with whatever includes it names (itself, a missing file, or the small
// fixed document written beside it), then validated, its monitors decoded
// from the input's own bytes, and sometimes written to a cache file and
// read back.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "FuzzTemp.h"
#include "vehicle/loading/AxisSignatureStrategy.h"
#include "vehicle/loading/Vehicle.h"
#include "vehicle/monitor/MonitorData.h"
#include "vehicle/monitor/MonitorDataManager.h"

namespace {

// A second document that inputs may include by name.
const char kIncluded[] = R"(<?xml version="1.0"?>
<vehicledef id="FUZZ_INC" version="1.1">
  <rominfo cpu="hc16" rom_name="INC"/>
  <datatype id="U8" unit="-" endian="big" storage="8" format="%.0f" min="0" max="255">
    <conv type="direct"/>
  </datatype>
  <datatype id="EXPR" unit="kPa" endian="little" storage="16" format="%.2f">
    <conv to_bin="x*10" to_float="x/10" compound="input1+input2"/>
  </datatype>
  <group id="G" type="table"/>
  <table id="INC_T" group="G">
    <axis id="INC_X" type="x" datatype="U8" rom_offset="0x30000" count="4"/>
    <axis id="INC_Z" type="z" datatype="U8" rom_offset="0x100"><dimensions x="4"/></axis>
  </table>
  <monitor id="INC_M" address="0xFF6000" datatype="EXPR"/>
</vehicledef>
)";

// Any monitors beyond this are left undecoded; the work per input stays small.
constexpr size_t kMaxMonitors = 64;

void DecodeMonitors(const vehicle::Vehicle& vehicle, const uint8_t* data, size_t size) {
  vehicle::MonitorDataManager manager(vehicle.GetMonitors());
  size_t used = 0;
  size_t offset = 0;
  for (const auto& entry : vehicle.GetMonitors()) {
    if (++used > kMaxMonitors)
      break;
    const auto monitor_data = manager.CreateMonitorData(entry.second);
    if (!monitor_data)
      continue;
    // The reply is a slice of the input itself, sometimes cut short.
    const size_t width = monitor_data->GetMonitorWidth();
    const size_t length = size == 0 ? 0 : (data[offset % size] % 2 == 0 ? width : width / 2);
    std::vector<uint8_t> reply;
    for (size_t i = 0; i < length && size > 0; ++i)
      reply.push_back(data[(offset + i) % size]);
    offset += length + 1;
    monitor_data->SetRawValue(reply.begin(), reply.end());
  }
  vehicle::MonitorDataManager::MonitorDataList plain;
  manager.GetNonCompoundMonitorDataList(plain);
  for (auto it = manager.begin_active(); it != manager.end_active(); ++it) {
    const float value = it->second->GetValue();
    const std::string text = manager.GetValueString(it->first, value);
    if (text.size() > 31) {
      std::fprintf(stderr, "value text longer than 31 characters: %s\n", text.c_str());
      std::abort();
    }
  }
}

// The facts a cache file must carry over unchanged.
struct Summary {
  std::string id;
  float version;
  size_t data_types;
  size_t invalid_data_types;
  size_t monitors;
  size_t invalid_monitors;
  size_t groups;

  explicit Summary(const vehicle::Vehicle& v)
      : id(v.GetLiveRomName()),
        version(v.GetVersion()),
        data_types(v.GetDataTypes().size()),
        invalid_data_types(v.GetInvalidDataTypes().size()),
        monitors(v.GetMonitors().size()),
        invalid_monitors(v.GetInvalidMonitors().size()),
        groups(v.GetGroups().size()) {}

  bool operator==(const Summary& o) const {
    return id == o.id && data_types == o.data_types && invalid_data_types == o.invalid_data_types &&
           monitors == o.monitors && invalid_monitors == o.invalid_monitors && groups == o.groups &&
           (version == o.version || (version != version && o.version != o.version));
  }
};

void RoundTrip(vehicle::Vehicle& vehicle, const std::string& path) {
  if (!vehicle.SaveSerializedFile(path)) {
    std::fprintf(stderr, "cache file could not be written\n");
    std::abort();
  }
  vehicle::Vehicle reread;
  std::string error;
  reread.Load(path, error, vexa_xml::XML_LOAD_DEFAULT);
  fuzz::RemoveFile(path + vehicle::Vehicle::SVX_EXT);
  if (!(Summary(vehicle) == Summary(reread))) {
    std::fprintf(stderr, "cache file did not carry the definition over\n");
    std::abort();
  }
  std::string validation;
  reread.Validate(validation);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string folder = fuzz::TempFolder();
  static const bool written = fuzz::WriteFile(folder + "/inc.xml", kIncluded);
  if (!written)
    std::abort();
  const std::string path = folder + "/top.xml";
  if (!fuzz::WriteFile(path, data, size))
    std::abort();

  // The input's length picks the options, so that any document can be
  // tried under each of them.
  const bool preserve = size % 2 == 1;
  const bool round_trip = size % 4 >= 2;
  const bool unique = size % 8 >= 4;

  vehicle::Vehicle vehicle;
  std::string error;
  const auto options =
      preserve ? vexa_xml::XML_LOAD_PRESERVE_WHITESPACE : vexa_xml::XML_LOAD_DEFAULT;
  if (unique) {
    UniqueAxisSignatureStrategy strategy;
    vehicle.Load(path, error, options, &strategy);
  } else {
    vehicle.Load(path, error, options);
  }
  std::string validation;
  vehicle.Validate(validation);
  DecodeMonitors(vehicle, data, size);
  if (round_trip && vehicle.IsLoaded())
    RoundTrip(vehicle, path);
  return 0;
}
