#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "import/OutputModel.h"
#include "import/ScalingConverter.h"
#include "import/SourceModel.h"
#include "vehicle/Enumerations.h"

namespace vehicle {
class IECUOffsetTranslator;
}

namespace import {

// Turns a source ROM into an ecucal definition:
//
// - every 1D, 2D and 3D table becomes a "data", "2d" or "3d" table with its
//   value grid (z axis) and breakpoint axes; a static axis becomes a labels
//   axis; a 3D table stored with y varying fastest (swapxy) gets a vertical
//   value grid; a locked table is read-only;
// - each distinct scaling (with its storage and byte order) becomes one data
//   type (ScalingConverter);
// - switches, bitwise switches and two-state blob lists become XML toggles;
// - categories become table groups ("Uncategorized" for tables without one);
// - the romid becomes the ROM information: processor, ROM name, firmware id.
//
// Addresses are written as the processor addresses them (for "hc16" the ROM
// offsets above its gap move up), so the definition reads the same bytes.
// Whatever cannot be carried over is listed, item by item, in the issues.
class DefinitionBuilder {
 public:
  DefinitionBuilder(vehicle::cpu_t cpu, const std::string& cpu_word);

  void Build(const SourceRom& rom, OutputDefinition& out, std::vector<Issue>& issues);

 private:
  bool BuildValueTable(const SourceTable& table, OutTable& out);
  bool BuildAxis(const SourceTable& table, const SourceAxis& axis, vehicle::axis_types_t role,
                 OutAxis& out);
  void BuildSwitch(const SourceTable& table);
  void BuildBitwiseSwitch(const SourceTable& table);
  // A toggle from named byte strings (switch states, blob list entries).
  void BuildStateToggle(const SourceTable& table,
                        const std::vector<std::pair<std::string, std::string>>& states);
  void BuildRomInfo(const SourceRom& rom);

  // The data type of values of `scaling` stored as `storage` says; false (with
  // an issue for `item`) when there can be none.
  bool DataTypeFor(const Scaling& scaling, const Storage& storage, const std::string& item,
                   std::string& id, bool& read_only);
  // The ECU address of `count` values placed by `storage`; false (with an
  // issue) when they have no usable address or do not fit the ROM.
  bool Place(const Storage& storage, uint64_t bytes, const std::string& item,
             const std::string& what, uint32_t& address);
  std::string GroupFor(const std::string& category);
  void Note(const std::string& item, const std::string& reason);

  std::string cpu_word_;
  const vehicle::IECUOffsetTranslator* translator_;
  uint64_t rom_size_ = 0;  // 0: not known

  OutputDefinition* out_ = nullptr;
  std::vector<Issue>* issues_ = nullptr;
  // A conversion found once per distinct scaling: definitions repeat the
  // same few dozen over thousands of tables.
  struct Conversion {
    bool ok = false;
    std::string why;
    ConvertedScaling converted;
  };
  std::map<std::string, Conversion> conversions_;  // scaling, storage, byte order -> result
  std::map<std::string, std::string> type_ids_;    // data type content -> id
  std::set<std::string> used_type_ids_;
  std::set<std::string> groups_;
  std::set<std::string> toggle_ids_;
};

}  // namespace import
