#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace ecucal_cli {
namespace report {

// What the report page shows, in plain values: the page writer knows
// nothing of definitions or ROM images, so it can be tested on its own and
// the numbers it is given are the numbers it shows.

// The values of a table body or of one axis, in grid order (x fastest, then
// y, then depth).
struct Values {
  std::vector<double> numbers;     // NaN where the image holds no readable value
  std::vector<std::string> texts;  // as shown, one per number
  // With a second ROM: the indexes whose value differs there, ascending, and
  // that ROM's text of each.
  std::vector<uint32_t> changed;
  std::vector<std::string> other_texts;
};

struct AxisValues {
  std::string role;  // "x", "y" or "w"
  std::string id;
  std::string unit;
  Values values;
};

struct Table {
  std::string id;
  std::string type;  // "data", "2d", "3d", "4d"
  std::vector<std::string> groups;
  std::string unit;
  std::string format;  // the definition's display format
  std::string master;  // of a slave
  bool read_only = false;
  bool slave = false;
  bool restricted = false;
  bool ephemeral = false;
  bool ram_only = false;
  uint32_t columns = 0;
  uint32_t rows = 0;
  uint32_t depths = 1;
  Values body;
  std::vector<AxisValues> axes;
  std::string note;       // why values are missing, when they are
  bool compared = false;  // a second ROM was read for this table
  std::string compare_note;

  size_t ChangedCells() const {
    size_t count = body.changed.size();
    for (const AxisValues& axis : axes)
      count += axis.values.changed.size();
    return count;
  }
};

// A toggle or trouble code and its state in each ROM.
struct Toggle {
  std::string id;
  std::string state;        // "on", "off", or why it has none
  std::string other_state;  // empty without a second ROM
  bool restricted = false;
  bool differs = false;
};

struct Image {
  std::string role;  // "ROM", "second image", "compared with"
  std::string path;
  uint64_t size = 0;
  std::string md5;
};

// A run of bytes that differ between the ROMs outside every table and toggle.
struct ByteRange {
  uint64_t offset = 0;
  uint64_t length = 0;
  std::string bytes;        // the first bytes of this ROM, as hex
  std::string other_bytes;  // the same of the other ROM
};

struct Report {
  std::string title;
  std::vector<std::pair<std::string, std::string>> facts;
  std::vector<Image> images;
  std::vector<std::string> notes;
  std::vector<Table> tables;
  std::vector<Toggle> toggles;
  std::vector<Toggle> trouble_codes;

  bool compared = false;
  std::string label;        // what the cells call this ROM ("kestrel.rom.bin")
  std::string other_label;  // and the other one
  std::vector<ByteRange> ranges;
  size_t ranges_left_out = 0;  // past the listing limit
};

}  // namespace report
}  // namespace ecucal_cli
