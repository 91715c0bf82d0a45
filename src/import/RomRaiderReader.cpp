#include "import/RomRaiderReader.h"

#include <tinyxml.h>

#include <unordered_map>

#include "import/RawTable.h"
#include "import/SourceValues.h"

namespace import {

namespace {

std::string TableItem(const std::string& name) {
  return "table \"" + name + "\"";
}

class Reader {
 public:
  Reader(SourceRom& rom, std::string& error) : rom_(rom), error_(error) {}

  void ReadScalingBases(const std::vector<const TiXmlElement*>& roots) {
    for (const TiXmlElement* root : roots) {
      for (const TiXmlElement* e = root->FirstChildElement(); e != nullptr;
           e = e->NextSiblingElement()) {
        if (!IsElement(e, "scalingbase"))
          continue;
        NamedAttributes scaling;
        scaling.name = Trim(Attribute(e, "name") ? Attribute(e, "name") : "");
        if (scaling.name.empty())
          continue;
        // A base scaling may itself start from an earlier one.
        if (const char* base = Attribute(e, "base")) {
          auto found = bases_.find(Lower(Trim(base)));
          if (found != bases_.end())
            scaling.attributes = found->second.attributes;
        }
        scaling.attributes.MergeFrom(e);
        bases_[Lower(scaling.name)] = scaling;
      }
    }
  }

  void ApplyRom(const TiXmlElement* rom) {
    for (const TiXmlElement* e = rom->FirstChildElement(); e != nullptr;
         e = e->NextSiblingElement()) {
      if (IsElement(e, "romid")) {
        ApplyRomId(e);
      } else if (IsElement(e, "table")) {
        ApplyTable(e);
      } else if (IsElement(e, "checksum")) {
        checksum_ = true;
      }
    }
  }

  bool Finish() {
    if (checksum_) {
      rom_.issues.push_back(
          {"checksum", "the checksum module is not carried over: ecucal keeps no checksum rules"});
    }
    return tables_.InterpretEach(rom_.tables, [this](const RawTable& raw, SourceTable& table) {
      return Interpret(raw, table);
    });
  }

 private:
  void ApplyRomId(const TiXmlElement* romid) {
    for (const TiXmlElement* field = romid->FirstChildElement(); field != nullptr;
         field = field->NextSiblingElement()) {
      const std::string name = Lower(field->ValueStr());
      std::string& value = RawTable::Entry(rom_.romid, name);
      value = Text(field);
      if (name == "memmodel") {
        util::e_endian endian = util::ENDIAN_INVALID;
        const char* word = Attribute(field, "endian");
        rom_.memmodel_endian =
            word != nullptr && ParseEndianWord(word, endian) ? endian : util::ENDIAN_INVALID;
      }
    }
  }

  void ApplyTable(const TiXmlElement* e) {
    const std::string name = Trim(Attribute(e, "name") ? Attribute(e, "name") : "");
    if (name.empty()) {
      rom_.issues.push_back(
          {"a table without a name", "it cannot be told apart, so it is left out"});
      return;
    }
    if (ParseFlag(Attribute(e, "omit") ? Attribute(e, "omit") : "")) {
      tables_.Remove(name);
      return;
    }
    RawTable* table = tables_.Find(name);
    const char* base = Attribute(e, "base");
    if (base != nullptr && !EqualsIgnoreCase(Trim(base), "none")) {
      if (RawTable* original = tables_.Find(Trim(base))) {
        RawTable copy = *original;
        copy.name = name;
        table = &tables_.Put(std::move(copy));
      }
    }
    if (table == nullptr) {
      if (Attribute(e, "type") == nullptr) {
        rom_.issues.push_back(
            {TableItem(name), "no type, and no table of that name in the ROMs it inherits from"});
        return;
      }
      RawTable fresh;
      fresh.name = name;
      table = &tables_.Put(std::move(fresh));
    }
    Merge(e, *table, true);
  }

  // Merges one element into a table or, for `top` false, into an axis.
  void Merge(const TiXmlElement* e, RawTable& table, bool top) {
    table.attributes.MergeFrom(e);
    MergeDataTexts(e, table);
    for (const TiXmlElement* child = e->FirstChildElement(); child != nullptr;
         child = child->NextSiblingElement()) {
      if (IsElement(child, "table") && top) {
        MergeAxis(child, table);
      } else if (IsElement(child, "scaling")) {
        MergeScaling(child, table);
      } else if (IsElement(child, "state")) {
        RawTable::Entry(table.states, Attribute(child, "name") ? Attribute(child, "name") : "") =
            Attribute(child, "data") ? Attribute(child, "data") : "";
      } else if (IsElement(child, "bit")) {
        RawTable::Entry(table.bits, Attribute(child, "name") ? Attribute(child, "name") : "") =
            Attribute(child, "position") ? Attribute(child, "position") : "";
      }
    }
  }

