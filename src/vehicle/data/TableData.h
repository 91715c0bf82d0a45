#pragma once

#include <memory>
#include <string>
#include <vector>

#include "outside/Parser.h"
#include "util/EnumMap.h"
#include "vehicle/Enumerations.h"
#include "vehicle/data/AxisData.h"
#include "vehicle/data/AxisDataRepository.h"
#include "vehicle/data/Data.h"
#include "vehicle/data/IAxisTransform.h"
#include "vehicle/definition/Table.h"

namespace vehicle {

// One table of one ROM image: the table definition with the AxisData of each
// of its axis roles (x, y, body, depth). The AxisData objects are shared with
// the axis repository and with every other table using the same axis, so an
// edit through one table is seen by all of them.
//
// Nothing here throws for bad input: an absent role, a null or unbuilt other
// table, or a table without a definition gives false, an empty list, a null
// pointer or, for cell reads, a quiet NaN.
//
// Implementation: TableData.cpp (building, reading, dirty state, saving),
// TableDataCopy.cpp (comparing, copying, swapping), TableDataReshape.cpp.
class TableData : public Data {
 public:
  enum TableDataOperations_e {
    OPERATION_SWAP = 0,
    OPERATION_COPY = 1,
  };
  typedef util::enum_map<axis_types_t, std::shared_ptr<AxisData>> AxisHash;

  explicit TableData(const std::shared_ptr<Table>& table);
  virtual ~TableData() = default;

  // Built when `axes` holds one entry per axis of the definition (and none
  // is null); the map is then taken over. Otherwise not built.
  bool BuildTable(const AxisHash& axes);
  bool BuildTable(AxisHash&& axes);

  // Tables reshaped with a new axis register it here, so that it is
  // dirty-tracked and copied with the others. Holds no ownership: a
  // repository that is gone is simply not told.
  void SetAxisDataRepository(AxisDataRepository& axes);

  // ---- The definition ----

  const std::shared_ptr<Table>& GetTable() const { return table_; }
  const std::string& GetTableId() const;
  table_types_t GetTableType() const;
  const std::string& GetMasterTableId() const;
  bool IsSlave() const;
  bool IsHidden() const;
  // Renames the definition (the repository re-keys it, see
  // TableDataRepository::ChangeTableId).
  void ChangeTableId(const std::string& id);
  // A non-empty master id makes the table a slave, an empty one a master.
  void SetMasterTableId(const std::string& id);
  // Restricted by the definition's restriction lists and kept (marked)
  // because a restricted item differs from stock; set by the vehicle's build.
  // The definition's own "restricted" attribute counts as well.
  bool IsRestricted() const;
  void SetRestricted(bool restricted) { restricted_ = restricted; }

  // ---- Axes and values ----

  const AxisHash& GetAxisHash() const { return axes_; }
  std::shared_ptr<AxisData> GetAxisData(axis_types_t role) const;

  std::shared_ptr<DataType> GetDataType(axis_types_t role) const;
  // 0 for an absent role.
  int GetPrecision(axis_types_t role) const;
  // All NOT_SET for an absent role.
  Axis::dimensions_t GetDimensions(axis_types_t role) const;
  std::vector<unsigned char> GetBinList(axis_types_t role) const;
  std::vector<double> GetRow(axis_types_t role, int depth, int y) const;
  std::vector<double> GetColumn(axis_types_t role, int depth, int x) const;
  double GetDouble(axis_types_t role, int depth, int x, int y) const;
  // Depth-0 reads; empty (NaN) on a "4d" table, where a depth is needed.
  std::vector<double> GetRow(axis_types_t role, int y) const;
  std::vector<double> GetColumn(axis_types_t role, int x) const;
  double GetDouble(axis_types_t role, int x, int y) const;

  bool PutDoubleList(axis_types_t role, const std::vector<double>& values);
  bool PutBinList(axis_types_t role, const std::vector<unsigned char>& bytes);
  // Depth 0; false on a "4d" table.
  bool PutDouble(axis_types_t role, const int& x, const int& y, const double& value);
  bool PutDouble(axis_types_t role, const int& depth, const int& x, const int& y,
                 const double& value);
  bool BoundsCheck(const axis_types_t& role, double& value) const;
  // Snaps every axis's limits and edit steps (changes the shared
  // definitions).
  void SanityCheckDeltas();

  // ---- Dirty state ----

  bool IsDirty() const;
  bool IsRamDirty() const;
  bool IsAxisDirty(const axis_types_t& role) const;
  bool IsRamAxisDirty(const axis_types_t& role) const;
  // Depth slices changed since the last clean point.
  std::vector<unsigned int> GetAxisDirtyDepthIndexes(const axis_types_t& role) const;
  std::vector<unsigned int> GetAxisDirtyRamDepthIndexes(const axis_types_t& role) const;

