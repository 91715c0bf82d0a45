#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace bench {

// How many objects of each kind a synthetic definition holds. The defaults
// are the size of a large real definition.
struct DefinitionScale {
  unsigned tables = 4000;
  unsigned data_types = 400;
  unsigned monitors = 1500;
  unsigned toggles = 2000;
  unsigned groups = 150;
  unsigned copy_groups = 30;
  unsigned trouble_codes = 1000;  // entries of the trouble-code table

  // Every count multiplied by `factor` (at least the minimum a valid tree
  // needs: a few data types and groups, one copy group category of two).
  static DefinitionScale Scaled(double factor);
};

// What WriteDefinitionTree wrote, for the checks of its callers.
struct GeneratedDefinition {
  std::string top_path;                // the document to pass to Load
  std::vector<std::string> documents;  // every document, top first
  unsigned tables = 0;
  unsigned slave_tables = 0;
  unsigned adjustable_tables = 0;
  unsigned axis_elements = 0;         // "axis" elements written
  unsigned pooled_axis_elements = 0;  // of those, the ones that repeat a shared axis
  unsigned distinct_axes = 0;         // axis definitions that differ
  unsigned data_types = 0;
  unsigned expression_types = 0;
  unsigned monitors = 0;
  unsigned compound_monitors = 0;
  unsigned toggles = 0;
  unsigned groups = 0;
  unsigned copy_groups = 0;  // categories plus their children
  unsigned trouble_codes = 0;

  // Where things lie in the ROM the definition describes: table axes from
  // 0x20000 up to tables_end, then the trouble-code state bytes and code
  // entries, then the switches, each region starting on a 4 KiB boundary and
  // none overlapping another. rom_bytes is the image size that holds them
  // all: 4 MiB, or the next power of two when the scale needs more.
  uint32_t tables_end = 0;
  uint32_t trouble_codes_start = 0;
  uint32_t toggles_start = 0;
  uint32_t rom_bytes = 0;
};

// Writes a synthetic vehicle definition into `folder` (which must exist):
// six documents whose includes go three levels below the top document, with
// data types of every storage and conversion kind (a tenth of them
// expressions), tables of every shape whose breakpoint axes are partly shared,
// slave and adjustable tables, nested groups, plain and compound monitors,
// toggles, copy group categories and a trouble-code table. Ids look like the
// ones real definitions use. The tree loads and validates without a single error, and the same
// scale always gives the same bytes.
//
// Throws std::runtime_error when a document cannot be written.
GeneratedDefinition WriteDefinitionTree(const std::string& folder, const DefinitionScale& scale);

}  // namespace bench
