#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "outside/TableSelection.h"
#include "vehicle/Enumerations.h"
#include "vehicle/copy/CopyTablesResults.h"
#include "vehicle/copy/TableCopyProcedures.h"
#include "vehicle/data/AxisDataRepository.h"
#include "vehicle/data/Data.h"
#include "vehicle/data/TableDataRepository.h"
#include "vehicle/data/ToggleDataRepository.h"
#include "vehicle/definition/LiveRomInfo.h"

namespace vehicle {

class CopyGroup;
class Vehicle;

// One ROM of a loaded definition: the tables, axes and toggles read from a
// ROM image (and a second image for trouble codes and ephemeral tables),
// edited through this object and written back with SaveVehicle.
//
// Build codes: BUILD_FAILED (0), BUILD_SLAVES_COPIED (1: built, master
// values copied into slaves that disagreed), BUILD_CONSISTENT (3: built,
// every slave already agreed). IsBuilt() is true only when the toggles were
// built as well.
//
// Shared definition. Several instances may be built on one Vehicle. These
// operations change the shared definition and so are seen by every instance
// built on it: ChangeTableId (table ids, the tables store, copy groups),
// SanityCheckDeltas (axis limits and data type steps), the restriction
// decision of CompareRestrictedWithStock (restrictor stock sets and the
// difference sets), and building itself, which moves restricted tables and
// toggles between the definition's stores and records the trouble codes it
// parsed. Values, dirty state and saving are each instance's own.
class VehicleData : public Data {
 public:
  enum : int { BUILD_FAILED = 0, BUILD_SLAVES_COPIED = 1, BUILD_CONSISTENT = 3 };

  explicit VehicleData(const std::shared_ptr<Vehicle>& vehicle);
  // Deep copies: the copy has its own byte buffers and starts clean.
  VehicleData(const VehicleData& other);
  VehicleData& operator=(const VehicleData& other);
  virtual ~VehicleData();

  const std::shared_ptr<Vehicle>& GetVehicle() const { return vehicle_; }

  // ---- Building ----

  // Tables, then toggles, honouring restrictions; `build_removed` also
  // builds the tables the feature remover takes out. Returns the table
  // code; the instance is built only when the toggles built too.
  int BuildVehicle(const std::vector<uint8_t>& rom, const std::vector<uint8_t>& second,
                   bool build_removed);
  int BuildUnrestrictedVehicle(const std::vector<uint8_t>& rom, const std::vector<uint8_t>& second);
  // `keep` keeps the tables (and their edits) of an earlier build.
  int BuildTables(const std::vector<uint8_t>& rom, const std::vector<uint8_t>& second,
                  bool build_removed, bool keep);
  int BuildUnrestrictedTables(const std::vector<uint8_t>& rom);
  // 3 on success, 0 on failure.
  int BuildToggles(const std::vector<uint8_t>& rom, const std::vector<uint8_t>& second, bool keep);
  int BuildUnrestrictedToggles(const std::vector<uint8_t>& rom, const std::vector<uint8_t>& second);
  // The axes of the ephemeral tables, read from the second image into a
  // repository of their own. An empty second image means no ephemeral tables.
  bool BuildEphemeralTables(const std::vector<uint8_t>& second);
  int RebuildTablesAndTogglesForComparison(const std::vector<uint8_t>& rom,
                                           const std::vector<uint8_t>& second);
  int RebuildTablesAndTogglesAfterComparison(const std::vector<uint8_t>& rom,
                                             const std::vector<uint8_t>& second,
                                             bool build_removed);
  // 3 when every slave already holds its master's values, else copies them
  // and returns 1.
  int CopyMasterAxesToSlaves();

  // Decides restriction against the stock ROM in one call: rebuilds this
  // instance without restrictions, finds the restricted tables and toggles
  // whose values differ from `stock_rom`, records them in the restrictors
  // (their stock sets are cleared first) and the definition's difference
  // sets, and rebuilds with restrictions. Returns the rebuild's table code,
  // 0 when the stock image cannot be built.
  int CompareRestrictedWithStock(const std::vector<uint8_t>& rom,
                                 const std::vector<uint8_t>& second,
                                 const std::vector<uint8_t>& stock_rom,
                                 const std::vector<uint8_t>& stock_second);

