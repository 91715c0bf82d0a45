#pragma once

namespace tuner_editor {

// A cell coordinate of a table view: column index, then row index.
class Point {
 public:
  Point() : x(0), y(0) {}
  Point(unsigned int column, unsigned int row) : x(column), y(row) {}

  unsigned int GetX() const { return x; }
  unsigned int GetY() const { return y; }

  bool operator==(const Point& other) const { return x == other.x && y == other.y; }
  bool operator!=(const Point& other) const { return !(*this == other); }

  unsigned int x;  // column index
  unsigned int y;  // row index
};

}  // namespace tuner_editor
