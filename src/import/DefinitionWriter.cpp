#include "import/DefinitionWriter.h"

#include <tinyxml.h>

#include <cctype>
#include <filesystem>
#include <memory>
#include <system_error>

#include "import/SourceValues.h"
#include "vehicle/definition/ConversionTypes.h"
#include "vehicle/definition/DataType.h"
#include "vehicle/definition/StorageStrings.h"
#include "vehicle/loading/Vehicle.h"

namespace import {

namespace fs = std::filesystem;

namespace {

// A comment may not hold "--" nor end in "-".
std::string CommentText(std::string text) {
  for (size_t at = text.find("--"); at != std::string::npos; at = text.find("--"))
    text.insert(at + 1, " ");
  if (!text.empty() && text.back() == '-')
    text += ' ';
  return text;
}

// A new document with its declaration and a "vehicledef" root.
struct Document {
  TiXmlDocument xml;
  TiXmlElement* root = nullptr;

  explicit Document(const std::string& comment) {
    xml.LinkEndChild(new TiXmlDeclaration("1.0", "UTF-8", ""));
    if (!comment.empty())
      xml.LinkEndChild(new TiXmlComment(CommentText(comment).c_str()));
    root = new TiXmlElement("vehicledef");
    root->SetAttribute("version", "1.1");
    xml.LinkEndChild(root);
  }

  TiXmlElement* Add(TiXmlElement* parent, const char* name) {
    auto* element = new TiXmlElement(name);
    parent->LinkEndChild(element);
    return element;
  }

