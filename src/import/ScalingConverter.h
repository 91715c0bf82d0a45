#pragma once

#include <memory>
#include <string>
#include <vector>

#include "import/SourceModel.h"
#include "util/Storage.h"

namespace vehicle {
class DataType;
}

namespace import {

// A scaling turned into an ecucal data type (without an id yet).
struct ConvertedScaling {
  std::shared_ptr<vehicle::DataType> type;
  // The source gives no way back from engineering to raw values: the values
  // read correctly, but the table cannot be edited.
  bool read_only = false;
  std::vector<std::string> notes;  // what was adapted on the way
};

// Turns a scaling of values stored as `storage` in `endian` byte order into a
// data type of target "table":
//
// - the expression is evaluated with the library's expression parser over
//   raw values spread across the storage's range; when it is a straight line
//   (the slope and offset taken from two points and the line checked at every
//   other point) it becomes a "slope-int" conversion ("direct" for x itself),
//   when it is a reciprocal s / (x + o) an "inv-offset" conversion, otherwise
//   an expression conversion of the scaling's two expressions;
// - the data type is then checked through the library's own conversion
//   (vehicle::GetConv) against the expression at the same raw values;
// - range, edit steps and display format come from the scaling or, when it
//   gives none, from the conversion and the storage.
//
// False, with the reason in `why`, when the expression is rejected by the
// parser, names anything but x, or gives no finite value.
bool ConvertScaling(const Scaling& scaling, util::data::Storage_e storage, util::e_endian endian,
                    ConvertedScaling& out, std::string& why);

}  // namespace import
