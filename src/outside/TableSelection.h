#pragma once

#include <string>

namespace tuner_editor {

// The editor's choice of one table or toggle to copy: its id and which part of it. For tables,
// the depth index tells what to copy (a depth slice of a 4d table, or 0xFFFFFFFF for its depth
// axis only); the library passes it through unchanged.
class TableSelection {
 public:
  // Depth index that selects the depth axis of a 4d table and none of its slices.
  static const unsigned int DEPTH_AXIS_ONLY = 0xFFFFFFFFu;

  TableSelection() : depth(0) {}
  explicit TableSelection(const std::string& tableId, unsigned int depthIndex = 0)
      : id(tableId), depth(depthIndex) {}

  const std::string& GetTableId() const { return id; }
  unsigned int GetDepth() const { return depth; }

  // Ordered by id, then by depth index.
  bool operator<(const TableSelection& other) const;
  bool operator==(const TableSelection& other) const;
  bool operator!=(const TableSelection& other) const { return !(*this == other); }

  std::string id;
  unsigned int depth;
};

}  // namespace tuner_editor