  // ---- Comparing (TableDataCopy.cpp) ----

  // Any axis of this table reads the same bytes as any axis of the other.
  bool HasSharedAxis(const std::shared_ptr<TableData>& other) const;
  // Equal values; true when either table lacks the role. The parser form
  // compares with the other's values passed through the parser; an
  // expression that cannot be evaluated makes the axes unequal.
  bool AxisEquals(const TableData& other, axis_types_t role) const;
  bool AxisEquals(const TableData& other, axis_types_t role, Parser& parser) const;
  // False when either table is missing or not built.
  bool IsDifferent(const std::shared_ptr<TableData>& other) const;
  bool IsAxisDifferent(const std::shared_ptr<TableData>& other, const axis_types_t& role) const;
  std::vector<unsigned int> GetAxisDifferentDepthIndexes(const std::shared_ptr<TableData>& other,
                                                         const axis_types_t& role) const;

  // ---- Saving ----

  // Writes every axis back into `rom`. An ephemeral table writes nothing and
  // succeeds. Every axis is checked to fit before any is written: on false
  // the image is unchanged.
  bool SaveTable(std::vector<unsigned char>& rom) const;
  // Every axis would fit `rom`: SaveTable would write it all.
  bool CanSaveTable(const std::vector<unsigned char>& rom) const;

  // ---- Copying and swapping (TableDataCopy.cpp) ----

  // Exchanges (swap) or takes over (copy) the raw bytes of every axis of the
  // other table marked copyable that this table also has. A role is listed
  // only when its bytes really moved; a swap checks both sides first and
  // never happens one way only.
  std::vector<axis_types_t> PerformTableDataOperation(std::shared_ptr<TableData> other,
                                                      TableDataOperations_e operation);
  std::vector<axis_types_t> SwapSwappableAxis(std::shared_ptr<TableData> other);
  std::vector<axis_types_t> CopyCopyableAxis(std::shared_ptr<TableData> other);

  // Writes the other table's values of one role into this table's axis (the
  // conversions may differ). False when either lacks the role, the shapes
  // differ, or (parser form) the expression cannot be evaluated; nothing is
  // written then.
  bool CopyAxis(const TableData& other, axis_types_t role);
  bool CopyAxis(const TableData& other, axis_types_t role, Parser& parser);

  // Copies the other table into this one. On "4d" tables, `depth` selects
  // one depth slice of the body (x and y are copied too), or with 0xFFFFFFFF
  // only the depth axis. Shapes are checked before anything is written.
  bool CopyTable(std::shared_ptr<TableData> other, unsigned int depth);
  // Every axis that is not read-only and has values (label axes have none);
  // the tables must have the same axes and shapes.
  bool DoFullCopyTable(std::shared_ptr<TableData> other);

  // ---- Reshaping (TableDataReshape.cpp) ----

  // Let the transform add or remove rows (columns, depth slices) of the
  // matching axis and of the body; a read-only body with RAM offsets is left
  // alone. True when every axis it was applied to changed.
  bool AdjustRows(const IAxisTransform& transform);
  bool AdjustColumns(const IAxisTransform& transform);
  bool AdjustDepths(const IAxisTransform& transform);
  // Turns a "data" table into a "2d" one with `axis` as its x axis (a "2d"
  // table into a "3d" one with `axis` as its y axis), reshaping the body
  // through the transform. False, with nothing changed, for a table of
  // another type, a null or unbuilt axis, or an axis the repository cannot
  // take in.
  bool AdjustTypeTo2d(std::shared_ptr<AxisData> axis, const IAxisTransform& transform);
  bool AdjustTypeTo3d(std::shared_ptr<AxisData> axis, const IAxisTransform& transform);

 private:
  // Neither axis is null, both hold values, and they have the same count
  // and dimensions.
  static bool SameShape(const AxisData& a, const AxisData& b);
  bool CanOperateWith(const std::shared_ptr<TableData>& other) const;
  bool IsEphemeral() const;
  bool Is4d() const { return GetTableType() == TABLE_4D; }
  // Applies `reshape` to the axis of `role` (when present) and to the body.
  template <class Reshape>
  bool AdjustAlong(axis_types_t role, Reshape reshape);
  bool RegisterAxis(const std::shared_ptr<AxisData>& axis);

  std::shared_ptr<Table> table_;
  bool restricted_ = false;
  AxisHash axes_;
  AxisDataRepository::Link axis_repository_;
};

}  // namespace vehicle
