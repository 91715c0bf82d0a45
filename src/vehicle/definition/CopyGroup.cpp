#include "vehicle/definition/CopyGroup.h"

#include <tinyxml.h>

#include "util/XmlRead.h"

namespace vehicle {

const std::string CopyGroup::LEGACY_COPY_GROUP_CATEGORY_ID = "LEGACY_COPY_GROUP";

CopyGroup::CopyGroup() : BaseVehicleDefObj("copy_group") {}

int32_t CopyGroup::DoRead(const TiXmlElement* /*element*/, std::string& error, bool /*not_first*/) {
  const TiXmlElement* group = GetCurrentElement();
  if (group == nullptr)
    return READ_OK;

  std::string text;
  int64_t read_only = 0;
  if (util::ReadXmlValue(group, "readonly", text) && util::ParseInt64(text, read_only)) {
    read_only_ = read_only != 0;
  }
  uint32_t realtime = 0;
  if (util::ReadXmlUnsigned(group, "realtime", realtime))
    realtime_ = realtime != 0;

  for (const TiXmlElement* copyable = group->FirstChildElement("copyable"); copyable != nullptr;
       copyable = copyable->NextSiblingElement("copyable")) {
    std::string alias;
    CopyTargets targets;
    util::ReadXmlValue(copyable, "alias", alias);
    util::ReadXmlValue(copyable, "table_id", targets.table_id);
    std::string slaves;
    if (util::ReadXmlValue(copyable, "slave_table_id", slaves)) {
      for (const std::string& slave : util::SplitList(slaves)) {
        if (!slave.empty())
          targets.slave_table_ids.push_back(slave);
      }
    }
    if (!targets.table_id.empty())
      AddCopyable(alias, targets);
  }

  // Nested groups are full copy groups; the keyed-store reader recurses
  // through DoRead, one level per nesting level of the document. Real
  // definitions nest two levels; a hostile one must not exhaust the stack.
  static thread_local int depth = 0;
  if (depth >= kMaxNesting)
    return READ_OK;
  ++depth;
  ReadHashData(group, children_, error);
  --depth;
  return READ_OK;
}

validate_codes_t CopyGroup::Validate() {
  if (GetObjId().empty())
    return CODE_NO_ID;
  for (auto& child : children_) {
    const validate_codes_t code = child.second->Validate();
    if (code != 0)
      return code;
  }
  return 0;
}

void CopyGroup::AddCopyable(const std::string& alias, const CopyTargets& targets) {
  copyables_[alias] = targets;
}

CopyGroup::CopyTargets CopyGroup::GetCopyable(const std::string& alias) const {
  auto it = copyables_.find(alias);
  return it == copyables_.end() ? CopyTargets() : it->second;
}

void CopyGroup::ChangeTableId(const std::string& old_id, const std::string& new_id) {
  for (auto& entry : copyables_) {
    if (entry.second.table_id == old_id)
      entry.second.table_id = new_id;
    for (std::string& slave : entry.second.slave_table_ids) {
      if (slave == old_id)
        slave = new_id;
    }
  }
}

void CopyGroup::addChild(const std::shared_ptr<CopyGroup>& child) {
  children_.setData(child->getCopyGroupID(), child);
}

void CopyGroup::getChildren(ConstChildren& out) const {
  for (const auto& child : children_)
    out.setData(child.first, child.second);
}

}  // namespace vehicle