  bool Save(const fs::path& path, std::vector<std::string>& documents, std::string& error) {
    if (!xml.SaveFile(path.string().c_str())) {
      error += "cannot write " + path.string() + "\n";
      return false;
    }
    documents.push_back(path.string());
    return true;
  }
};

std::string ByteList(const std::vector<uint8_t>& bytes) {
  std::string text;
  char buffer[8];
  for (uint8_t byte : bytes) {
    std::snprintf(buffer, sizeof buffer, "0x%02X", byte);
    text += (text.empty() ? "" : ", ") + std::string(buffer);
  }
  return text;
}

void WriteDataType(Document& document, const vehicle::DataType& type) {
  TiXmlElement* e = document.Add(document.root, "datatype");
  e->SetAttribute("id", type.GetObjId());
  e->SetAttribute("unit", type.unit);
  e->SetAttribute("endian", util::GetEndianStrs().at(type.endian));
  e->SetAttribute("storage", util::data::GetStorageStrs().at(type.storage));
  e->SetAttribute("min", ExactText(type.min));
  e->SetAttribute("max", ExactText(type.max));
  if (type.small_delta != vehicle::DataType::VALUE_NOT_SET)
    e->SetAttribute("sm_delta", ExactText(type.small_delta));
  if (type.large_delta != vehicle::DataType::VALUE_NOT_SET)
    e->SetAttribute("lg_delta", ExactText(type.large_delta));
  e->SetAttribute("format", type.format);
  e->SetAttribute("target", vehicle::priv::GetDataTargetStrs().at(type.data_target));
  TiXmlElement* conv = document.Add(e, "conv");
  if (type.std_conv.type != VehicleV2::CONV_INVALID) {
    conv->SetAttribute("type", VehicleV2::GetConversionTypeStrs().at(type.std_conv.type));
    for (const auto& constant : type.std_conv.constants) {
      conv->SetAttribute(VehicleV2::GetConversionConstantStrs().at(constant.first),
                         ExactText(constant.second));
    }
  } else {
    conv->SetAttribute("to_bin", type.str_conv.to_bin);
    conv->SetAttribute("to_float", type.str_conv.to_float);
  }
}

void WriteAxis(Document& document, TiXmlElement* table, const OutAxis& axis) {
  TiXmlElement* e = document.Add(table, "axis");
  e->SetAttribute("id", axis.id);
  e->SetAttribute("type", vehicle::priv::GetAxisStrs().at(axis.role));
  if (axis.labels) {
    e->SetAttribute("special",
                    vehicle::priv::GetSpecialAxisStrs().at(vehicle::SPECIAL_AXIS_LABELS));
    for (const std::string& text : axis.texts)
      document.Add(e, "label")->LinkEndChild(new TiXmlText(text));
    return;
  }
  e->SetAttribute("datatype", axis.data_type);
  if (axis.dim_x == 0)
    e->SetAttribute("count", std::to_string(axis.count));
  e->SetAttribute("rom_offset", HexText(axis.address));
  if (axis.vertical)
    e->SetAttribute("layout", vehicle::priv::GetLayoutStrs().at(vehicle::LAYOUT_VERTICAL));
  if (axis.dim_x != 0) {
    TiXmlElement* dimensions = document.Add(e, "dimensions");
    dimensions->SetAttribute("x", std::to_string(axis.dim_x));
    dimensions->SetAttribute("y", std::to_string(axis.dim_y));
  }
  if (axis.read_only)
    document.Add(e, "readonly");
}

void WriteToggle(Document& document, const OutToggle& toggle) {
  TiXmlElement* e = document.Add(document.root, "toggle");
  e->SetAttribute("id", toggle.id);
  e->SetAttribute("type", "toggle");
  TiXmlElement* pair = document.Add(e, "toggle_pair");
  pair->SetAttribute("rom_offset", HexText(toggle.address));
  pair->SetAttribute("enabled_values", ByteList(toggle.enabled));
  pair->SetAttribute("disabled_values", ByteList(toggle.disabled));
  if (!toggle.mask.empty())
    pair->SetAttribute("mask_values", ByteList(toggle.mask));
}

}  // namespace

std::string DefinitionWriter::TopDocumentName(const std::string& vehicle_id) {
  std::string name;
  for (char c : vehicle_id) {
    const bool keep =
        std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_';
    name += keep ? c : '_';
  }
  if (name.empty() || name[0] == '.')
    name = "definition" + name;
  return name + ".xml";
}

std::vector<std::string> DefinitionWriter::Documents(const OutputDefinition& definition,
                                                     const std::string& folder) {
  const fs::path root(folder);
  std::vector<std::string> paths = {(root / TopDocumentName(definition.vehicle_id)).string()};
  for (const char* name : {"datatypes.xml", "groups.xml", "tables.xml", "toggles.xml"}) {
    if (std::string(name) != "toggles.xml" || !definition.toggles.empty())
      paths.push_back((root / "defs" / name).string());
  }
  return paths;
}

bool DefinitionWriter::Write(const OutputDefinition& definition, const std::string& folder,
                             std::vector<std::string>& documents, std::string& error) {
  const fs::path root(folder);
  std::error_code failure;
  fs::create_directories(root / "defs", failure);
  if (failure) {
    error += "cannot make " + (root / "defs").string() + ": " + failure.message() + "\n";
    return false;
  }

  Document data_types(
      "Data types: how each imported scaling turns stored values into "
      "engineering values.");
  for (const auto& type : definition.data_types)
    WriteDataType(data_types, *type);

  Document groups("Table groups: the categories of the imported definition.");
  for (const std::string& group : definition.groups) {
    TiXmlElement* e = groups.Add(groups.root, "group");
    e->SetAttribute("id", group);
    e->SetAttribute("type", vehicle::priv::GetGroupStrs().at(vehicle::GROUP_TABLE));
  }

  Document tables("Calibration tables.");
  for (const OutTable& table : definition.tables) {
    TiXmlElement* e = tables.Add(tables.root, "table");
    e->SetAttribute("id", table.id);
    e->SetAttribute("group", table.group);
    for (const OutAxis& axis : table.axes)
      WriteAxis(tables, e, axis);
  }

  Document toggles("Switches of the imported definition.");
  for (const OutToggle& toggle : definition.toggles)
    WriteToggle(toggles, toggle);

  std::string header;
  for (const std::string& line : definition.header)
    header += "\n  " + line;
  Document top(header.empty() ? "" : header + "\n");
  top.root->SetAttribute("id", definition.vehicle_id);
  TiXmlElement* info = top.Add(top.root, "rominfo");
  info->SetAttribute("cpu", definition.rom_info.cpu);
  info->SetAttribute("rom_name", definition.rom_info.rom_name);
  if (!definition.rom_info.fw_id.empty()) {
    TiXmlElement* fw_id = top.Add(info, "fw_id");
    fw_id->SetAttribute("offset", HexText(definition.rom_info.fw_offset));
    fw_id->LinkEndChild(new TiXmlText(definition.rom_info.fw_id));
  }
  std::vector<std::string> includes = {"defs/datatypes.xml", "defs/groups.xml", "defs/tables.xml"};
  if (!definition.toggles.empty())
    includes.push_back("defs/toggles.xml");
  for (const std::string& include : includes)
    top.Add(top.root, "include")->LinkEndChild(new TiXmlText(include));

  const std::vector<std::string> paths = Documents(definition, folder);
  Document* const order[] = {&top, &data_types, &groups, &tables, &toggles};
  std::vector<std::string> written;
  for (size_t i = 0; i < paths.size(); ++i) {
    if (!order[i]->Save(paths[i], written, error))
      return false;
  }
  const fs::path top_path(paths.front());
  fs::remove(top_path.string() + vehicle::Vehicle::SVX_EXT, failure);
  if (failure) {
    error += "cannot remove the stale cache file " + top_path.string() + vehicle::Vehicle::SVX_EXT +
             ": " + failure.message() + "\n";
    return false;
  }
  documents = written;
  return true;
}

}  // namespace import
