#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

class TiXmlElement;

namespace import {

// Attributes of an element, names in lower case, in first-seen order. Later
// elements of an inheritance chain overwrite them one by one.
class Attributes {
 public:
  // Copies every attribute of `element` over the ones held.
  void MergeFrom(const TiXmlElement* element);
  void Set(const std::string& name, const std::string& value);
  // Null when absent.
  const std::string* Find(const std::string& name) const;
  bool Has(const std::string& name) const { return Find(name) != nullptr; }
  // The value, or `fallback` when absent.
  std::string Get(const std::string& name, const std::string& fallback = "") const;

 private:
  std::vector<std::pair<std::string, std::string>> values_;
};

// A named list of attributes (a scaling), or a named byte string (a state).
struct NamedAttributes {
  std::string name;
  Attributes attributes;
  std::vector<std::pair<std::string, std::string>> entries;  // bloblist <data name value>
};

// A table element as the inheritance chain leaves it: the source's own
// vocabulary, merged but not yet interpreted.
struct RawTable {
  std::string name;
  Attributes attributes;
  std::vector<RawTable> axes;                               // child tables
  bool has_data = false;                                    // <data> children were given
  std::vector<std::string> data;                            // their texts (static axes)
  std::vector<NamedAttributes> scalings;                    // scalings written inside the table
  std::vector<std::pair<std::string, std::string>> states;  // switch states: name, data
  std::vector<std::pair<std::string, std::string>> bits;    // bitwise switch: name, position

  // The entry called `name`, created at the end when absent.
  static std::string& Entry(std::vector<std::pair<std::string, std::string>>& list,
                            const std::string& name);
};

// The tables of a ROM by name, in the order they were first declared.
class RawTableList {
 public:
  // Null when there is none of that name.
  RawTable* Find(const std::string& name);
  // Adds the table, or replaces the one of the same name in its place.
  RawTable& Put(RawTable table);
  void Remove(const std::string& name);
  // Every table still present, in declaration order.
  std::vector<const RawTable*> Tables() const;
  // Appends `interpret(table, out)` of every table still present to `out`,
  // in declaration order; false at the first table it refuses.
  template <class Out, class Interpret>
  bool InterpretEach(std::vector<Out>& out, Interpret interpret) const {
    for (const RawTable* raw : Tables()) {
      Out item;
      if (!interpret(*raw, item))
        return false;
      out.push_back(std::move(item));
    }
    return true;
  }

 private:
  std::vector<RawTable> tables_;
  std::vector<bool> removed_;
  std::unordered_map<std::string, size_t> index_;
};

// Replaces `data` with the <data> texts of `element` when it has any.
void MergeDataTexts(const TiXmlElement* element, RawTable& table);

}  // namespace import
