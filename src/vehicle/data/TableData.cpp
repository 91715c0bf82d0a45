#include "vehicle/data/TableData.h"

#include <cstdint>
#include <limits>

namespace vehicle {

namespace {

const std::string kNoId;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

}  // namespace

TableData::TableData(const std::shared_ptr<Table>& table) : table_(table) {}

bool TableData::BuildTable(const AxisHash& axes) {
  return BuildTable(AxisHash(axes));
}

bool TableData::BuildTable(AxisHash&& axes) {
  built = false;
  if (!table_ || axes.size() != table_->GetAxes().size())
    return false;
  for (const auto& entry : axes) {
    if (!entry.second)
      return false;
  }
  axes_ = std::move(axes);
  built = true;
  return true;
}

void TableData::SetAxisDataRepository(AxisDataRepository& axes) {
  axis_repository_ = axes.GetLink();
}

// ---------------------------------------------------------------- definition

const std::string& TableData::GetTableId() const {
  return table_ ? table_->GetObjId() : kNoId;
}

table_types_t TableData::GetTableType() const {
  return table_ ? table_->GetTableType() : TABLE_INVALID;
}

const std::string& TableData::GetMasterTableId() const {
  return table_ ? table_->GetMasterTableId() : kNoId;
}

bool TableData::IsSlave() const {
  return table_ && table_->IsSlave();
}

bool TableData::IsHidden() const {
  return table_ && table_->IsHidden();
}

bool TableData::IsEphemeral() const {
  return table_ && table_->IsEphemeral();
}

void TableData::ChangeTableId(const std::string& id) {
  if (table_)
    table_->SetObjId(id);
}

void TableData::SetMasterTableId(const std::string& id) {
  if (!table_)
    return;
  table_->SetMasterTableId(id);
  table_->SetIsSlave(!id.empty());
}

// ---------------------------------------------------------------- reading

std::shared_ptr<AxisData> TableData::GetAxisData(axis_types_t role) const {
  auto found = axes_.find(role);
  return found == axes_.end() ? nullptr : found->second;
}

std::shared_ptr<DataType> TableData::GetDataType(axis_types_t role) const {
  auto axis = GetAxisData(role);
  return axis ? axis->GetDataType() : nullptr;
}

int TableData::GetPrecision(axis_types_t role) const {
  auto axis = GetAxisData(role);
  return axis ? axis->GetPrecision() : 0;
}

Axis::dimensions_t TableData::GetDimensions(axis_types_t role) const {
  auto axis = GetAxisData(role);
  return axis ? axis->GetDimensions() : Axis::dimensions_t();
}

std::vector<unsigned char> TableData::GetBinList(axis_types_t role) const {
  auto axis = GetAxisData(role);
  return axis ? axis->GetBinList() : std::vector<unsigned char>();
}

std::vector<double> TableData::GetRow(axis_types_t role, int depth, int y) const {
  auto axis = GetAxisData(role);
  return axis ? axis->GetRow(depth, y) : std::vector<double>();
}

std::vector<double> TableData::GetColumn(axis_types_t role, int depth, int x) const {
  auto axis = GetAxisData(role);
  return axis ? axis->GetColumn(depth, x) : std::vector<double>();
}

double TableData::GetDouble(axis_types_t role, int depth, int x, int y) const {
  auto axis = GetAxisData(role);
  return axis ? axis->GetDouble(depth, x, y) : kNaN;
}

std::vector<double> TableData::GetRow(axis_types_t role, int y) const {
  return Is4d() ? std::vector<double>() : GetRow(role, 0, y);
}

std::vector<double> TableData::GetColumn(axis_types_t role, int x) const {
  return Is4d() ? std::vector<double>() : GetColumn(role, 0, x);
}

double TableData::GetDouble(axis_types_t role, int x, int y) const {
  return Is4d() ? kNaN : GetDouble(role, 0, x, y);
}

// ---------------------------------------------------------------- writing

bool TableData::PutDoubleList(axis_types_t role, const std::vector<double>& values) {
  auto axis = GetAxisData(role);
  return axis && axis->PutDoubleList(values);
}

bool TableData::PutBinList(axis_types_t role, const std::vector<unsigned char>& bytes) {
  auto axis = GetAxisData(role);
  return axis && axis->PutBinList(bytes);
}

bool TableData::PutDouble(axis_types_t role, const int& x, const int& y, const double& value) {
  if (Is4d())
    return false;
  return PutDouble(role, 0, x, y, value);
}

bool TableData::PutDouble(axis_types_t role, const int& depth, const int& x, const int& y,
                          const double& value) {
  auto axis = GetAxisData(role);
  return axis && axis->PutDouble(depth, x, y, value);
}

bool TableData::BoundsCheck(const axis_types_t& role, double& value) const {
  auto axis = GetAxisData(role);
  return axis && axis->BoundsCheck(value);
}

void TableData::SanityCheckDeltas() {
  for (auto& entry : axes_)
    entry.second->SanityCheckDeltas();
}

// ---------------------------------------------------------------- dirty state

bool TableData::IsDirty() const {
  for (const auto& entry : axes_) {
    if (entry.second->IsDirty())
      return true;
  }
  return false;
}

bool TableData::IsRamDirty() const {
  for (const auto& entry : axes_) {
    if (entry.second->IsRamDirty())
      return true;
  }
  return false;
}

bool TableData::IsAxisDirty(const axis_types_t& role) const {
  auto axis = GetAxisData(role);
  return axis && axis->IsDirty();
}

bool TableData::IsRamAxisDirty(const axis_types_t& role) const {
  auto axis = GetAxisData(role);
  return axis && axis->IsRamDirty();
}

std::vector<unsigned int> TableData::GetAxisDirtyDepthIndexes(const axis_types_t& role) const {
  auto axis = GetAxisData(role);
  return axis ? axis->GetDirtySegmentIndexes() : std::vector<unsigned int>();
}

std::vector<unsigned int> TableData::GetAxisDirtyRamDepthIndexes(const axis_types_t& role) const {
  auto axis = GetAxisData(role);
  return axis ? axis->GetDirtyRamSegmentIndexes() : std::vector<unsigned int>();
}

// ---------------------------------------------------------------- saving

bool TableData::CanSaveTable(const std::vector<unsigned char>& rom) const {
  if (!built)
    return false;
  if (IsEphemeral())
    return true;
  for (const auto& entry : axes_) {
    if (!entry.second->CanSaveAxis(rom.size()))
      return false;
  }
  return true;
}

bool TableData::SaveTable(std::vector<unsigned char>& rom) const {
  if (!CanSaveTable(rom))
    return false;
  if (IsEphemeral())
    return true;
  for (const auto& entry : axes_)
    entry.second->WriteAxis(rom);
  return true;
}

bool TableData::IsRestricted() const {
  return restricted_ || (table_ && table_->IsRestricted());
}

}  // namespace vehicle
