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

struct MonitorOptions : DefinitionOptions {
  std::string monitor;
  std::vector<std::string> replies;
};

// One decoded request: the monitor's value and the replies it came from.
struct Decoded {
  vehicle::MonitorDataManager manager;
  std::shared_ptr<vehicle::Monitor> monitor;
  // The values the device requests from the ECU: the monitor itself, or the
  // plain monitors a compound one is computed from, each once, in input order.
  vehicle::MonitorDataManager::MonitorDataList requested;
  std::vector<std::vector<uint8_t>> replies;
  std::vector<float> input_values;
  float value = 0;
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

// The valid monitor of that id; a bad request when there is none.
std::shared_ptr<vehicle::Monitor> FindMonitor(const Definition& definition, const std::string& id) {
  const vehicle::Vehicle::Monitors& monitors = definition.vehicle->GetMonitors();
  if (monitors.dataExists(id))
    return monitors.findData(id);
  for (const InvalidObject& object : definition.invalid) {
    if (object.object_class == "Monitor" && object.id == id) {
      throw CommandError(kExitBadRequest, "monitor \"" + id + "\" is invalid: " +
                                              vehicle::ValidationCodeName(object.code) + " (" +
                                              vehicle::ValidationCodeMeaning(object.code) + ")");
    }
  }
  throw CommandError(kExitBadRequest, "no monitor \"" + id + "\" in the definition");
}

// Hands each requested monitor its reply; the replies must match in number and width.
void SetReplies(const MonitorOptions& options, Decoded& decoded) {
  const auto& requested = decoded.requested;
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
  for (size_t i = 0; i < requested.size(); ++i) {
    std::vector<uint8_t> bytes = ParseHex(options.replies[i]);
    const uint32_t width = requested[i]->GetMonitorWidth();
    if (bytes.size() != width) {
      throw CommandError(kExitBadRequest, "reply for \"" + requested[i]->GetMonitor()->GetObjId() +
                                              "\" has " + std::to_string(bytes.size()) +
                                              " bytes; the monitor reads " + std::to_string(width));
    }
    requested[i]->SetRawValue(bytes.cbegin(), bytes.cend());
    decoded.replies.push_back(std::move(bytes));
  }
}

void Decode(const MonitorOptions& options, const Definition& definition, Decoded& decoded) {
  decoded.monitor = FindMonitor(definition, options.monitor);
  const std::shared_ptr<vehicle::MonitorData> data =
      decoded.manager.CreateMonitorData(decoded.monitor);
  decoded.manager.FlattenMonitorDataList(decoded.requested, data);
  SetReplies(options, decoded);
  try {
    for (const auto& input : decoded.requested)
      decoded.input_values.push_back(input->GetValue());
    decoded.value = data->GetValue();
  } catch (const std::exception& e) {
    throw CommandError(kExitBadRequest, "cannot decode \"" + options.monitor + "\": " + e.what());
  }
}

void PrintJsonValue(Decoded& decoded) {
  const vehicle::Monitor& monitor = *decoded.monitor;
  nlohmann::json inputs = nlohmann::json::array();
  for (size_t i = 0; i < decoded.requested.size(); ++i) {
    const auto& input = decoded.requested[i]->GetMonitor();
    inputs.push_back({
        {"monitor", input->GetObjId()},
        {"reply", HexBytes(decoded.replies[i])},
        {"value", decoded.input_values[i]},
        {"text", decoded.manager.GetValueString(input, decoded.input_values[i])},
        {"unit", UnitOf(*input)},
    });
  }
  PrintJson({
      {"monitor", monitor.GetObjId()},
      {"compound", monitor.IsCompound()},
      {"value", decoded.value},
      {"text", decoded.manager.GetValueString(decoded.monitor, decoded.value)},
      {"unit", UnitOf(monitor)},
      {"format", monitor.GetDataType() ? monitor.GetDataType()->format : ""},
      {"replies", inputs},
  });
}

void PrintTextValue(Decoded& decoded) {
  const vehicle::Monitor& monitor = *decoded.monitor;
  const std::string text = decoded.manager.GetValueString(decoded.monitor, decoded.value);
  std::cout << monitor.GetObjId() << ": " << WithUnit(text, UnitOf(monitor)) << '\n';
  if (!monitor.IsCompound())
    return;
  TextTable table({"from", "reply", "value"});
  for (size_t i = 0; i < decoded.requested.size(); ++i) {
    const auto& input = decoded.requested[i]->GetMonitor();
    const std::string value = decoded.manager.GetValueString(input, decoded.input_values[i]);
    table.AddRow(
        {input->GetObjId(), HexBytes(decoded.replies[i]), WithUnit(value, UnitOf(*input))});
  }
  table.Print(std::cout, "  ");
}

int Run(const MonitorOptions& options) {
  const Definition definition = LoadDefinition(options.definition);
  Decoded decoded;
  Decode(options, definition, decoded);
  if (options.json) {
    PrintJsonValue(decoded);
  } else {
    PrintTextValue(decoded);
  }
  return kExitOk;
}

}  // namespace

Verb AddMonitorVerb(CLI::App& app) {
  auto options = std::make_shared<MonitorOptions>();
  CLI::App* command = AddDefinitionVerb(
      app, "monitor",
      "Decode reply bytes of a live-data monitor and print the value in its display\n"
      "format. A compound monitor takes one reply per plain monitor it is computed\n"
      "from, in input order; each reply is hex bytes (0BB8, 0x0BB8 or 0b:b8).",
      *options);
  command->add_option("id", options->monitor, "monitor id")->required();
  command->add_option("replies", options->replies, "reply bytes in hex, one per input")->required();
  return {command, [options] { return Run(*options); }};
}

}  // namespace ecucal_cli