  // ---- Saving ----

  // Writes every table and toggle into `rom` at their own offsets after
  // copying masters into slaves. All or nothing: when any table, mirror or
  // toggle does not fit, `rom` is left unchanged and false is returned.
  // Slaves are written only where they differ from their master's bytes,
  // and a toggle whose bytes already read as its state is not rewritten.
  bool SaveVehicle(std::vector<uint8_t>& rom);

  // ---- Lookups ----

  std::shared_ptr<TableData> GetTable(const std::string& id) const;
  bool ContainsTable(const std::string& id) const;
  const TableDataRepository::TableDataHash& GetTableHash() const;
  std::shared_ptr<TableData> GetRestrictedTable(const std::string& id) const;
  std::shared_ptr<ToggleData> GetToggle(const std::string& id) const;
  bool ContainsToggle(const std::string& id) const;
  const ToggleDataRepository::ToggleDataHash& GetToggleHash() const;
  std::shared_ptr<CopyGroup> GetCopyGroup(const std::string& id) const;
  std::set<std::string>& GetRestrictedTablesWithDifferences();
  std::set<std::string>& GetRestrictedTogglesWithDifferences();
  const LiveRomInfo& GetLiveRomInfo() const { return live_rom_info_; }
  // What the last toggle build could not read (see ToggleDataRepository).
  const ToggleDataRepository& GetToggleRepository() const { return toggles_; }
  const AxisDataRepository& GetAxisRepository() const { return axes_; }

  // ---- Editing ----

  bool PutDouble(const std::string& id, axis_types_t role, const int& depth, const int& x,
                 const int& y, const double& value);
  bool PutBinList(const std::string& id, axis_types_t role, const std::vector<uint8_t>& bytes);
  bool GetBinList(const std::string& id, axis_types_t role, std::vector<uint8_t>& bytes) const;
  bool BoundsCheck(const std::string& id, const axis_types_t& role, double& value);
  void SanityCheckDeltas();

  bool IsDirty() const;
  bool IsRamDirty() const;
  void ClearDirtyState();
  void ClearDirtyRamState();

  // Renames a table here, in the definition, its slaves and its copy groups.
  // False, with nothing changed, when `old_id` is unknown or `new_id` taken.
  bool ChangeTableId(const std::string& old_id, const std::string& new_id);

  // ---- Copies from another instance of the same definition ----

  bool CopyTable(std::shared_ptr<VehicleData> other, const tuner_editor::TableSelection& selection);
  bool CopyToggle(std::shared_ptr<VehicleData> other, const std::string& id);
  // Copies every selection and reports each as successful, partial, failed,
  // restricted or invalid. Restricted items marked in this instance are never
  // copied; a null source makes every selection invalid.
  CopyTablesResults CopyTablesBySelection(
      std::shared_ptr<VehicleData> source,
      const std::vector<tuner_editor::TableSelection>& selections);

 private:
  void ResetForBuild();
  bool BuildAxesAndEphemerals(const std::vector<uint8_t>& rom, const std::vector<uint8_t>& second);
  int FinishTables();
  bool RestrictedToggleDiffers(const std::string& id, const VehicleData& stock,
                               std::set<std::string>& differing) const;
  bool IsTableRestrictedHere(const std::string& id) const;
  bool IsToggleRestrictedHere(const std::string& id) const;
  // The axes of every table the save writes, each once; false when a table
  // is not built or an axis does not fit an image of `image_size` bytes.
  bool CollectAxesToSave(size_t image_size, std::vector<const AxisData*>& axes) const;
  bool TogglesFit(const std::vector<uint8_t>& image) const;
  bool WriteToggles(std::vector<uint8_t>& image) const;

  TableCopyProcedures copy_procedures_;
  std::shared_ptr<Vehicle> vehicle_;
  AxisDataRepository axes_;
  TableDataRepository tables_;
  TableDataRepository restricted_tables_;
  ToggleDataRepository toggles_;
  LiveRomInfo live_rom_info_;
  // Ephemeral tables read the second image; their axes never share buffers
  // with the tables of the ROM image.
  AxisDataRepository ephemeral_axes_;
};

}  // namespace vehicle
