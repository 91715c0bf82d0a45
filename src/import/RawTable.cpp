#include "import/RawTable.h"

#include <tinyxml.h>

#include "import/SourceValues.h"

namespace import {

void Attributes::MergeFrom(const TiXmlElement* element) {
  for (const TiXmlAttribute* a = element->FirstAttribute(); a != nullptr; a = a->Next())
    Set(Lower(a->Name()), a->Value());
}

void Attributes::Set(const std::string& name, const std::string& value) {
  for (auto& entry : values_) {
    if (entry.first == name) {
      entry.second = value;
      return;
    }
  }
  values_.emplace_back(name, value);
}

const std::string* Attributes::Find(const std::string& name) const {
  for (const auto& entry : values_) {
    if (entry.first == name)
      return &entry.second;
  }
  return nullptr;
}

std::string Attributes::Get(const std::string& name, const std::string& fallback) const {
  const std::string* value = Find(name);
  return value == nullptr ? fallback : *value;
}

std::string& RawTable::Entry(std::vector<std::pair<std::string, std::string>>& list,
                             const std::string& name) {
  for (auto& entry : list) {
    if (entry.first == name)
      return entry.second;
  }
  list.emplace_back(name, "");
  return list.back().second;
}

RawTable* RawTableList::Find(const std::string& name) {
  auto found = index_.find(name);
  return found == index_.end() ? nullptr : &tables_[found->second];
}

RawTable& RawTableList::Put(RawTable table) {
  auto found = index_.find(table.name);
  if (found != index_.end()) {
    tables_[found->second] = std::move(table);
    return tables_[found->second];
  }
  index_.emplace(table.name, tables_.size());
  tables_.push_back(std::move(table));
  removed_.push_back(false);
  return tables_.back();
}

void RawTableList::Remove(const std::string& name) {
  auto found = index_.find(name);
  if (found == index_.end())
    return;
  removed_[found->second] = true;
  tables_[found->second] = RawTable();
  index_.erase(found);
}

std::vector<const RawTable*> RawTableList::Tables() const {
  std::vector<const RawTable*> present;
  for (size_t i = 0; i < tables_.size(); ++i) {
    if (!removed_[i])
      present.push_back(&tables_[i]);
  }
  return present;
}

void MergeDataTexts(const TiXmlElement* element, RawTable& table) {
  std::vector<std::string> texts;
  bool any = false;
  for (const TiXmlElement* child = element->FirstChildElement(); child != nullptr;
       child = child->NextSiblingElement()) {
    if (!IsElement(child, "data"))
      continue;
    any = true;
    texts.push_back(Text(child));
  }
  if (any) {
    table.has_data = true;
    table.data = std::move(texts);
  }
}

}  // namespace import
