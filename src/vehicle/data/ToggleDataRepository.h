#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "util/DataHash.h"
#include "vehicle/data/ToggleData.h"
#include "vehicle/loading/Vehicle.h"

namespace vehicle {

class DeleteFeatureRemover;
class RomInfo;
class ToggleRestrictor;

// The toggles of one ROM: the switches written in the definition and the
// trouble codes the vehicle's parser finds in the second image, each built
// from the ROM image, with restricted toggles removed or marked. Keyed by
// toggle id.
//
// Shared definition. The builds (BuildToggles, BuildUnrestrictedToggles,
// CopyTogglesFromVehicle, CopyUnrestrictedTogglesFromVehicle and the steps
// they are made of) change the Vehicle's toggle stores: the XML toggle store,
// the parsed toggle map, the combined toggle store and the removed toggle
// store then describe the most recent build of any repository on that
// Vehicle. Nothing else changes the Vehicle. A repository never reads those
// stores after its build: every ToggleData holds its own copy of its
// definition, so another repository's build, saving or editing cannot
// change this one's toggles.
//
// Every build first puts back what an earlier build removed (see
// RestoreRemovedToggles), so the stores always hold every toggle of the
// definition, partitioned by the current restriction state. The trouble
// codes are parsed afresh on every build that parses: earlier parsed
// toggles are dropped from the parsed map and the combined store first.
//
// A toggle whose bytes lie outside the ROM image cannot be read; builds skip
// it (it is not entered) and list its id in GetSkippedToggleIds() instead
// of failing the ROM.
class ToggleDataRepository {
 public:
  using ToggleDataHash = util::DataHash<std::string, std::shared_ptr<ToggleData>>;

  // What the last build's trouble-code step did.
  enum TroubleCodeParse_e {
    TROUBLE_CODES_NOT_PARSED = 0,   // the build did not reach the step
    TROUBLE_CODES_NO_PARSER = 1,    // the vehicle names no known parser: no codes
    TROUBLE_CODES_EMPTY_IMAGE = 2,  // the second image is empty: no codes
    TROUBLE_CODES_PARSED = 3,
    TROUBLE_CODES_FAILED = 4,  // parameters refused or image unreadable: no codes
  };

  ToggleDataRepository() = default;
  // Deep copies: the copy holds new ToggleData objects of the same states.
  ToggleDataRepository(const ToggleDataRepository& other);
  ToggleDataRepository& operator=(const ToggleDataRepository& other);
  virtual ~ToggleDataRepository() = default;

  // Null when the id is absent.
  std::shared_ptr<ToggleData> GetToggle(const std::string& id) const;
  const ToggleDataHash& GetToggles() const { return toggles_; }

  bool IsDirty() const;
  void ClearDirtyState();

  // The restricted build. Puts back earlier removals; empties the store
  // unless `keep_existing` (kept entries are not rebuilt, so their edits
  // stay); moves the toggles the vehicle's remover takes out to the removed
  // store; builds the XML toggles from `rom`, then the trouble codes parsed
  // from `second`; removes or marks restricted entries; combines the
  // vehicle's toggles. False when a strict toggle is ambiguous in `rom`
  // (entries made before it stay) or the trouble-code parse failed (the XML
  // toggles stay, no trouble-code toggle is entered). False for a null
  // vehicle.
  bool BuildToggles(std::shared_ptr<Vehicle>& vehicle, const std::vector<uint8_t>& rom,
                    const std::vector<uint8_t>& second, bool keep_existing);

  // Every toggle without removal or restriction. With HasParsedToggles() the
  // combined store is copied (CopyUnrestrictedTogglesFromVehicle); otherwise
  // the XML toggles are built (existing entries kept) and the trouble codes
  // parsed, and the vehicle's toggles combined.
  bool BuildUnrestrictedToggles(const std::shared_ptr<Vehicle>& vehicle,
                                const std::vector<uint8_t>& rom,
                                const std::vector<uint8_t>& second);

  // Builds every toggle of the combined store into the store (replacing
  // entries); toggles `remover` takes out move to the removed store instead.
  // The store is not emptied first.
  bool CopyTogglesFromVehicle(const std::shared_ptr<Vehicle>& vehicle,
                              const std::vector<uint8_t>& rom, const DeleteFeatureRemover& remover);

  // Erases the entries `remover` takes out, marks those `restrictor`
  // restricts; never clears a mark.
  void RemoveToggleDataOrSetRestrictedStatus(const ToggleRestrictor& restrictor,
                                             const DeleteFeatureRemover& remover);

