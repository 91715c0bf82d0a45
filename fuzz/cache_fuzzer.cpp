// A cache file from the field: arbitrary bytes where Load looks for the
// cache of a definition. The archive library's exception is the one failure
// a cache file may raise; whatever does load is post-processed, validated
// and has its monitors decoded like a freshly read definition.
#include <boost/archive/archive_exception.hpp>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "FuzzTemp.h"
#include "vehicle/loading/Vehicle.h"
#include "vehicle/monitor/MonitorData.h"
#include "vehicle/monitor/MonitorDataManager.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string folder = fuzz::TempFolder();
  // The document itself never exists: only the cache can be read.
  const std::string path = folder + "/cached.xml";
  const std::string cache = path + vehicle::Vehicle::SVX_EXT;
  if (!fuzz::WriteFile(cache, data, size))
    std::abort();

  {
    vehicle::Vehicle vehicle;
    std::string error;
    bool loaded = false;
    try {
      vehicle.Load(path, error, vexa_xml::XML_LOAD_DEFAULT);
      loaded = true;
    } catch (const boost::archive::archive_exception&) {
    }
    if (loaded) {
      std::string validation;
      vehicle.Validate(validation);
      vehicle::MonitorDataManager manager(vehicle.GetMonitors());
      std::vector<uint8_t> reply(data, data + (size < 4 ? size : 4));
      for (const auto& entry : vehicle.GetMonitors()) {
        const auto monitor_data = manager.CreateMonitorData(entry.second);
        if (!monitor_data)
          continue;
        monitor_data->SetRawValue(reply.begin(), reply.end());
        manager.GetValueString(entry.second, monitor_data->GetValue());
      }
    }
  }

  // Only the header and ROM information, as a device reads it to list ROMs.
  {
    vehicle::Vehicle vehicle;
    vehicle.LoadRomInfoOnly();
    std::string error;
    try {
      vehicle.Load(path, error, vexa_xml::XML_LOAD_DEFAULT);
    } catch (const boost::archive::archive_exception&) {
    }
  }
  fuzz::RemoveFile(cache);
  return 0;
}
