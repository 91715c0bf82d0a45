// ecucal monitor: decode the reply bytes of a live-data monitor as the device would.
#include <CLI/CLI.hpp>
#include <cctype>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "Commands.h"
#include "Definition.h"
#include "Output.h"
#include "vehicle/definition/DataType.h"
#include "vehicle/loading/ValidationCodes.h"
#include "vehicle/loading/Vehicle.h"
#include "vehicle/monitor/Monitor.h"
#include "vehicle/monitor/MonitorData.h"
#include "vehicle/monitor/MonitorDataManager.h"

namespace ecucal_cli {

namespace {

struct MonitorOptions {
  std::string definition;
  std::string monitor;
  std::vector<std::string> replies;
  bool json = false;
};

// "0x0BB8", "0BB8", "0b:b8" and "0B B8" all give the bytes 0B B8.
std::vector<uint8_t> ParseHex(const std::string& text) {
  std::string digits;
  size_t start = 0;
  if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
    start = 2;
  for (size_t i = start; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (std::isxdigit(c)) {
      digits += static_cast<char>(c);
    } else if (c != ':' && c != ' ' && c != '-' && c != '_') {
      throw CommandError(kExitBadRequest, "reply \"" + text + "\" is not hexadecimal bytes");
    }
  }
  if (digits.empty() || digits.size() % 2 != 0) {
    throw CommandError(kExitBadRequest,
                       "reply \"" + text + "\" must hold whole bytes (two hex digits each)");
  }
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i < digits.size(); i += 2) {
    bytes.push_back(static_cast<uint8_t>(std::stoul(digits.substr(i, 2), nullptr, 16)));
  }
  return bytes;
}

std::string UnitOf(const vehicle::Monitor& monitor) {
  return monitor.GetDataType() ? monitor.GetDataType()->unit : std::string();
}

std::string WithUnit(const std::string& text, const std::string& unit) {
  return unit.empty() ? text : text + " " + unit;
}

int Run(const MonitorOptions& options) {
  Progress progress;
  const Definition definition = LoadDefinition(options.definition, CacheUse::kCacheFirst, progress);
  const vehicle::Vehicle& vehicle = *definition.vehicle;

  if (!vehicle.GetMonitors().dataExists(options.monitor)) {
    for (const InvalidObject& object : definition.invalid) {
      if (object.object_class == "Monitor" && object.id == options.monitor) {
        throw CommandError(kExitBadRequest, "monitor \"" + options.monitor + "\" is invalid: " +
                                                vehicle::ValidationCodeName(object.code) + " (" +
                                                vehicle::ValidationCodeMeaning(object.code) + ")");
      }
    }
    throw CommandError(kExitBadRequest, "no monitor \"" + options.monitor + "\" in the definition");
  }
  const std::shared_ptr<vehicle::Monitor>& monitor =
      vehicle.GetMonitors().findData(options.monitor);

  vehicle::MonitorDataManager manager;
  const std::shared_ptr<vehicle::MonitorData> data = manager.CreateMonitorData(monitor);
  // The values the device requests from the ECU: the monitor itself, or the
  // plain monitors a compound one is computed from, each once, in input order.
  vehicle::MonitorDataManager::MonitorDataList requested;
  manager.FlattenMonitorDataList(requested, data);

  if (options.replies.size() != requested.size()) {
    std::vector<std::string> names;
    for (const auto& input : requested)
      names.push_back(input->GetMonitor()->GetObjId());
    throw CommandError(kExitBadRequest, "monitor \"" + options.monitor + "\" takes " +
                                            std::to_string(requested.size()) +
                                            (requested.size() == 1 ? " reply" : " replies") + " (" +
                                            JoinOrDash(names) + "); got " +
                                            std::to_string(options.replies.size()));
  }

  std::vector<std::vector<uint8_t>> replies;
  for (size_t i = 0; i < requested.size(); ++i) {
    std::vector<uint8_t> bytes = ParseHex(options.replies[i]);
    const uint32_t width = requested[i]->GetMonitorWidth();
    if (bytes.size() != width) {
      throw CommandError(kExitBadRequest, "reply for \"" + requested[i]->GetMonitor()->GetObjId() +
                                              "\" has " + std::to_string(bytes.size()) +
                                              " bytes; the monitor reads " + std::to_string(width));
    }
    requested[i]->SetRawValue(bytes.cbegin(), bytes.cend());
    replies.push_back(std::move(bytes));
  }

  float value = 0;
  std::vector<float> input_values;
  try {
    for (const auto& input : requested)
      input_values.push_back(input->GetValue());
    value = data->GetValue();
  } catch (const std::exception& e) {
    throw CommandError(kExitBadRequest, "cannot decode \"" + options.monitor + "\": " + e.what());
  }
  const std::string text = manager.GetValueString(monitor, value);
  const std::string unit = UnitOf(*monitor);
  const std::string format = monitor->GetDataType() ? monitor->GetDataType()->format : "";

  if (options.json) {
    nlohmann::json inputs = nlohmann::json::array();
    for (size_t i = 0; i < requested.size(); ++i) {
      const auto& input = requested[i]->GetMonitor();
      inputs.push_back({
          {"monitor", input->GetObjId()},
          {"reply", HexBytes(replies[i])},
          {"value", input_values[i]},
          {"text", manager.GetValueString(input, input_values[i])},
          {"unit", UnitOf(*input)},
      });
    }
    PrintJson({
        {"monitor", monitor->GetObjId()},
        {"compound", monitor->IsCompound()},
        {"value", value},
        {"text", text},
        {"unit", unit},
        {"format", format},
        {"replies", inputs},
    });
    return kExitOk;
  }

  std::cout << monitor->GetObjId() << ": " << WithUnit(text, unit) << '\n';
  if (monitor->IsCompound()) {
    TextTable table({"from", "reply", "value"});
    for (size_t i = 0; i < requested.size(); ++i) {
      const auto& input = requested[i]->GetMonitor();
      table.AddRow({input->GetObjId(), HexBytes(replies[i]),
                    WithUnit(manager.GetValueString(input, input_values[i]), UnitOf(*input))});
    }
    table.Print(std::cout, "  ");
  }
  return kExitOk;
}

}  // namespace

Verb AddMonitorVerb(CLI::App& app) {
  auto options = std::make_shared<MonitorOptions>();
  CLI::App* command = app.add_subcommand(
      "monitor",
      "Decode reply bytes of a live-data monitor and print the value in its display\n"
      "format. A compound monitor takes one reply per plain monitor it is computed\n"
      "from, in input order; each reply is hex bytes (0BB8, 0x0BB8 or 0b:b8).");
  command->add_option("definition", options->definition, "top document of the definition")
      ->required();
  command->add_option("id", options->monitor, "monitor id")->required();
  command->add_option("replies", options->replies, "reply bytes in hex, one per input")->required();
  command->add_flag("--json", options->json, "print one JSON document");
  return {command, [options] { return Run(*options); }};
}

}  // namespace ecucal_cli
