#include "import/SourceFiles.h"

#include <tinyxml.h>

#include <algorithm>

#include "import/SourceValues.h"
#include "outside/DataMarkupDoc.h"

namespace import {

namespace {

// Real definitions inherit a few levels; a deeper chain is a malformed input
// (and following it recursively would only exhaust the stack).
constexpr size_t kMaxChainDepth = 64;

// The xmlid of a ROM element: the text of romid/xmlid.
std::string XmlIdOf(const TiXmlElement* rom) {
  for (const TiXmlElement* child = rom->FirstChildElement(); child != nullptr;
       child = child->NextSiblingElement()) {
    if (!IsElement(child, "romid"))
      continue;
    for (const TiXmlElement* field = child->FirstChildElement(); field != nullptr;
         field = field->NextSiblingElement()) {
      if (IsElement(field, "xmlid"))
        return Text(field);
    }
  }
  return "";
}

// The xmlids a ROM inherits from, in the order they apply.
std::vector<std::string> ParentsOf(const SourceFiles::Rom& rom) {
  std::vector<std::string> parents;
  if (rom.format == SourceFormat::kRomRaider) {
    const char* base = Attribute(rom.element, "base");
    if (base != nullptr && !Trim(base).empty() && !EqualsIgnoreCase(Trim(base), "none"))
      parents.push_back(Trim(base));
    return parents;
  }
  for (const TiXmlElement* child = rom.element->FirstChildElement(); child != nullptr;
       child = child->NextSiblingElement()) {
    if (IsElement(child, "include"))
      parents.push_back(Text(child));
  }
  return parents;
}

std::string Describe(const SourceFiles& files, const SourceFiles::Rom& rom) {
  return "ROM \"" + rom.xmlid + "\" (" + files.Path(rom.file) + ")";
}

}  // namespace

SourceFiles::SourceFiles() = default;
SourceFiles::~SourceFiles() = default;

bool SourceFiles::Load(const std::vector<std::string>& paths, std::string& error) {
  for (const std::string& path : paths) {
    auto document = std::make_unique<vexa_xml::DataMarkupDoc>();
    document->SetTabSize(0);  // positions are not needed; parsing is faster without
    std::string reason;
    if (!document->InitFromFile(path, reason, vexa_xml::XML_LOAD_RELATIVE_TO_CWD)) {
      error += reason.empty() ? path + ": cannot be read\n" : reason;
      return false;
    }
    const TiXmlElement* root = document->RootElement();
    const size_t file = documents_.size();
    if (IsElement(root, "roms")) {
      for (const TiXmlElement* rom = root->FirstChildElement(); rom != nullptr;
           rom = rom->NextSiblingElement()) {
        if (IsElement(rom, "rom"))
          roms_.push_back({rom, SourceFormat::kRomRaider, file, XmlIdOf(rom)});
      }
    } else if (IsElement(root, "rom")) {
      roms_.push_back({root, SourceFormat::kEcuFlash, file, XmlIdOf(root)});
    } else {
      error += path +
               ": neither a RomRaider definition (root <roms>) nor an EcuFlash definition "
               "(root <rom>)\n";
      return false;
    }
    paths_.push_back(path);
    documents_.push_back(std::move(document));
  }
  for (size_t i = 0; i < roms_.size(); ++i) {
    if (!roms_[i].xmlid.empty())
      index_[Lower(roms_[i].xmlid)].push_back(i);
  }
  return true;
}

std::vector<const TiXmlElement*> SourceFiles::Roots() const {
  std::vector<const TiXmlElement*> roots;
  for (const auto& document : documents_)
    roots.push_back(document->RootElement());
  return roots;
}

const SourceFiles::Rom* SourceFiles::Find(const std::string& xmlid, std::string& error,
                                          bool& ambiguous) const {
  ambiguous = false;
  auto found = index_.find(Lower(xmlid));
  if (found == index_.end())
    return nullptr;
  if (found->second.size() > 1) {
    ambiguous = true;
    error += "ROM \"" + xmlid + "\" is defined more than once:";
    for (size_t i : found->second)
      error += " " + paths_[roms_[i].file];
    error += "\n";
    return nullptr;
  }
  return &roms_[found->second.front()];
}

bool SourceFiles::Visit(const Rom* rom, std::vector<const Rom*>& path,
                        std::vector<const Rom*>& chain, std::string& error) const {
  if (std::find(path.begin(), path.end(), rom) != path.end()) {
    error += "ROM inheritance loops:";
    auto start = std::find(path.begin(), path.end(), rom);
    for (auto it = start; it != path.end(); ++it)
      error += " " + (*it)->xmlid + " ->";
    error += " " + rom->xmlid + "\n";
    return false;
  }
  if (std::find(chain.begin(), chain.end(), rom) != chain.end())
    return true;  // reached twice through different parents; applied once
  if (path.size() >= kMaxChainDepth) {
    error += Describe(*this, *rom) + ": inheritance deeper than " + std::to_string(kMaxChainDepth) +
             " levels\n";
    return false;
  }
  path.push_back(rom);
  for (const std::string& parent_id : ParentsOf(*rom)) {
    const char* how = rom->format == SourceFormat::kRomRaider ? "base" : "include";
    if (parent_id.empty()) {
      error += Describe(*this, *rom) + ": an empty <include>\n";
      return false;
    }
    bool ambiguous = false;
    const Rom* parent = Find(parent_id, error, ambiguous);
    if (parent == nullptr) {
      if (!ambiguous) {
        error += Describe(*this, *rom) + " names " + how + " \"" + parent_id +
                 "\", which none of the given files defines\n";
      }
      return false;
    }
    if (parent->format != rom->format) {
      error += Describe(*this, *rom) + " names " + how + " \"" + parent_id + "\", which is a " +
               FormatName(parent->format) + " definition; inheritance cannot cross formats\n";
      return false;
    }
    if (!Visit(parent, path, chain, error))
      return false;
  }
  path.pop_back();
  chain.push_back(rom);
  return true;
}

SourceFiles::ChainStatus SourceFiles::Chain(const std::string& xmlid,
                                            std::vector<const Rom*>& chain,
                                            std::string& error) const {
  chain.clear();
  bool ambiguous = false;
  const Rom* rom = Find(xmlid, error, ambiguous);
  if (rom == nullptr) {
    if (ambiguous)
      return ChainStatus::kBadInput;
    error += "no ROM \"" + xmlid + "\" in the given files\n";
    return ChainStatus::kNotFound;
  }
  std::vector<const Rom*> path;
  if (!Visit(rom, path, chain, error)) {
    chain.clear();
    return ChainStatus::kBadInput;
  }
  return ChainStatus::kOk;
}

}  // namespace import
