#pragma once

#include <boost/serialization/base_object.hpp>
#include <boost/serialization/shared_ptr.hpp>
#include <boost/serialization/string.hpp>
#include <memory>
#include <string>

#include "util/DataHash.h"
#include "util/DataHashSerialization.h"
#include "vehicle/Enumerations.h"
#include "vehicle/definition/BaseVehicleDefObj.h"

namespace vehicle {

class Group;

// Groups by id; also the type of a group's own sub-groups.
typedef util::DataHash<std::string, std::shared_ptr<Group>> GroupHash;

// A user-interface grouping of tables or monitors. Groups may hold
// sub-groups; after ResolveReferences a sub-group that also exists at top
// level is that same object.
class Group : public BaseVehicleDefObj {
 public:
  // Ids of groups that callers give a fixed meaning; the library itself
  // never looks them up.
  static const std::string REALTIME_TABLES_ID;
  static const std::string VCF_TABLES_ID;

  // Sub-groups nested deeper than this below a top-level group are not read,
  // so a hostile document cannot exhaust the stack.
  static const int kMaxNestingDepth = 64;

  enum validate_code_t : int32_t {
    VALID = 0,
    INVALID_ID = 1,
    INVALID_GROUP_TYPE = 15,
  };

  Group();

  const char* DebugGetClassName() const override { return "Group"; }

  // Reads "type" and the nested "group" elements. Returns READ_FAILED only
  // when nesting exceeds kMaxNestingDepth (the deeper groups are dropped).
  int32_t DoRead(const TiXmlElement* element, std::string& error, bool not_first) override;

  // 1 for an empty id, 15 for a missing type; otherwise the first non-zero
  // code of the sub-groups, searched depth first in store order.
  validate_codes_t Validate() override;

  // Makes this group the parent of each direct sub-group.
  void AssignParentToSubGroups();

  // Replaces every sub-group entry by the "table" group of the same id found
  // in `groups` (FindGroup). False when some entry was not found; those
  // entries keep their value.
  bool ResolveReferences(const GroupHash& groups);

  group_types_t GetGroupType() const { return group_type_; }
  void SetGroupType(group_types_t type) { group_type_ = type; }
  GroupHash& GetSubGroups() { return sub_groups_; }
  const GroupHash& GetSubGroups() const { return sub_groups_; }
  bool HasSubGroups() const { return !sub_groups_.empty(); }

  // The enclosing group, or null for a top-level group. Not owned.
  Group* GetParent() const { return parent_; }
  void SetParent(Group* parent) { parent_ = parent; }

 private:
  friend class boost::serialization::access;
  template <class Archive>
  void serialize(Archive& ar, const unsigned int /*version*/) {
    ar& boost::serialization::base_object<BaseVehicleDefObj>(*this);
    ar& group_type_;
    ar& sub_groups_;
  }

  std::string NestingTooDeepError() const;

  // The checks on this group alone, without its sub-groups.
  validate_codes_t ValidateSelf() const;

  group_types_t group_type_ = GROUP_INVALID;
  GroupHash sub_groups_;
  Group* parent_ = nullptr;
};

// Looks for the group `id` of kind `type`: first among `groups` themselves,
// then (in store order, depth first) among the sub-groups of each. On success
// stores it in `result` and returns true; otherwise leaves `result` alone.
// Groups that refer back to a group already searched are not searched again,
// so cyclic sub-group references terminate.
bool FindGroup(const GroupHash& groups, const std::string& id, group_types_t type,
               std::shared_ptr<Group>& result);

}  // namespace vehicle
