#include "vehicle/definition/Group.h"

#include <tinyxml.h>

#include <unordered_set>
#include <utility>
#include <vector>

#include "util/XmlRead.h"

namespace vehicle {

const std::string Group::REALTIME_TABLES_ID = "REALTIME_TABLES";
const std::string Group::VCF_TABLES_ID = "G_VEXA_CUSTOM_FEATURES";

namespace {

// How many "group" elements enclose `element`, counting up to `limit` only.
int EnclosingGroupCount(const TiXmlElement* element, int limit) {
  int count = 0;
  for (const TiXmlNode* node = element != nullptr ? element->Parent() : nullptr;
       node != nullptr && count < limit; node = node->Parent()) {
    const TiXmlElement* parent = node->ToElement();
    if (parent == nullptr || parent->ValueStr() != "group")
      break;
    ++count;
  }
  return count;
}

}  // namespace

std::string Group::NestingTooDeepError() const {
#ifdef ECUCAL_DIAGNOSTICS
  return "Group '" + GetObjId() + "': sub-groups nested deeper than " +
         std::to_string(kMaxNestingDepth) + " levels were not read\n";
#else
  return "Error details hidden in non debug build";
#endif
}

Group::Group() : BaseVehicleDefObj("group") {}

int32_t Group::DoRead(const TiXmlElement* /*element*/, std::string& error, bool /*not_first*/) {
  const TiXmlElement* current = GetCurrentElement();
  std::string type;
  group_type_ = GROUP_INVALID;
  if (util::ReadXmlValue(current, "type", type)) {
    group_type_ = util::FindEnumValue(priv::GetGroupStrs(), util::ToLower(type));
  }

  int32_t result = READ_OK;
  if (current != nullptr) {
    if (EnclosingGroupCount(current, kMaxNestingDepth) >= kMaxNestingDepth) {
      if (current->FirstChildElement("group") != nullptr) {
        error += NestingTooDeepError();
        result = READ_FAILED;
      }
    } else {
      ReadHashData(current, sub_groups_, error);
    }
  }
  AssignParentToSubGroups();
  return result;
}

validate_codes_t Group::ValidateSelf() const {
  if (GetObjId().empty())
    return INVALID_ID;
  if (group_type_ == GROUP_INVALID)
    return INVALID_GROUP_TYPE;
  return VALID;
}

validate_codes_t Group::Validate() {
  // Depth first in store order, like a recursive walk, but with an explicit
  // stack: resolved sub-groups may refer back to their ancestors.
  validate_codes_t code = ValidateSelf();
  if (code != VALID)
    return code;
  std::unordered_set<const Group*> visited{this};
  typedef std::pair<GroupHash::map_type::const_iterator, GroupHash::map_type::const_iterator> Range;
  std::vector<Range> stack{{sub_groups_.begin(), sub_groups_.end()}};
  while (!stack.empty()) {
    Range& range = stack.back();
    if (range.first == range.second) {
      stack.pop_back();
      continue;
    }
    const Group* group = (range.first++)->second.get();
    if (group == nullptr || !visited.insert(group).second)
      continue;
    code = group->ValidateSelf();
    if (code != VALID)
      return code;
    stack.emplace_back(group->sub_groups_.begin(), group->sub_groups_.end());
  }
  return VALID;
}

void Group::AssignParentToSubGroups() {
  for (auto& entry : sub_groups_) {
    if (entry.second)
      entry.second->SetParent(this);
  }
}

bool Group::ResolveReferences(const GroupHash& groups) {
  bool all_found = true;
  for (auto& entry : sub_groups_) {
    std::shared_ptr<Group> found;
    if (FindGroup(groups, entry.first, GROUP_TABLE, found)) {
      entry.second = found;
    } else {
      all_found = false;
    }
  }
  return all_found;
}

bool FindGroup(const GroupHash& groups, const std::string& id, group_types_t type,
               std::shared_ptr<Group>& result) {
  // A recursive search written with an explicit stack of stores: each store
  // is first asked for the id directly, then its groups' sub-stores are
  // searched in order.
  auto lookup = [&](const GroupHash& store) {
    auto found = store.data.find(id);
    if (found == store.data.end() || !found->second)
      return false;
    if (found->second->GetGroupType() != type)
      return false;
    result = found->second;
    return true;
  };
  if (lookup(groups))
    return true;

  std::unordered_set<const Group*> visited;
  typedef std::pair<GroupHash::map_type::const_iterator, GroupHash::map_type::const_iterator> Range;
  std::vector<Range> stack{{groups.begin(), groups.end()}};
  while (!stack.empty()) {
    Range& range = stack.back();
    if (range.first == range.second) {
      stack.pop_back();
      continue;
    }
    const Group* group = (range.first++)->second.get();
    if (group == nullptr || !group->HasSubGroups() || !visited.insert(group).second)
      continue;
    if (lookup(group->GetSubGroups()))
      return true;
    stack.emplace_back(group->GetSubGroups().begin(), group->GetSubGroups().end());
  }
  return false;
}

}  // namespace vehicle
