#include "outside/TableSelection.h"

namespace tuner_editor {

// Callers take it by reference (sets, std::max), which needs a definition.
const unsigned int TableSelection::DEPTH_AXIS_ONLY;

bool TableSelection::operator<(const TableSelection& other) const {
  const int byId = id.compare(other.id);
  if (byId != 0) {
    return byId < 0;
  }
  return depth < other.depth;
}

bool TableSelection::operator==(const TableSelection& other) const {
  return id == other.id && depth == other.depth;
}

}  // namespace tuner_editor