  // An axis element merges into the table's axis of the same role; a 2D
  // table has one axis, whatever role its elements give.
  void MergeAxis(const TiXmlElement* e, RawTable& table) {
    AxisRole role = AxisRole::kX;
    bool is_static = false;
    const char* type = Attribute(e, "type");
    const bool has_role = type != nullptr && AxisFromWord(type, role, is_static);
    const bool two_d = KindFromWord(table.attributes.Get("type")) == TableKind::k2D;
    RawTable* axis = nullptr;
    if (two_d && !table.axes.empty()) {
      axis = &table.axes.front();
    } else {
      for (RawTable& candidate : table.axes) {
        AxisRole candidate_role = AxisRole::kX;
        bool candidate_static = false;
        const bool known =
            AxisFromWord(candidate.attributes.Get("type"), candidate_role, candidate_static);
        if (has_role ? known && candidate_role == role
                     : candidate.name == Trim(Attribute(e, "name") ? Attribute(e, "name") : "")) {
          axis = &candidate;
          break;
        }
      }
    }
    if (axis == nullptr) {
      if (!has_role) {
        rom_.issues.push_back(
            {TableItem(table.name), "an axis element without a known axis type is left out"});
        return;
      }
      table.axes.emplace_back();
      axis = &table.axes.back();
    }
    if (const char* name = Attribute(e, "name"))
      axis->name = Trim(name);
    Merge(e, *axis, false);
  }

  void MergeScaling(const TiXmlElement* e, RawTable& table) {
    const char* given = Attribute(e, "name");
    const std::string name = given != nullptr && !Trim(given).empty() ? Trim(given) : "Default";
    NamedAttributes* scaling = nullptr;
    for (NamedAttributes& candidate : table.scalings) {
      if (candidate.name == name)
        scaling = &candidate;
    }
    if (scaling == nullptr) {
      table.scalings.emplace_back();
      scaling = &table.scalings.back();
      scaling->name = name;
    }
    if (const char* base = Attribute(e, "base")) {
      auto found = bases_.find(Lower(Trim(base)));
      if (found != bases_.end()) {
        scaling->attributes = found->second.attributes;
      } else {
        rom_.issues.push_back({TableItem(table.name), "scaling base \"" + Trim(base) +
                                                          "\" is defined in none of the files"});
      }
    }
    scaling->attributes.MergeFrom(e);
  }

  Storage ReadStorage(const Attributes& attributes) const {
    Storage storage;
    storage.address_text = Trim(attributes.Get("storageaddress"));
    storage.has_address =
        !storage.address_text.empty() && ParseHexAddress(storage.address_text, storage.address);
    storage.storage_word = Trim(attributes.Get("storagetype"));
    if (!ParseStorageWord(storage.storage_word, storage.storage))
      storage.storage = util::data::STORAGE_INVALID;
    if (rom_.memmodel_endian != util::ENDIAN_INVALID) {
      storage.endian = rom_.memmodel_endian;
    } else if (const std::string* word = attributes.Find("endian")) {
      storage.endian_known = ParseEndianWord(*word, storage.endian);
      // RomRaider reads floats of tables marked little-endian big-endian
      // unless the memory model names a byte order: older definitions
      // marked them wrongly, and the values they show are the big-endian ones.
      if (storage.storage == util::data::STORAGE_FLOAT && storage.endian == util::ENDIAN_LITTLE)
        storage.endian = util::ENDIAN_BIG;
    }
    return storage;
  }

  static Scaling ToScaling(const NamedAttributes& raw) {
    const Attributes& a = raw.attributes;
    Scaling scaling;
    scaling.name = raw.name == "Default" ? "" : raw.name;
    scaling.units = Trim(a.Get("units"));
    scaling.to_expr = Trim(a.Get("expression"));
    scaling.from_expr = Trim(a.Get("to_byte"));
    scaling.format = Trim(a.Get("format"));
    scaling.printf_format = false;
    scaling.has_min = ParseNumber(a.Get("min"), scaling.min);
    scaling.has_max = ParseNumber(a.Get("max"), scaling.max);
    scaling.has_fine = ParseNumber(a.Get("fineincrement"), scaling.fine);
    scaling.has_coarse = ParseNumber(a.Get("coarseincrement"), scaling.coarse) ||
                         ParseNumber(a.Get("increment"), scaling.coarse);
    return scaling;
  }

  static void TakeScalings(const RawTable& raw, bool& has, Scaling& first,
                           std::vector<Scaling>* others) {
    has = !raw.scalings.empty();
    if (!has)
      return;
    first = ToScaling(raw.scalings.front());
    if (others != nullptr) {
      for (size_t i = 1; i < raw.scalings.size(); ++i)
        others->push_back(ToScaling(raw.scalings[i]));
    }
  }

  // The size attribute of a list: "sizey", else "sizex".
  static const std::string* ListSize(const Attributes& a) {
    const std::string* size = a.Find("sizey");
    return size != nullptr ? size : a.Find("sizex");
  }

  bool Size(const std::string* text, const std::string& item, uint32_t& out) {
    return text == nullptr || ReadSize(*text, item, out, error_);
  }

