// Comparing, copying and swapping tables.

#include <stdexcept>

#include "vehicle/data/TableData.h"

namespace vehicle {

namespace {

constexpr unsigned int kDepthAxisOnly = 0xFFFFFFFFu;

bool HasValues(const AxisData& axis) {
  return axis.IsDataValid() && !axis.IsLabels();
}

}  // namespace

bool TableData::SameShape(const AxisData& a, const AxisData& b) {
  if (!HasValues(a) || !HasValues(b) || a.GetAxisCount() != b.GetAxisCount())
    return false;
  const Axis::dimensions_t da = a.GetDimensions();
  const Axis::dimensions_t db = b.GetDimensions();
  return da.x == db.x && da.y == db.y && da.z == db.z;
}

bool TableData::CanOperateWith(const std::shared_ptr<TableData>& other) const {
  return built && other && other->IsBuilt();
}

// ---------------------------------------------------------------- comparing

bool TableData::HasSharedAxis(const std::shared_ptr<TableData>& other) const {
  if (!other)
    return false;
  for (const auto& mine : axes_) {
    for (const auto& theirs : other->axes_) {
      if (mine.second->IsSharedAxis(theirs.second))
        return true;
    }
  }
  return false;
}

bool TableData::AxisEquals(const TableData& other, axis_types_t role) const {
  auto mine = GetAxisData(role);
  auto theirs = other.GetAxisData(role);
  if (!mine || !theirs)
    return true;
  return mine->Equals(*theirs);
}

bool TableData::AxisEquals(const TableData& other, axis_types_t role, Parser& parser) const {
  auto mine = GetAxisData(role);
  auto theirs = other.GetAxisData(role);
  if (!mine || !theirs)
    return true;
  try {
    return mine->Equals(*theirs, parser);
  } catch (const std::exception&) {
    return false;  // an expression that cannot be evaluated matches nothing
  }
}

bool TableData::IsDifferent(const std::shared_ptr<TableData>& other) const {
  if (!CanOperateWith(other))
    return false;
  for (const auto& entry : axes_) {
    if (!AxisEquals(*other, entry.first))
      return true;
  }
  return false;
}

bool TableData::IsAxisDifferent(const std::shared_ptr<TableData>& other,
                                const axis_types_t& role) const {
  return CanOperateWith(other) && !AxisEquals(*other, role);
}

std::vector<unsigned int> TableData::GetAxisDifferentDepthIndexes(
    const std::shared_ptr<TableData>& other, const axis_types_t& role) const {
  auto mine = GetAxisData(role);
  auto theirs = other ? other->GetAxisData(role) : nullptr;
  if (!mine || !theirs)
    return {};
  return mine->GetDifferentSegmentIndexes(*theirs);
}

// ---------------------------------------------------------------- raw exchange

std::vector<axis_types_t> TableData::PerformTableDataOperation(std::shared_ptr<TableData> other,
                                                               TableDataOperations_e operation) {
  std::vector<axis_types_t> exchanged;
  if (!CanOperateWith(other) || IsEphemeral())
    return exchanged;
  for (const auto& entry : other->axes_) {
    const std::shared_ptr<AxisData>& theirs = entry.second;
    std::shared_ptr<AxisData> mine = GetAxisData(entry.first);
    if (!mine || !theirs->GetAxis()->IsCopyable())
      continue;
    const std::vector<unsigned char> their_bytes = theirs->GetBinList();
    if (their_bytes.empty() || their_bytes.size() != mine->GetSize())
      continue;
    if (operation == OPERATION_SWAP) {
      // Both sides are checked before either is written.
      const std::vector<unsigned char> my_bytes = mine->GetBinList();
      if (my_bytes.size() != theirs->GetSize())
        continue;
      if (!theirs->PutBinList(my_bytes))
        continue;
      if (!mine->PutBinList(their_bytes)) {
        theirs->PutBinList(their_bytes);
        continue;
      }
    } else if (!mine->PutBinList(their_bytes)) {
      continue;
    }
    exchanged.push_back(entry.first);
  }
  return exchanged;
}

std::vector<axis_types_t> TableData::SwapSwappableAxis(std::shared_ptr<TableData> other) {
  return PerformTableDataOperation(std::move(other), OPERATION_SWAP);
}

std::vector<axis_types_t> TableData::CopyCopyableAxis(std::shared_ptr<TableData> other) {
  return PerformTableDataOperation(std::move(other), OPERATION_COPY);
}

// ---------------------------------------------------------------- value copies

bool TableData::CopyAxis(const TableData& other, axis_types_t role) {
  auto mine = GetAxisData(role);
  auto theirs = other.GetAxisData(role);
  if (!mine || !theirs || !SameShape(*mine, *theirs))
    return false;
  return mine->CopyAxis(*theirs);
}

bool TableData::CopyAxis(const TableData& other, axis_types_t role, Parser& parser) {
  auto mine = GetAxisData(role);
  auto theirs = other.GetAxisData(role);
  if (!mine || !theirs || !SameShape(*mine, *theirs))
    return false;
  // The values are all transformed before the first is written, so a failed
  // evaluation writes nothing.
  std::vector<double> values;
  try {
    values = theirs->GetDoubleList(parser);
  } catch (const std::exception&) {
    return false;
  }
  if (values.size() != mine->GetAxisCount())
    return false;
  return mine->PutDoubleList(values);
}

bool TableData::DoFullCopyTable(std::shared_ptr<TableData> other) {
  if (!other || other->axes_.size() != axes_.size())
    return false;
  // Every shape first, so that a mismatch writes nothing at all.
  for (const auto& entry : other->axes_) {
    std::shared_ptr<AxisData> mine = GetAxisData(entry.first);
    if (!mine)
      return false;
    if (entry.second->IsReadOnly() || entry.second->IsLabels())
      continue;
    if (!SameShape(*mine, *entry.second))
      return false;
  }
  bool all = true;
  for (const auto& entry : other->axes_) {
    if (entry.second->IsReadOnly() || entry.second->IsLabels())
      continue;
    if (!CopyAxis(*other, entry.first))
      all = false;
  }
  return all;
}

bool TableData::CopyTable(std::shared_ptr<TableData> other, unsigned int depth) {
  if (!CanOperateWith(other) || IsEphemeral())
    return false;
  if (!Is4d() && !other->Is4d())
    return DoFullCopyTable(other);
  if (!Is4d() || !other->Is4d())
    return false;  // a depth slice has nowhere to go

  if (depth == kDepthAxisOnly)
    return CopyAxis(*other, AXIS_W);

  // Label axes carry no values: they count as copied.
  auto copyable = [&](axis_types_t role) {
    auto mine = GetAxisData(role);
    auto theirs = other->GetAxisData(role);
    if (mine && theirs && mine->IsLabels() && theirs->IsLabels())
      return true;
    return mine && theirs && SameShape(*mine, *theirs);
  };
  auto copy = [&](axis_types_t role) {
    auto mine = GetAxisData(role);
    return mine->IsLabels() || CopyAxis(*other, role);
  };
  std::shared_ptr<AxisData> body = GetAxisData(AXIS_Z);
  std::shared_ptr<AxisData> their_body = other->GetAxisData(AXIS_Z);
  if (!copyable(AXIS_X) || !copyable(AXIS_Y) || !copyable(AXIS_Z) ||
      depth >= body->GetDimensions().z) {
    return false;
  }
  if (!copy(AXIS_X) || !copy(AXIS_Y))
    return false;
  // PutDepth reports whether a value changed; a slice that already held the
  // other's values is copied all the same.
  body->PutDepth(their_body->GetDepth(static_cast<int>(depth)), static_cast<int>(depth));
  return true;
}

}  // namespace vehicle
