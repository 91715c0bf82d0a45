#include "import/EcuFlashReader.h"

#include <tinyxml.h>

#include <unordered_map>

#include "import/RawTable.h"
#include "import/SourceValues.h"

namespace import {

namespace {

std::string TableItem(const std::string& name) {
  return "table \"" + name + "\"";
}

std::string NameOf(const TiXmlElement* e) {
  const char* name = Attribute(e, "name");
  return name == nullptr ? std::string() : Trim(name);
}

class Reader {
 public:
  Reader(SourceRom& rom, std::string& error) : rom_(rom), error_(error) {}

  void ApplyRom(const TiXmlElement* rom) {
    for (const TiXmlElement* e = rom->FirstChildElement(); e != nullptr;
         e = e->NextSiblingElement()) {
      if (IsElement(e, "romid")) {
        for (const TiXmlElement* field = e->FirstChildElement(); field != nullptr;
             field = field->NextSiblingElement()) {
          RawTable::Entry(rom_.romid, Lower(field->ValueStr())) = Text(field);
        }
      } else if (IsElement(e, "scaling")) {
        ApplyScaling(e);
      } else if (IsElement(e, "table")) {
        ApplyTable(e);
      }
    }
  }

  bool Finish() {
    return tables_.InterpretEach(rom_.tables, [this](const RawTable& raw, SourceTable& table) {
      return Interpret(raw, table);
    });
  }

 private:
  void ApplyScaling(const TiXmlElement* e) {
    const std::string name = NameOf(e);
    if (name.empty()) {
      rom_.issues.push_back({"a scaling without a name", "no table can use it"});
      return;
    }
    NamedAttributes& scaling = scalings_[Lower(name)];
    scaling.name = name;
    scaling.attributes.MergeFrom(e);
    std::vector<std::pair<std::string, std::string>> entries;
    for (const TiXmlElement* data = e->FirstChildElement(); data != nullptr;
         data = data->NextSiblingElement()) {
      if (IsElement(data, "data")) {
        entries.emplace_back(NameOf(data),
                             Trim(Attribute(data, "value") ? Attribute(data, "value") : ""));
      }
    }
    if (!entries.empty())
      scaling.entries = std::move(entries);
  }

  void ApplyTable(const TiXmlElement* e) {
    const std::string name = NameOf(e);
    if (name.empty()) {
      rom_.issues.push_back(
          {"a table without a name", "it cannot be told apart, so it is left out"});
      return;
    }
    RawTable* table = tables_.Find(name);
    if (table == nullptr) {
      if (Attribute(e, "type") == nullptr) {
        rom_.issues.push_back(
            {TableItem(name), "no type, and no table of that name in the ROMs it includes"});
        return;
      }
      RawTable fresh;
      fresh.name = name;
      table = &tables_.Put(std::move(fresh));
    }
    table->attributes.MergeFrom(e);
    MergeDataTexts(e, *table);
    for (const TiXmlElement* child = e->FirstChildElement(); child != nullptr;
         child = child->NextSiblingElement()) {
      if (IsElement(child, "table"))
        MergeAxis(child, *table);
    }
  }

  void MergeAxis(const TiXmlElement* e, RawTable& table) {
    const std::string name = NameOf(e);
    RawTable* axis = nullptr;
    for (RawTable& candidate : table.axes) {
      if (candidate.name == name)
        axis = &candidate;
    }
    AxisRole role = AxisRole::kX;
    bool is_static = false;
    const char* type = Attribute(e, "type");
    const bool has_role = type != nullptr && AxisFromWord(type, role, is_static);
    if (axis == nullptr && has_role) {
      // A renamed axis: the one in the same place.
      for (RawTable& candidate : table.axes) {
        AxisRole candidate_role = AxisRole::kX;
        bool candidate_static = false;
        if (AxisFromWord(candidate.attributes.Get("type"), candidate_role, candidate_static) &&
            candidate_role == role)
          axis = &candidate;
      }
      if (axis == nullptr) {
        table.axes.emplace_back();
        axis = &table.axes.back();
      }
    }
    if (axis == nullptr) {
      rom_.issues.push_back({TableItem(table.name), "axis \"" + name +
                                                        "\" has no type and is not declared in "
                                                        "the ROMs it includes; it is left out"});
      return;
    }
    axis->name = name;
    axis->attributes.MergeFrom(e);
    MergeDataTexts(e, *axis);
  }

  // The scaling a table or axis names; false (with a note) when it names
  // none or one that is defined nowhere.
  bool FindScaling(const Attributes& a, const std::string& item, const std::string& what,
                   Scaling& out, Storage& storage, std::vector<Issue>& notes) const {
    const std::string name = Trim(a.Get("scaling"));
    if (name.empty())
      return false;
    auto found = scalings_.find(Lower(name));
    if (found == scalings_.end()) {
      notes.push_back(
          {item, what + "scaling \"" + name + "\" is defined in none of the included ROMs"});
      return false;
    }
    const Attributes& s = found->second.attributes;
    out = Scaling();
    out.name = found->second.name;
    out.units = Trim(s.Get("units"));
    out.to_expr = Trim(s.Get("toexpr"));
    out.from_expr = Trim(s.Get("frexpr"));
    out.format = Trim(s.Get("format"));
    out.printf_format = true;
    out.has_min = ParseNumber(s.Get("min"), out.min);
    out.has_max = ParseNumber(s.Get("max"), out.max);
    out.has_fine = ParseNumber(s.Get("inc"), out.fine);
    storage.storage_word = Trim(s.Get("storagetype"));
    if (EqualsIgnoreCase(storage.storage_word, "bloblist")) {
      out.bloblist = true;
      out.blobs = found->second.entries;
    } else if (!ParseStorageWord(storage.storage_word, storage.storage)) {
      storage.storage = util::data::STORAGE_INVALID;
    }
    if (const std::string* endian = s.Find("endian"))
      storage.endian_known = ParseEndianWord(*endian, storage.endian);
    return true;
  }

