#include "import/DefinitionBuilder.h"

#include <cctype>
#include <tuple>

#include "import/ScalingConverter.h"
#include "import/SourceValues.h"
#include "vehicle/definition/DataType.h"
#include "vehicle/definition/ECUOffsetTranslator.h"
#include "vehicle/definition/StorageStrings.h"

namespace import {

namespace {

std::string TableItem(const std::string& name) {
  return "table \"" + name + "\"";
}

// 1 for a state name that means on, 0 for off, -1 when it says neither.
int StateMeaning(const std::string& name) {
  std::string word;
  for (char c : Lower(Trim(name))) {
    if (!std::isalnum(static_cast<unsigned char>(c)))
      break;
    word += c;
  }
  for (const char* on : {"on", "enabled", "enable", "true", "yes", "active", "activated", "1"}) {
    if (word == on)
      return 1;
  }
  for (const char* off :
       {"off", "disabled", "disable", "false", "no", "inactive", "deactivated", "0"}) {
    if (word == off)
      return 0;
  }
  return -1;
}

// "192kb", "1mb", "262144".
bool ParseFileSize(const std::string& raw, uint64_t& out) {
  std::string text = Lower(Trim(raw));
  uint64_t unit = 1;
  if (text.size() > 2 && text.compare(text.size() - 2, 2, "kb") == 0) {
    unit = 1024;
    text.resize(text.size() - 2);
  } else if (text.size() > 2 && text.compare(text.size() - 2, 2, "mb") == 0) {
    unit = 1024 * 1024;
    text.resize(text.size() - 2);
  }
  uint32_t value = 0;
  if (!ParseCount(text, value) || value == 0)
    return false;
  out = value * unit;
  return true;
}

// A data type's content, so that equal scalings share one data type.
std::string ContentKey(const vehicle::DataType& t) {
  std::string key = t.unit;
  key += '|' + std::to_string(t.storage) + '|' + std::to_string(t.endian);
  for (double v : {t.min, t.max, t.small_delta, t.large_delta})
    key += '|' + ExactText(v);
  key += '|' + t.format + '|' + std::to_string(t.std_conv.type);
  for (const auto& constant : t.std_conv.constants)
    key += '|' + ExactText(constant.second);
  key += '|' + t.str_conv.to_float + '|' + t.str_conv.to_bin;
  return key;
}

}  // namespace

DefinitionBuilder::DefinitionBuilder(vehicle::cpu_t cpu, const std::string& cpu_word)
    : cpu_word_(cpu_word), translator_(vehicle::getECUToRomOffsetTranslator(cpu)) {}

void DefinitionBuilder::Note(const std::string& item, const std::string& reason) {
  issues_->push_back({item, reason});
}

void DefinitionBuilder::Build(const SourceRom& rom, OutputDefinition& out,
                              std::vector<Issue>& issues) {
  out_ = &out;
  issues_ = &issues;
  out.vehicle_id = rom.xmlid;
  BuildRomInfo(rom);
  for (const Issue& issue : rom.issues)
    issues.push_back(issue);

  for (const SourceTable& table : rom.tables) {
    for (const Issue& note : table.notes)
      issues.push_back(note);
    const bool blobs = table.has_scaling && table.scaling.bloblist;
    switch (table.kind) {
      case TableKind::k1D:
      case TableKind::k2D:
      case TableKind::k3D: {
        if (blobs) {
          if (table.kind == TableKind::k1D) {
            BuildStateToggle(table, table.scaling.blobs);
          } else {
            Note(TableItem(table.name),
                 "a " + table.type_word +
                     " table of blob list entries has no ecucal form (a toggle is one value "
                     "with two states)");
          }
          break;
        }
        OutTable built;
        if (BuildValueTable(table, built)) {
          built.group = GroupFor(table.category);
          out.tables.push_back(std::move(built));
        }
        break;
      }
      case TableKind::kSwitch: {
        std::vector<std::pair<std::string, std::string>> states;
        for (const SwitchState& state : table.states)
          states.emplace_back(state.name, state.data);
        BuildStateToggle(table, states);
        break;
      }
      case TableKind::kBitwiseSwitch:
        BuildBitwiseSwitch(table);
        break;
      case TableKind::kUnknown:
        if (KindFromWord(table.type_word) == TableKind::kUnknown) {
          AxisRole role = AxisRole::kX;
          bool is_static = false;
          Note(TableItem(table.name),
               AxisFromWord(table.type_word, role, is_static)
                   ? "an axis outside a table has nothing to belong to"
                   : "table type \"" + table.type_word + "\" is not one ecucal can hold");
        }
        break;
    }
  }
}

void DefinitionBuilder::BuildRomInfo(const SourceRom& rom) {
  OutRomInfo& info = out_->rom_info;
  info.cpu = cpu_word_;
  const std::string id_string = rom.RomId("internalidstring");
  const std::string id_hex = rom.RomId("internalidhex");
  info.rom_name = !id_string.empty() ? id_string : !id_hex.empty() ? id_hex : rom.xmlid;
  uint32_t offset = 0;
  if (!id_string.empty() && ParseHexAddress(rom.RomId("internalidaddress"), offset)) {
    info.fw_id = id_string;
    info.fw_offset = offset;
  } else if (!id_hex.empty()) {
    Note("romid",
         "the internal id given as hex bytes (internalidhex) is kept as the ROM name "
         "only: ecucal's firmware id is text");
  }
  uint64_t size = 0;
  if (ParseFileSize(rom.RomId("filesize"), size))
    rom_size_ = size;

  out_->header.push_back(std::string("Imported by ecucal import from the ") +
                         FormatName(rom.format) + " definition of ROM \"" + rom.xmlid + "\".");
  std::string chain = "Inheritance, root first:";
  for (size_t i = 0; i < rom.chain.size(); ++i)
    chain += (i ? ", " : " ") + rom.chain[i] + " (" + rom.chain_files[i] + ")";
  out_->header.push_back(chain + ".");
  std::string kept;
  for (const auto& field : rom.romid) {
    static const char* const kCarried[] = {"xmlid", "internalidaddress", "internalidstring",
                                           "internalidhex", "memmodel"};
    bool carried = false;
    for (const char* name : kCarried)
      carried = carried || field.first == name;
    if (carried || field.second.empty())
      continue;
    if (kept.empty())
      out_->header.push_back("ROM identification kept here only:");
    out_->header.push_back("  " + field.first + ": " + field.second);
    kept += (kept.empty() ? "" : ", ") + field.first;
  }
  if (!kept.empty()) {
    Note("romid", kept +
                      ": kept as a comment in the top document only; ecucal's ROM "
                      "information has no place for them");
  }
}

std::string DefinitionBuilder::GroupFor(const std::string& category) {
  // A comma would split the table's group list in two.
  std::string id = Trim(category);
  for (char& c : id) {
    if (c == ',')
      c = ';';
  }
  if (id.empty())
    id = "Uncategorized";
  if (groups_.insert(id).second)
    out_->groups.push_back(id);
  return id;
}

bool DefinitionBuilder::Place(const Storage& storage, uint64_t bytes, const std::string& item,
                              const std::string& what, uint32_t& address) {
  if (!storage.has_address) {
    Note(item, storage.address_text.empty()
                   ? what + "has no address"
                   : what + "address \"" + storage.address_text + "\" is not a hexadecimal number");
    return false;
  }
  const uint64_t end = static_cast<uint64_t>(storage.address) + bytes;
  if (end > 0xFFFFFFFFull || (rom_size_ != 0 && end > rom_size_)) {
    Note(item, what + "its " + std::to_string(bytes) + " bytes at " + HexText(storage.address) +
                   " run past the end of the " +
                   (rom_size_ != 0 ? std::to_string(rom_size_) + "-byte ROM" : "address space"));
    return false;
  }
  if (translator_ == nullptr) {
    address = storage.address;
    return true;
  }
  // The ECU address that the processor's translation takes back to this
  // ROM offset.
  for (uint64_t candidate : {static_cast<uint64_t>(storage.address),
                             static_cast<uint64_t>(storage.address) +
                                 vehicle::CPU_HC16_ECUToRomOffsetTranslator::kShift}) {
    const unsigned value = static_cast<unsigned>(candidate);
    if (candidate <= 0xFFFFFFFFull && translator_->translate(value) == storage.address) {
      address = value;
      return true;
    }
  }
  Note(item, what + "ROM offset " + HexText(storage.address) + " has no " + cpu_word_ + " address");
  return false;
}

bool DefinitionBuilder::DataTypeFor(const Scaling& scaling, const Storage& storage,
                                    const std::string& item, std::string& id, bool& read_only) {
  if (storage.storage == util::data::STORAGE_INVALID) {
    Note(item, storage.storage_word.empty()
                   ? "no storage type is given"
                   : "storage type \"" + storage.storage_word +
                         "\" is not one ecucal stores (uint8 to int32, float)");
    return false;
  }
  if (!storage.endian_known) {
    Note(item, "its byte order is neither big nor little");
    return false;
  }
  std::string scaling_key = scaling.units + '\n' + scaling.to_expr + '\n' + scaling.from_expr +
                            '\n' + scaling.format + (scaling.printf_format ? "\np" : "\nn");
  for (const auto& [has, value] :
       {std::make_pair(scaling.has_min, scaling.min), std::make_pair(scaling.has_max, scaling.max),
        std::make_pair(scaling.has_fine, scaling.fine),
        std::make_pair(scaling.has_coarse, scaling.coarse)})
    scaling_key += has ? '\n' + ExactText(value) : "\n-";
  scaling_key += '\n' + std::to_string(storage.storage) + '\n' + std::to_string(storage.endian);
  auto cached = conversions_.find(scaling_key);
  if (cached == conversions_.end()) {
    Conversion conversion;
    conversion.ok = ConvertScaling(scaling, storage.storage, storage.endian, conversion.converted,
                                   conversion.why);
    cached = conversions_.emplace(scaling_key, std::move(conversion)).first;
  }
  if (!cached->second.ok) {
    Note(item, cached->second.why);
    return false;
  }
  ConvertedScaling converted = cached->second.converted;
  for (const std::string& note : converted.notes)
    Note(item, note);
  read_only = converted.read_only;

  const std::string key = ContentKey(*converted.type);
  auto known = type_ids_.find(key);
  if (known != type_ids_.end()) {
    id = known->second;
    return true;
  }
  // The cached type stays as converted; the stored one gets an id of its own.
  converted.type = std::make_shared<vehicle::DataType>(*converted.type);
  const std::string base = !scaling.name.empty()    ? scaling.name
                           : !scaling.units.empty() ? scaling.units
                                                    : "Raw";
  std::string candidate = base;
  if (used_type_ids_.count(candidate) != 0) {
    candidate = base + " (" + util::data::GetStorageStrs().at(storage.storage) +
                (storage.endian == util::ENDIAN_LITTLE ? ", little-endian" : "") + ")";
  }
  const std::string stem = candidate;
  for (int n = 2; used_type_ids_.count(candidate) != 0; ++n)
    candidate = stem + " #" + std::to_string(n);
  converted.type->SetObjId(candidate);
  if (const vehicle::validate_codes_t code = converted.type->Validate(); code != 0) {
    Note(item,
         "its scaling makes no valid data type (validation code " + std::to_string(code) + ")");
    return false;
  }
  used_type_ids_.insert(candidate);
  type_ids_.emplace(key, candidate);
  out_->data_types.push_back(converted.type);
  id = candidate;
  return true;
}

bool DefinitionBuilder::BuildAxis(const SourceTable& table, const SourceAxis& axis,
                                  vehicle::axis_types_t role, OutAxis& out) {
  const std::string item = TableItem(table.name);
  out.role = role;
  out.id = !axis.name.empty() ? axis.name : role == vehicle::AXIS_X ? "X" : "Y";
  const std::string what = "axis \"" + out.id + "\": ";
  if (axis.flip) {
    Note(item, what +
                   "its flipped display order is not carried over; breakpoints are shown in "
                   "the order the ECU stores them");
  }
  if (axis.is_static) {
    out.labels = true;
    const size_t size = axis.size != 0 ? axis.size : axis.labels.size();
    if (axis.labels.size() != size) {
      Note(item, what + std::to_string(axis.labels.size()) + " labels for " + std::to_string(size) +
                     " values; " +
                     (axis.labels.size() < size ? "the missing ones are numbered"
                                                : "the surplus ones are left out"));
    }
    for (size_t i = 0; i < size; ++i) {
      const std::string text = i < axis.labels.size() ? axis.labels[i] : "";
      // An empty label would not be read back, and the count would not match.
      out.texts.push_back(text.empty() ? std::to_string(i + 1) : text);
    }
    return true;
  }
  bool read_only = false;
  if (!DataTypeFor(axis.has_scaling ? axis.scaling : Scaling(), axis.storage,
                   item + ", axis \"" + out.id + "\"", out.data_type, read_only))
    return false;
  const uint64_t bytes =
      static_cast<uint64_t>(axis.size) * util::data::StorageWidth(axis.storage.storage);
  if (!Place(axis.storage, bytes, item, what, out.address))
    return false;
  out.count = axis.size;
  out.read_only = read_only || table.locked;
  return true;
}

bool DefinitionBuilder::BuildValueTable(const SourceTable& table, OutTable& out) {
  const std::string item = TableItem(table.name);
  out.id = table.name;

  OutAxis z;
  z.id = table.name;
  z.role = vehicle::AXIS_Z;
  bool read_only = false;
  if (!DataTypeFor(table.has_scaling ? table.scaling : Scaling(), table.storage, item, z.data_type,
                   read_only))
    return false;
  uint64_t values = table.size_x;
  if (table.kind == TableKind::k3D)
    values *= table.size_y;
  if (!Place(table.storage, values * util::data::StorageWidth(table.storage.storage), item, "",
             z.address))
    return false;
  z.read_only = read_only || table.locked;

  const SourceAxis* x = nullptr;
  const SourceAxis* y = nullptr;
  for (const SourceAxis& axis : table.axes)
    (axis.role == AxisRole::kX ? x : y) = &axis;

  if (table.kind == TableKind::k1D || (table.kind == TableKind::k2D && table.axes.empty())) {
    if (table.kind == TableKind::k2D)
      Note(item, "a 2D table without an axis: imported as a list of values");
    z.count = table.size_x;
    out.axes.push_back(z);
  } else if (table.kind == TableKind::k2D) {
    const SourceAxis& axis = table.axes.front();
    OutAxis built;
    const vehicle::axis_types_t role =
        axis.role == AxisRole::kX ? vehicle::AXIS_X : vehicle::AXIS_Y;
    if (!BuildAxis(table, axis, role, built))
      return false;
    z.dim_x = role == vehicle::AXIS_X ? table.size_x : 1;
    z.dim_y = role == vehicle::AXIS_X ? 1 : table.size_x;
    out.axes.push_back(built);
    out.axes.push_back(z);
  } else {
    for (auto [source, role, size] : {std::make_tuple(x, vehicle::AXIS_X, table.size_x),
                                      std::make_tuple(y, vehicle::AXIS_Y, table.size_y)}) {
      OutAxis built;
      if (source != nullptr) {
        if (!BuildAxis(table, *source, role, built))
          return false;
      } else {
        // Without its axis the table still reads right; the breakpoints are
        // shown as numbers.
        const char* name = role == vehicle::AXIS_X ? "X" : "Y";
        Note(item, std::string("has no ") + name + " axis; its positions are numbered");
        SourceAxis numbered;
        numbered.name = name;
        numbered.is_static = true;
        numbered.size = size;
        for (uint32_t i = 1; i <= size; ++i)
          numbered.labels.push_back(std::to_string(i));
        BuildAxis(table, numbered, role, built);
      }
      out.axes.push_back(built);
    }
    z.dim_x = table.size_x;
    z.dim_y = table.size_y;
    z.vertical = table.swapxy;
    out.axes.push_back(z);
  }

  if (table.flipx || table.flipy) {
    // Flipping only changes how the source shows a table: the ECU pairs the
    // n-th stored value with the n-th stored breakpoint either way.
    Note(item,
         "its flipped display order is not carried over; values are shown in the order the "
         "ECU stores them, each with the breakpoint stored in the same place");
  }
  if (table.has_mask)
    Note(item, "its value mask is not carried over; values are read whole");
  if (!table.other_scalings.empty()) {
    std::string units;
    for (const Scaling& other : table.other_scalings)
      units += (units.empty() ? "" : ", ") + ("\"" + other.units + "\"");
    Note(item, "further scalings (units " + units +
                   ") are not carried over: a data type has one conversion");
  }
  if (table.locked) {
    for (OutAxis& axis : out.axes)
      axis.read_only = axis.read_only || !axis.labels;
  }
  return true;
}

void DefinitionBuilder::BuildStateToggle(
    const SourceTable& table, const std::vector<std::pair<std::string, std::string>>& states) {
  const std::string item = TableItem(table.name);
  std::vector<std::pair<std::string, std::vector<uint8_t>>> parsed;
  for (const auto& state : states) {
    std::vector<uint8_t> bytes;
    if (!ParseHexBytes(state.second, bytes)) {
      Note(item, "state \"" + state.first + "\": data \"" + state.second +
                     "\" is not a list of hex bytes; it is left out");
      continue;
    }
    parsed.emplace_back(state.first, std::move(bytes));
  }
  if (parsed.size() < 2) {
    Note(item, "a toggle needs two states; " + std::to_string(parsed.size()) + " usable");
    return;
  }
  int on = -1, off = -1;
  for (size_t i = 0; i < parsed.size(); ++i) {
    const int meaning = StateMeaning(parsed[i].first);
    if (meaning == 1 && on < 0)
      on = static_cast<int>(i);
    if (meaning == 0 && off < 0)
      off = static_cast<int>(i);
  }
  if (parsed.size() == 2 && (on < 0 || off < 0)) {
    if (on >= 0) {
      off = 1 - on;
    } else if (off >= 0) {
      on = 1 - off;
    } else {
      on = 0;
      off = 1;
      Note(item, "neither state name says on or off: \"" + parsed[0].first +
                     "\" is taken as enabled, \"" + parsed[1].first + "\" as disabled");
    }
  }
  if (on < 0 || off < 0) {
    Note(item, std::to_string(parsed.size()) +
                   " states, none of them named on or off: a toggle has two states");
    return;
  }
  if (parsed.size() > 2) {
    std::string rest;
    for (size_t i = 0; i < parsed.size(); ++i) {
      if (static_cast<int>(i) != on && static_cast<int>(i) != off)
        rest += (rest.empty() ? "\"" : ", \"") + parsed[i].first + "\"";
    }
    Note(item, "states " + rest + " are not carried over: a toggle has two states");
  }
  const std::vector<uint8_t>& enabled = parsed[on].second;
  const std::vector<uint8_t>& disabled = parsed[off].second;
  if (enabled.size() != disabled.size()) {
    Note(item, "its states are of different lengths (" + std::to_string(enabled.size()) + " and " +
                   std::to_string(disabled.size()) + " bytes)");
    return;
  }
  OutToggle toggle;
  toggle.id = table.name;
  if (!Place(table.storage, enabled.size(), item, "", toggle.address))
    return;
  if (toggle.address == 0) {
    Note(item, "ecucal holds no toggle at ROM offset 0");
    return;
  }
  if (!toggle_ids_.insert(toggle.id).second) {
    Note(item, "a toggle of that name exists already");
    return;
  }
  toggle.enabled = enabled;
  toggle.disabled = disabled;
  out_->toggles.push_back(std::move(toggle));
}

void DefinitionBuilder::BuildBitwiseSwitch(const SourceTable& table) {
  const std::string item = TableItem(table.name);
  const uint32_t bytes = table.size_x;
  if (!table.storage.has_address) {
    uint32_t unused = 0;
    Place(table.storage, bytes, item, "", unused);
    return;
  }
  for (const SwitchBit& bit : table.bits) {
    if (bit.position >= 8 * bytes) {
      Note(item, "bit \"" + bit.name + "\" at position " + std::to_string(bit.position) +
                     " lies outside its " + std::to_string(bytes) + "-byte value");
      continue;
    }
    // Positions count from the least significant bit of a big-endian value.
    Storage byte = table.storage;
    byte.address = table.storage.address + (bytes - 1 - bit.position / 8);
    OutToggle toggle;
    toggle.id = table.name + ": " + bit.name;
    if (!Place(byte, 1, item, "bit \"" + bit.name + "\": ", toggle.address))
      continue;
    if (toggle.address == 0) {
      Note(item, "bit \"" + bit.name + "\": ecucal holds no toggle at ROM offset 0");
      continue;
    }
    if (!toggle_ids_.insert(toggle.id).second) {
      Note(item, "bit \"" + bit.name + "\": a toggle of that name exists already");
      continue;
    }
    const uint8_t mask = static_cast<uint8_t>(1u << (bit.position % 8));
    toggle.enabled = {mask};
    toggle.disabled = {0};
    toggle.mask = {mask};
    out_->toggles.push_back(std::move(toggle));
  }
}

}  // namespace import
