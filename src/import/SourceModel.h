#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "util/Storage.h"

// One ROM of a community definition format, with its inheritance already
// applied, in terms that do not depend on which format it came from. The
// format readers fill it; the definition builder turns it into an ecucal
// definition.
namespace import {

enum class SourceFormat { kRomRaider, kEcuFlash };

// "RomRaider" or "EcuFlash".
const char* FormatName(SourceFormat format);

// Something that could not be carried over, or only in part: the item it
// concerns ("table \"Fuel Map\"", "romid") and why.
struct Issue {
  std::string item;
  std::string reason;
};

// How raw values become engineering values, as the source writes it.
struct Scaling {
  std::string name;  // empty for a scaling written inside its table
  std::string units;
  std::string to_expr;         // raw value "x" -> engineering value; empty means "x"
  std::string from_expr;       // engineering value "x" -> raw value; may be empty
  std::string format;          // as written
  bool printf_format = false;  // the format is printf-style, not a number pattern
  bool has_min = false, has_max = false;
  double min = 0, max = 0;
  bool has_fine = false, has_coarse = false;
  double fine = 0, coarse = 0;  // small and large edit steps
  // A list of named byte strings in place of a conversion (hex text as written).
  bool bloblist = false;
  std::vector<std::pair<std::string, std::string>> blobs;
};

// Where a run of values lives and how each is stored.
struct Storage {
  bool has_address = false;
  uint32_t address = 0;      // byte offset in the ROM image
  std::string address_text;  // as written, for messages
  std::string storage_word;  // as written ("uint16"), empty when not given
  util::data::Storage_e storage = util::data::STORAGE_INVALID;
  util::e_endian endian = util::ENDIAN_BIG;
  bool endian_known = true;  // false: the source names a byte order we do not know
};

enum class AxisRole { kX, kY };

// A breakpoint axis of a table: read from the ROM, or a fixed list of labels.
struct SourceAxis {
  std::string name;
  AxisRole role = AxisRole::kX;
  bool is_static = false;
  std::vector<std::string> labels;  // static axes
  uint32_t size = 0;                // number of values
  Storage storage;
  bool has_scaling = false;
  Scaling scaling;
  bool flip = false;
};

enum class TableKind { k1D, k2D, k3D, kSwitch, kBitwiseSwitch, kUnknown };

// A named state of a switch: its bytes as hex text, as written.
struct SwitchState {
  std::string name;
  std::string data;
};

// One bit of a bitwise switch, counted from the least significant bit of the
// switch's value.
struct SwitchBit {
  std::string name;
  uint32_t position = 0;
};

struct SourceTable {
  std::string name;
  std::string category;
  std::string type_word;  // as written
  TableKind kind = TableKind::kUnknown;
  Storage storage;
  uint32_t size_x = 1;  // values along x (1D and 2D tables: the value count)
  uint32_t size_y = 1;
  bool swapxy = false;  // 3D: values stored with y varying fastest
  bool flipx = false, flipy = false;
  bool locked = false;
  bool has_scaling = false;
  Scaling scaling;
  std::vector<Scaling> other_scalings;  // further scalings the source offers
  std::vector<SourceAxis> axes;         // 2D: one; 3D: x and y (missing ones absent)
  std::vector<SwitchState> states;
  std::vector<SwitchBit> bits;
  bool has_mask = false;     // the source masks the stored value
  std::vector<Issue> notes;  // what reading found that cannot be carried over
};

// "1D", "2D", "3D", "Switch", "BitwiseSwitch" (any case); kUnknown otherwise.
TableKind KindFromWord(const std::string& word);
// "X Axis", "Static X Axis", "Y Axis", "Static Y Axis" (any case). False for
// any other word.
bool AxisFromWord(const std::string& word, AxisRole& role, bool& is_static);

// The ROM identification block, merged over the inheritance chain: lower-case
// element name to text, in first-seen order.
using RomIdFields = std::vector<std::pair<std::string, std::string>>;

struct SourceRom {
  SourceFormat format = SourceFormat::kRomRaider;
  std::string xmlid;
  std::vector<std::string> chain;        // xmlids, the root ancestor first
  std::vector<std::string> chain_files;  // the file of each chain entry
  RomIdFields romid;
  util::e_endian memmodel_endian = util::ENDIAN_INVALID;  // a byte order for every table
  std::vector<SourceTable> tables;                        // in declaration order
  std::vector<Issue> issues;                              // items reading could not use at all

  // The romid value of `name` (lower case), or empty.
  std::string RomId(const std::string& name) const;
};

}  // namespace import
