#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "outside/DataMarkupDoc.h"
#include "util/DataHash.h"
#include "vehicle/copy/DeleteFeatureRemover.h"
#include "vehicle/copy/TableRestrictor.h"
#include "vehicle/copy/ToggleRestrictor.h"
#include "vehicle/definition/CopyGroup.h"
#include "vehicle/definition/RomInfo.h"
#include "vehicle/definition/Toggle.h"

class AxisSignatureStrategy;
class TiXmlElement;

namespace vehicle {

class Axis;
class DataType;
class Group;
class Monitor;
class Table;
class XMLToggle;

// One failure Validate found, for callers that need to know which object
// failed and why: the error texts of a release build say neither. The id is
// the object's own; Vehicle and RomInfo findings carry the vehicle's, copy
// group findings their category's (the detail names the copy group).
struct ValidationFinding {
  std::string object_class;  // "Vehicle", "RomInfo", "DataType", "Axis", "Table", ...
  std::string id;
  validate_codes_t code = 0;
  std::string detail;  // what failed, in words; may be empty
};

enum variant_t : int32_t {
  VARIANT_NONE = 0,
  VARIANT_SD = 1,
  VARIANT_CF = 2,
};

// One loaded vehicle definition: the ROM information and every definition
// object, each kind in a keyed store under its id.
//
// Use: construct, Load (which also post-processes), Validate, and from then
// on only read. A Vehicle is shared (through a shared pointer) by the ROM
// views built on it and must outlive them.
class Vehicle {
 public:
  using DataTypes = util::DataHash<std::string, std::shared_ptr<DataType>>;
  using Groups = util::DataHash<std::string, std::shared_ptr<Group>>;
  using Monitors = util::DataHash<std::string, std::shared_ptr<Monitor>>;
  using Tables = util::DataHash<std::string, std::shared_ptr<Table>>;
  using Axes = util::DataHash<std::string, std::shared_ptr<Axis>>;
  using Toggles = util::DataHash<std::string, std::shared_ptr<Toggle>>;
  using XMLToggles = util::DataHash<std::string, std::shared_ptr<XMLToggle>>;
  using ParsedToggles = std::map<std::string, Toggle>;
  using CopyGroups = util::DataHash<std::string, std::shared_ptr<CopyGroup>>;

  static const std::string SD_SUFFIX;
  static const std::string CF_SUFFIX;
  static const std::string SVX_EXT;

  // Vehicle-level validation codes; the object classes define their own.
  enum : validate_codes_t {
    CODE_NO_VEHICLE_ID = 1,
    CODE_BAD_VERSION = 3,
    CODE_BAD_COPY_GROUP = 26,
    CODE_BAD_SLAVE_TABLE = 27,
  };

  // The version of a Vehicle that has read no document yet.
  static constexpr float kUnsetVersion = -3.4e38f;
  // The one definition format version this library reads.
  static constexpr double kFormatVersion = 1.1;
  // Includes deeper than this fail; real trees are three or four levels deep.
  static constexpr int kMaxIncludeDepth = 32;
  // Cache files larger than this are refused (archive_exception); the cache
  // of a definition with thousands of tables takes about a megabyte.
  static constexpr std::size_t kMaxCacheBytes = 256u * 1024u * 1024u;

  Vehicle();
  Vehicle(const Vehicle&) = delete;
  Vehicle& operator=(const Vehicle&) = delete;
  virtual ~Vehicle();

  // ---- Loading ----

  // Loads the definition whose top document is `path`: from the cache file
  // (`path` + ".svx") when it exists, else from the XML tree; then
  // post-processes with `strategy`. Always returns true: the outcome is
  // IsLoaded(), problems are appended to `error`. A cache file that exists
  // but cannot be decoded raises boost::archive::archive_exception.
  bool Load(const std::string& path, std::string& error, vexa_xml::XmlLoadOpts_e options,
            AxisSignatureStrategy* strategy);
  // The same with the shared signature strategy.
  bool Load(const std::string& path, std::string& error, vexa_xml::XmlLoadOpts_e options);

  // Reads one document and, depth first, the documents it includes.
  bool RecursiveLoad(const std::string& path, std::string& error, vexa_xml::XmlLoadOpts_e options);

  // With this set before Load, a cache file yields only the vehicle id,
  // version, read-only flag and ROM information.
  void LoadRomInfoOnly() { rom_info_only_ = true; }

  bool ReadToggleRestrictions(const TiXmlElement* root, std::string& error);
  bool ReadTableRestrictions(const TiXmlElement* root, std::string& error);

  // ---- Post-processing ----