  static void ReadAddress(const Attributes& a, Storage& storage) {
    storage.address_text = Trim(a.Get("address"));
    storage.has_address =
        !storage.address_text.empty() && ParseHexAddress(storage.address_text, storage.address);
  }

  bool Interpret(const RawTable& raw, SourceTable& table) {
    const Attributes& a = raw.attributes;
    const std::string item = TableItem(raw.name);
    table.name = raw.name;
    table.category = Trim(a.Get("category"));
    table.type_word = Trim(a.Get("type"));
    table.kind = KindFromWord(table.type_word);
    if (table.kind == TableKind::kSwitch || table.kind == TableKind::kBitwiseSwitch) {
      // RomRaider words; EcuFlash writes switches as blob lists.
      table.notes.push_back(
          {item, "table type \"" + table.type_word + "\" is not an EcuFlash table type"});
      table.kind = TableKind::kUnknown;
    }
    table.swapxy = ParseFlag(a.Get("swapxy"));
    table.flipx = ParseFlag(a.Get("flipx"));
    table.flipy = ParseFlag(a.Get("flipy"));
    ReadAddress(a, table.storage);
    table.has_scaling = FindScaling(a, item, "", table.scaling, table.storage, table.notes);

    for (const RawTable& raw_axis : raw.axes) {
      SourceAxis axis;
      axis.name = raw_axis.name;
      if (!AxisFromWord(raw_axis.attributes.Get("type"), axis.role, axis.is_static)) {
        table.notes.push_back({item, "axis \"" + raw_axis.name + "\" has no known axis type"});
        continue;
      }
      const std::string axis_item = item + ", axis \"" + axis.name + "\"";
      axis.labels = raw_axis.data;
      ReadAddress(raw_axis.attributes, axis.storage);
      axis.flip = ParseFlag(raw_axis.attributes.Get("flipx")) ||
                  ParseFlag(raw_axis.attributes.Get("flipy"));
      axis.has_scaling =
          FindScaling(raw_axis.attributes, item, "axis \"" + axis.name + "\": ", axis.scaling,
                      axis.storage, table.notes);
      if (const std::string* elements = raw_axis.attributes.Find("elements")) {
        if (!ReadSize(*elements, axis_item, axis.size, error_))
          return false;
      } else if (axis.is_static) {
        axis.size = static_cast<uint32_t>(axis.labels.size());
      }
      if (axis.size == 0 && table.kind != TableKind::kUnknown) {
        table.notes.push_back({item, "axis \"" + axis.name + "\" gives no element count"});
        table.kind = TableKind::kUnknown;
      }
      if (axis.size > kMaxAxisSize) {
        error_ +=
            axis_item + ": " + std::to_string(axis.size) + " labels is not a plausible axis size\n";
        return false;
      }
      table.axes.push_back(std::move(axis));
    }

    switch (table.kind) {
      case TableKind::k1D: {
        uint32_t size = 1;
        if (const std::string* elements = a.Find("elements")) {
          if (!ReadSize(*elements, item, size, error_))
            return false;
        }
        table.size_x = size;
        break;
      }
      case TableKind::k2D:
        if (table.axes.empty()) {
          table.notes.push_back({item, "a 2D table without an axis"});
          table.kind = TableKind::kUnknown;
        } else {
          table.size_x = table.axes.front().size;
        }
        break;
      case TableKind::k3D:
        for (const SourceAxis& axis : table.axes)
          (axis.role == AxisRole::kX ? table.size_x : table.size_y) = axis.size;
        if (static_cast<uint64_t>(table.size_x) * table.size_y > kMaxTableValues) {
          error_ += item + ": " + std::to_string(table.size_x) + " by " +
                    std::to_string(table.size_y) + " values is not a plausible table size\n";
          return false;
        }
        break;
      default:
        break;
    }
    return true;
  }

  SourceRom& rom_;
  std::string& error_;
  std::unordered_map<std::string, NamedAttributes> scalings_;
  RawTableList tables_;
};

}  // namespace

bool EcuFlashReader::Read(const SourceFiles& files,
                          const std::vector<const SourceFiles::Rom*>& chain, SourceRom& rom,
                          std::string& error) {
  rom.format = SourceFormat::kEcuFlash;
  Reader reader(rom, error);
  for (const SourceFiles::Rom* entry : chain) {
    rom.chain.push_back(entry->xmlid);
    rom.chain_files.push_back(files.Path(entry->file));
    reader.ApplyRom(entry->element);
  }
  if (!chain.empty())
    rom.xmlid = chain.back()->xmlid;
  return reader.Finish();
}

}  // namespace import