  bool Interpret(const RawTable& raw, SourceTable& table) {
    const Attributes& a = raw.attributes;
    const std::string item = TableItem(raw.name);
    table.name = raw.name;
    table.category = Trim(a.Get("category"));
    table.type_word = Trim(a.Get("type"));
    table.kind = KindFromWord(table.type_word);
    table.storage = ReadStorage(a);
    table.swapxy = ParseFlag(a.Get("swapxy"));
    table.flipx = ParseFlag(a.Get("flipx"));
    table.flipy = ParseFlag(a.Get("flipy"));
    table.locked = ParseFlag(a.Get("locked"));
    const std::string mask = Trim(a.Get("mask"));
    table.has_mask = !mask.empty() && mask != "0";
    TakeScalings(raw, table.has_scaling, table.scaling, &table.other_scalings);
    for (const auto& state : raw.states)
      table.states.push_back({state.first, state.second});
    for (const auto& bit : raw.bits) {
      SwitchBit parsed;
      parsed.name = bit.first;
      if (ParseCount(bit.second, parsed.position)) {
        table.bits.push_back(parsed);
      } else {
        table.notes.push_back({item, "bit \"" + bit.first + "\" has no usable position (\"" +
                                         bit.second + "\"); it is left out"});
      }
    }

    // Axes, by role; a 2D table keeps the one it has.
    for (const RawTable& raw_axis : raw.axes) {
      SourceAxis axis;
      axis.name = raw_axis.name;
      if (!AxisFromWord(raw_axis.attributes.Get("type"), axis.role, axis.is_static)) {
        table.notes.push_back({item, "axis \"" + raw_axis.name + "\" has no known axis type"});
        continue;
      }
      axis.labels = raw_axis.data;
      axis.storage = ReadStorage(raw_axis.attributes);
      axis.flip = ParseFlag(raw_axis.attributes.Get("flipx")) ||
                  ParseFlag(raw_axis.attributes.Get("flipy"));
      TakeScalings(raw_axis, axis.has_scaling, axis.scaling, nullptr);
      if (!Size(ListSize(raw_axis.attributes), item + ", axis \"" + axis.name + "\"", axis.size))
        return false;
      table.axes.push_back(std::move(axis));
    }

    uint32_t size_x = 0, size_y = 0;
    switch (table.kind) {
      case TableKind::k1D:
      case TableKind::kSwitch:
      case TableKind::kBitwiseSwitch:
        if (!Size(ListSize(a), item, size_x))
          return false;
        table.size_x = size_x == 0 ? 1 : size_x;
        break;
      case TableKind::k2D:
        if (!Size(ListSize(a), item, size_x))
          return false;
        // The axis takes the table's size; without one the axis gives it.
        if (size_x == 0 && !table.axes.empty())
          size_x = table.axes.front().size;
        if (size_x == 0 && !table.axes.empty() && table.axes.front().is_static)
          size_x = static_cast<uint32_t>(table.axes.front().labels.size());
        if (size_x == 0 || size_x > kMaxAxisSize) {
          table.notes.push_back({item, "no size (sizey) is given"});
          table.kind = TableKind::kUnknown;
        }
        table.size_x = size_x;
        for (SourceAxis& axis : table.axes)
          axis.size = size_x;
        break;
      case TableKind::k3D:
        if (!Size(a.Find("sizex"), item, size_x) || !Size(a.Find("sizey"), item, size_y))
          return false;
        for (SourceAxis& axis : table.axes) {
          uint32_t& size = axis.role == AxisRole::kX ? size_x : size_y;
          if (size == 0)
            size = axis.size != 0 ? axis.size : static_cast<uint32_t>(axis.labels.size());
        }
        if (size_x == 0 || size_y == 0 || size_x > kMaxAxisSize || size_y > kMaxAxisSize) {
          table.notes.push_back({item, "no size (sizex and sizey) is given"});
          table.kind = TableKind::kUnknown;
        }
        table.size_x = size_x;
        table.size_y = size_y;
        for (SourceAxis& axis : table.axes)
          axis.size = axis.role == AxisRole::kX ? size_x : size_y;
        if (static_cast<uint64_t>(size_x) * size_y > kMaxTableValues) {
          error_ += item + ": " + std::to_string(size_x) + " by " + std::to_string(size_y) +
                    " values is not a plausible table size\n";
          return false;
        }
        break;
      case TableKind::kUnknown:
        break;
    }
    return true;
  }

  SourceRom& rom_;
  std::string& error_;
  std::unordered_map<std::string, NamedAttributes> bases_;
  RawTableList tables_;
  bool checksum_ = false;
};

}  // namespace

bool RomRaiderReader::Read(const SourceFiles& files,
                           const std::vector<const SourceFiles::Rom*>& chain, SourceRom& rom,
                           std::string& error) {
  rom.format = SourceFormat::kRomRaider;
  Reader reader(rom, error);
  reader.ReadScalingBases(files.Roots());
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