  // Turns the loaded objects into one model, with the result of running,
  // in this order: GenerateAxisSignatures, BuildAxisHashesFromTables,
  // CorrectAxisAttributes, _ResolveHashReferences, then offset translation
  // (toggles, then each table's axes once), the realtime flag and the
  // legacy copy groups. Offsets are translated once per loaded definition.
  void PostProcessLoad(AxisSignatureStrategy* strategy);
  void GenerateAxisSignatures(AxisSignatureStrategy* strategy);
  void BuildAxisHashesFromTables();
  void CorrectAxisAttributes();
  bool CorrectReadOnlyAttribute(const std::shared_ptr<Axis>& axis);
  bool CorrectCopyableAttribute(const std::shared_ptr<Axis>& axis);
  void _ResolveHashReferences();
  void ReResolveHashReferences() { _ResolveHashReferences(); }
  void ClearLegacyCopyGroups();
  Tables GetAdjustableTables() const;

  // Merges the XML toggles and the parsed trouble-code toggles into the
  // combined toggle store; an XML toggle wins over a parsed one of its id.
  void CombineToggles();

  // ---- Validation ----

  // Checks every object, moves failing ones to the invalid stores and
  // appends one error text per failure. Returns (and records) validity.
  // Each failure is also recorded as a finding (GetValidationFindings).
  bool Validate(std::string& error);
  void ValidateRomInfo();
  void ValidateDataTypes();
  void ValidateAxes();
  void ValidateGroups();
  void ValidateTables();
  void ValidateToggles();
  void ValidateCopyGroups();
  void ValidateMonitors();
  void ValidateTogglesAfterBackupOrRestore() { ValidateToggles(); }
  // Whether table `b` can receive a copy of table `a`.
  bool ValidateCopyTable(std::string& error, const std::string& a, const std::string& b,
                         const std::string& copy_group_id);

  // ---- Cache file ----

  // Writes `path` + ".svx" atomically (a temporary file, then a rename).
  bool SaveSerializedFile(const std::string& path);
  // Reads `path` + ".svx"; false when it cannot be opened.
  bool LoadSerializedFile(const std::string& path);

  template <class Archive>
  void save(Archive& ar, const unsigned int version) const;
  template <class Archive>
  void load(Archive& ar, const unsigned int version);
  template <class Archive>
  void serialize(Archive& ar, const unsigned int version);

  // ---- Queries ----

  bool IsLoaded() const { return loaded_; }
  bool IsValid() const { return loaded_ && valid_; }
  std::string GetLiveRomName() const { return vehicle_id_; }
  bool HasRealtimeTables() const { return has_realtime_tables_; }
  bool HasVolatileOnlyRealtimeTables() const { return volatile_only_realtime_; }
  bool HasParsedToggles() const { return has_parsed_toggles_; }
  bool IsRomCrcValid(unsigned int crc) const { return rom_info_.IsRomCrcValid(crc); }
  uint32_t GetMonitorByteLimit() const { return rom_info_.GetMonitorByteLimit(); }
  uint32_t GetMonitorCountLimit() const { return rom_info_.GetMonitorCountLimit(); }
  bool IsMonitorValid(std::string id) const { return monitors_.dataExists(id); }
  bool GetVehicleVariants(std::vector<std::string>& variants) const;
  bool HasVehicleVariant(variant_t variant) const;
  bool RemoveFeatureStrings(std::string& id) const;
  bool GetVariantlessId(std::string& id) const;
  std::string GetStockRomName() const;
  bool IsRestrictedTableDifferent(const std::string& id) const {
    return restricted_table_differences_.count(id) != 0;
  }
  bool IsRestrictedToggleDifferent(const std::string& id) const {
    return restricted_toggle_differences_.count(id) != 0;
  }
  const DeleteFeatureRemover& GetDeleteFeatureRemover() const { return delete_feature_remover_; }

  // Read access to the stores, for the ROM views, the command and tests.
  const RomInfo& GetRomInfo() const { return rom_info_; }
  const DataTypes& GetDataTypes() const { return data_types_; }
  const DataTypes& GetInvalidDataTypes() const { return invalid_data_types_; }
  const Groups& GetGroups() const { return groups_; }
  const Groups& GetInvalidGroups() const { return invalid_groups_; }
  const Monitors& GetMonitors() const { return monitors_; }
  const Monitors& GetInvalidMonitors() const { return invalid_monitors_; }
  const Tables& GetTables() const { return tables_; }
  const Tables& GetInvalidTables() const { return invalid_tables_; }
  const Axes& GetAxes() const { return axes_; }
  const Axes& GetInvalidAxes() const { return invalid_axes_; }
  const Axes& GetSharedAxes() const { return shared_axes_; }
  const Toggles& GetToggles() const { return toggles_; }
  const XMLToggles& GetXMLToggles() const { return xml_toggles_; }
  const XMLToggles& GetInvalidXMLToggles() const { return invalid_xml_toggles_; }
  const ParsedToggles& GetParsedToggles() const { return parsed_toggles_; }
  const CopyGroups& GetCopyGroups() const { return copy_groups_; }
  const Tables& GetRemovedTables() const { return removed_tables_; }
  const Toggles& GetRemovedToggles() const { return removed_toggles_; }
  const std::string& GetValidationErrorText() const { return validation_error_; }
  // The failures of the last Validate, in the order their error texts were
  // appended, with the copy group failures that have no error text among
  // them (a copyable naming a table the store lacks, copy targets with
  // different numbers of slave tables). Objects a cache file brought back
  // already in the invalid stores failed an earlier validation and have no
  // finding.
  const std::vector<ValidationFinding>& GetValidationFindings() const { return findings_; }
  float GetVersion() const { return version_; }
  bool IsReadOnly() const { return read_only_; }
  const std::vector<std::string>& GetBundleIds() const { return bundle_ids_; }
  const TableRestrictor& GetTableRestrictor() const { return table_restrictor_; }
  const ToggleRestrictor& GetToggleRestrictor() const { return toggle_restrictor_; }

