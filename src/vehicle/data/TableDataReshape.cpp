// Reshaping tables: adding or removing rows, columns and depth slices, and
// giving a table another axis.

#include "vehicle/data/TableData.h"

namespace vehicle {

// The axis goes first: an axis other tables share refuses to change, and
// the body must then stay as it is. When the body refuses after the axis
// changed, the axis is put back, so that axis and body keep agreeing.
template <class Reshape>
bool TableData::AdjustAlong(axis_types_t role, Reshape reshape) {
  std::shared_ptr<AxisData> axis = GetAxisData(role);
  std::shared_ptr<AxisData> body = GetAxisData(AXIS_Z);
  if (body) {
    const Axis& definition = *body->GetAxis();
    // Values the device only reads back from RAM cannot be reshaped here.
    if (definition.IsReadOnly() && definition.HasRamOffsets())
      body.reset();
  }
  if (!axis && !body)
    return false;
  if (!axis)
    return reshape(*body) != 0;

  const Axis::dimensions_t dimensions = axis->GetDimensions();
  const std::vector<double> values = axis->GetDoubleList();
  if (reshape(*axis) == 0)
    return false;
  if (!body || reshape(*body) != 0)
    return true;
  axis->AdjustDimensions(dimensions.z, dimensions.x, dimensions.y);
  axis->PutDoubleList(values);
  return false;
}

bool TableData::AdjustRows(const IAxisTransform& transform) {
  return AdjustAlong(AXIS_Y, [&](AxisData& axis) { return axis.AdjustRows(transform); });
}

bool TableData::AdjustColumns(const IAxisTransform& transform) {
  return AdjustAlong(AXIS_X, [&](AxisData& axis) { return axis.AdjustColumns(transform); });
}

bool TableData::AdjustDepths(const IAxisTransform& transform) {
  return AdjustAlong(AXIS_W, [&](AxisData& axis) { return axis.AdjustDepths(transform); });
}

bool TableData::RegisterAxis(const std::shared_ptr<AxisData>& axis) {
  std::shared_ptr<AxisDataRepository*> repository = axis_repository_.lock();
  // A table built without a repository (or outliving it) has none to tell.
  return !repository || (*repository)->AddAxis(axis);
}

bool TableData::AdjustTypeTo2d(std::shared_ptr<AxisData> axis, const IAxisTransform& transform) {
  std::shared_ptr<AxisData> body = GetAxisData(AXIS_Z);
  if (!built || !table_ || GetTableType() != TABLE_DATA || !body || !axis || !axis->IsBuilt() ||
      axes_.size() != 1) {
    return false;
  }
  if (!RegisterAxis(axis))
    return false;
  table_->AdjustType(TABLE_2D, body->GetAxis(), axis->GetAxis(), nullptr);
  body->AdjustColumns(transform);
  axes_.clear();
  axes_[AXIS_Z] = body;
  axes_[AXIS_X] = axis;
  return true;
}

bool TableData::AdjustTypeTo3d(std::shared_ptr<AxisData> axis, const IAxisTransform& transform) {
  std::shared_ptr<AxisData> body = GetAxisData(AXIS_Z);
  std::shared_ptr<AxisData> x = GetAxisData(AXIS_X);
  // The new axis becomes the y axis next to an existing x axis.
  if (!built || !table_ || GetTableType() != TABLE_2D || !body || !x || !axis || !axis->IsBuilt() ||
      axes_.size() != 2) {
    return false;
  }
  if (!RegisterAxis(axis))
    return false;
  table_->AdjustType(TABLE_3D, body->GetAxis(), x->GetAxis(), axis->GetAxis());
  if (!body->IsRamOnly())
    body->AdjustRows(transform);
  axes_[AXIS_Y] = axis;
  return true;
}

}  // namespace vehicle