  // Writes every built toggle into `rom`. Checks all of them first: when one
  // does not fit the image, nothing is written and false is returned.
  bool SaveToggles(std::vector<uint8_t>& rom) const;

  // ---- What the last build reported ----

  // Toggles left out because their bytes lie outside the ROM image.
  const std::vector<std::string>& GetSkippedToggleIds() const { return skipped_; }
  TroubleCodeParse_e GetTroubleCodeParse() const { return trouble_code_parse_; }
  // Why the trouble-code parse failed; empty otherwise.
  const std::string& GetTroubleCodeError() const { return trouble_code_error_; }

  // ---- Steps of the builds ----

  // Puts every definition of the removed store back where a build took it
  // from (XML toggles into the XML store, trouble codes into the parsed map,
  // both into the combined store unless an entry of the id is there) and
  // empties the removed store.
  static void RestoreRemovedToggles(Vehicle& vehicle);

  // Moves the combined store's entries that `remover` takes out to
  // `removed`.
  void RemoveRestrictedToggles(Vehicle::Toggles& combined, const DeleteFeatureRemover& remover,
                               Vehicle::Toggles& removed);

  // Builds each XML toggle; those `remover` takes out are recorded in
  // `removed` and erased from `xml`. An id already in the store keeps its
  // entry. False at the first ambiguous strict toggle.
  bool BuildXmlToggles(Vehicle::XMLToggles& xml, const std::vector<uint8_t>& rom,
                       const DeleteFeatureRemover& remover, Vehicle::Toggles& removed);

  // Parses `second` with the parser `rom_info` names into `parsed` (emptied
  // first) and builds each trouble code from `rom`; those `remover` takes
  // out are recorded in `removed` and erased from `parsed`. An id already in
  // the store keeps its entry. No parser or an empty `second` is success
  // with no codes; a refused configuration or an exception of the parser
  // (a short image) is failure with `parsed` emptied.
  bool BuildParsedToggles(const RomInfo& rom_info, const std::vector<uint8_t>& rom,
                          const std::vector<uint8_t>& second, Vehicle::ParsedToggles& parsed,
                          const DeleteFeatureRemover& remover, Vehicle::Toggles& removed);

  // BuildXmlToggles without removal.
  bool BuildUnrestrictedXmlToggles(const Vehicle::XMLToggles& xml, const std::vector<uint8_t>& rom);

  // BuildParsedToggles without removal.
  bool BuildUnrestrictedParsedToggles(const RomInfo& rom_info, const std::vector<uint8_t>& rom,
                                      const std::vector<uint8_t>& second,
                                      Vehicle::ParsedToggles& parsed);

  // Empties the store and builds every toggle of the combined store.
  bool CopyUnrestrictedTogglesFromVehicle(const std::shared_ptr<Vehicle>& vehicle,
                                          const std::vector<uint8_t>& rom);

 private:
  // How a toggle of a build came out.
  enum Outcome { BUILT, SKIPPED, AMBIGUOUS };

  // Makes and builds the data of `toggle`; a toggle outside `rom` is listed
  // as skipped.
  Outcome Make(const Toggle& toggle, const std::string& id, const std::vector<uint8_t>& rom,
               std::shared_ptr<ToggleData>& out);
  void AddUnlessPresent(const std::string& id, const std::shared_ptr<ToggleData>& data);
  // Makes the data of every entry of `store` the remover leaves and hands it
  // to `add`; the entries it names move to `removed` (their definitions kept,
  // so that a later build can put them back). Stops, false, at an ambiguous
  // toggle.
  template <class Store, class Add>
  bool BuildStore(Store& store, const std::vector<uint8_t>& rom,
                  const DeleteFeatureRemover& remover, Vehicle::Toggles& removed, Add add);
  bool ParseTroubleCodes(const RomInfo& rom_info, const std::vector<uint8_t>& rom,
                         const std::vector<uint8_t>& second, Vehicle::ParsedToggles& parsed,
                         const DeleteFeatureRemover* remover, Vehicle::Toggles* removed);
  void ResetReport();
  // Drops the toggles of an earlier parse from the parsed map and the
  // combined store, so that a build sees only its own image's codes.
  static void ForgetParsedToggles(Vehicle& vehicle);

  ToggleDataHash toggles_;
  std::vector<std::string> skipped_;
  TroubleCodeParse_e trouble_code_parse_ = TROUBLE_CODES_NOT_PARSED;
  std::string trouble_code_error_;
};

}  // namespace vehicle