  // Mutable access for the ROM data model and the trouble-code step.
  ParsedToggles& GetParsedToggles() { return parsed_toggles_; }
  Tables& GetTables() { return tables_; }
  Toggles& GetToggles() { return toggles_; }
  XMLToggles& GetXMLToggles() { return xml_toggles_; }
  Tables& GetRemovedTables() { return removed_tables_; }
  std::set<std::string>& GetRestrictedTableDifferences() { return restricted_table_differences_; }
  std::set<std::string>& GetRestrictedToggleDifferences() { return restricted_toggle_differences_; }
  Toggles& GetRemovedToggles() { return removed_toggles_; }
  TableRestrictor& GetTableRestrictor() { return table_restrictor_; }
  ToggleRestrictor& GetToggleRestrictor() { return toggle_restrictor_; }
  void SetHasParsedToggles(bool has) { has_parsed_toggles_ = has; }

  std::string _BuildErrorString(validate_codes_t code, const std::string& details) const;
  std::string _BuildErrorString(const IBaseVehicleDefObj* object, validate_codes_t code,
                                const std::string& details) const;
  std::string _BuildBadCopyGroupErrorString(const Axis* axis, const std::string& copy_group_id,
                                            const std::string& details) const;

 protected:
  validate_codes_t _ValidateSlaveTable(std::ostringstream& details, const Table& slave) const;

 private:
  bool RecursiveLoadAtDepth(const std::string& path, std::string& error,
                            vexa_xml::XmlLoadOpts_e options, int depth);
  bool ReadRootValues(const TiXmlElement* root);
  void BuildLegacyCopyGroup(const Table& table);
  // Adds the axis to the axis stores as far as it is new to them; returns
  // the axis store's entry of its definition signature.
  const std::shared_ptr<Axis>& CollectAxis(const std::shared_ptr<Axis>& axis);
  Axis* FirstAxisOfDefinition(const Axis& axis) const;
  bool CorrectReadOnly(Axis& axis, Axis* same);
  bool CorrectCopyable(Axis& axis, Axis* same);
  void ResolveMonitorReferences();
  // One store validator: failing objects move to the invalid store.
  template <class Store>
  void ValidateStore(Store& live, Store& invalid);
  bool ValidateCopyGroupCategory(CopyGroup& category);
  bool CopyTargetsMatch(const CopyGroup::CopyTargets& from, const CopyGroup::CopyTargets& to,
                        const std::string& copy_group_id, const std::string& category_id);
  // Appends the error text of one failure and records its finding.
  void AddFailure(const IBaseVehicleDefObj* object, ValidationFinding finding,
                  const std::string& details);

  std::string vehicle_id_;
  float version_;
  bool read_only_ = false;
  RomInfo rom_info_;
  DataTypes data_types_;
  DataTypes invalid_data_types_;
  Groups groups_;
  Groups invalid_groups_;
  Monitors monitors_;
  Monitors invalid_monitors_;
  Tables tables_;
  std::set<std::string> restricted_table_differences_;
  std::set<std::string> restricted_toggle_differences_;
  Axes axes_;
  Axes invalid_axes_;
  Tables invalid_tables_;
  Tables adjustable_tables_;
  Toggles toggles_;
  XMLToggles xml_toggles_;
  XMLToggles invalid_xml_toggles_;
  ParsedToggles parsed_toggles_;
  CopyGroups copy_groups_;
  Tables removed_tables_;
  Toggles removed_toggles_;
  bool loaded_ = false;
  bool valid_ = false;
  std::string validation_error_;
  std::vector<ValidationFinding> findings_;
  bool rom_info_only_ = false;
  bool has_parsed_toggles_ = false;
  Axes shared_axes_;
  bool has_realtime_tables_ = false;
  bool volatile_only_realtime_ = false;
  std::vector<std::string> variants_;
  std::vector<std::string> bundle_ids_;
  ToggleRestrictor toggle_restrictor_;
  TableRestrictor table_restrictor_;
  DeleteFeatureRemover delete_feature_remover_;
  // Set when the objects came from a cache file, whose offsets were already
  // translated for the processor; translating twice would move them again.
  bool offsets_translated_ = false;
  // Folders of the documents on the current include chain, for cycle detection.
  std::vector<std::string> include_chain_;
};

}  // namespace vehicle
