// Reading a definition document tree into a Vehicle.
#include <tinyxml.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "util/XmlRead.h"
#include "vehicle/definition/CopyGroup.h"
#include "vehicle/definition/DataType.h"
#include "vehicle/definition/Group.h"
#include "vehicle/definition/Table.h"
#include "vehicle/definition/XMLToggle.h"
#include "vehicle/loading/AxisSignatureStrategy.h"
#include "vehicle/loading/Vehicle.h"
#include "vehicle/monitor/Monitor.h"

namespace vehicle {

namespace {

bool Near(double a, double b) {
  return std::fabs(a - b) <= 0.01;
}

// The same file under one spelling, so that a cycle is seen however the
// include texts name it.
std::string CanonicalPath(const std::string& path) {
  std::error_code ignored;
  std::filesystem::path canonical = std::filesystem::weakly_canonical(path, ignored);
  return canonical.empty() ? path : canonical.string();
}

}  // namespace

bool Vehicle::Load(const std::string& path, std::string& error, vexa_xml::XmlLoadOpts_e options,
                   AxisSignatureStrategy* strategy) {
  loaded_ = false;
  valid_ = false;
  read_only_ = false;
  has_realtime_tables_ = false;
  volatile_only_realtime_ = false;

  loaded_ = LoadSerializedFile(path);
  if (!loaded_)
    loaded_ = RecursiveLoad(path, error, options);
  PostProcessLoad(strategy);
  return true;
}

bool Vehicle::Load(const std::string& path, std::string& error, vexa_xml::XmlLoadOpts_e options) {
  SharedAxisSignatureStrategy strategy;
  return Load(path, error, options, &strategy);
}

bool Vehicle::RecursiveLoad(const std::string& path, std::string& error,
                            vexa_xml::XmlLoadOpts_e options) {
  include_chain_.clear();
  return RecursiveLoadAtDepth(path, error, options, 0);
}

bool Vehicle::RecursiveLoadAtDepth(const std::string& path, std::string& error,
                                   vexa_xml::XmlLoadOpts_e options, int depth) {
  if (depth > kMaxIncludeDepth) {
    error += "Includes nested deeper than " + std::to_string(kMaxIncludeDepth) +
             " levels; not loading \"" + path + "\"\n";
    return false;
  }
  vexa_xml::DataMarkupDoc document;
  // The loader records no element locations, so TinyXML need not count them.
  document.SetTabSize(0);
  if (!document.InitFromFile(path, error, options))
    return false;

  const std::string canonical = CanonicalPath(document.GetFilePath());
  if (std::find(include_chain_.begin(), include_chain_.end(), canonical) != include_chain_.end()) {
    error += "Include cycle: \"" + document.GetFilePath() + "\" includes itself\n";
    return false;
  }

  const TiXmlElement* root = document.FirstChildElement("vehicledef");
  if (root == nullptr || !ReadRootValues(root))
    return false;

  include_chain_.push_back(canonical);
  bool includes_ok = true;
  for (const TiXmlElement* include = root->FirstChildElement("include"); include != nullptr;
       include = include->NextSiblingElement("include")) {
    const std::string included = util::ElementText(include);
    if (included.empty()) {
      error += "An include in \"" + document.GetFilePath() + "\" names no document\n";
      includes_ok = false;
      continue;
    }
    includes_ok = RecursiveLoadAtDepth(included, error, options, depth + 1) && includes_ok;
  }
  include_chain_.pop_back();

  rom_info_.Read(root, error, false);

  bool stores_ok = ReadHashData(root, data_types_, error);
  stores_ok = ReadHashData(root, groups_, error) && stores_ok;
  stores_ok = ReadHashData(root, xml_toggles_, error) && stores_ok;
  stores_ok = ReadHashData(root, tables_, error) && stores_ok;
  stores_ok = ReadHashData(root, monitors_, error) && stores_ok;
  stores_ok = ReadHashData(root, copy_groups_, error) && stores_ok;

  const bool toggles_ok = ReadToggleRestrictions(root, error);
  const bool tables_ok = ReadTableRestrictions(root, error);
  return includes_ok && stores_ok && toggles_ok && tables_ok;
}

// Id, version, variants, read-only mark and the volatile realtime mark of
// one document's root. False when the document must not be read further.
bool Vehicle::ReadRootValues(const TiXmlElement* root) {
  if (vehicle_id_.empty()) {
    std::string id;
    if (!util::ReadXmlValue(root, "id", id))
      return false;
    vehicle_id_ = id;
  }

  std::string text;
  if (Near(version_, kUnsetVersion)) {
    if (!util::ReadXmlValue(root, "version", text))
      return false;
    util::ParseFloat(text, version_);
  } else {
    float version = 0;
    if (!util::ReadXmlValue(root, "version", text) || !util::ParseFloat(text, version) ||
        !Near(version, version_)) {
      return false;
    }
  }
  if (!Near(version_, kFormatVersion))
    return false;

  if (variants_.empty() && bundle_ids_.empty()) {
    if (util::ReadXmlValue(root, "variants", text))
      variants_ = util::SplitList(text);
    if (util::ReadXmlValue(root, "bundled_ids", text))
      bundle_ids_ = util::SplitList(text);
  }
  if (root->FirstChildElement("readonly") != nullptr)
    read_only_ = true;
  const TiXmlElement* rominfo = root->FirstChildElement("rominfo");
  if (rominfo != nullptr && rominfo->FirstChildElement("volatile_realtime") != nullptr) {
    volatile_only_realtime_ = true;
  }
  return true;
}

bool Vehicle::ReadToggleRestrictions(const TiXmlElement* root, std::string& /*error*/) {
  if (root == nullptr)
    return false;
  const TiXmlElement* restrictions = root->FirstChildElement("toggle_restrictions");
  if (restrictions == nullptr)
    return true;
  for (const TiXmlElement* e = restrictions->FirstChildElement("toggle_restrict"); e != nullptr;
       e = e->NextSiblingElement("toggle_restrict")) {
    toggle_restrictor_.RestrictToggle(util::ElementText(e));
  }
  for (const TiXmlElement* e = restrictions->FirstChildElement("toggle_unrestrict"); e != nullptr;
       e = e->NextSiblingElement("toggle_unrestrict")) {
    toggle_restrictor_.UnrestrictToggle(util::ElementText(e));
  }
  return true;
}

bool Vehicle::ReadTableRestrictions(const TiXmlElement* /*root*/, std::string& /*error*/) {
  for (const auto& entry : tables_) {
    if (entry.second->IsRestricted())
      table_restrictor_.RestrictTable(entry.first);
  }
  return true;
}

}  // namespace vehicle
