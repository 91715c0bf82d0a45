#pragma once

#include <boost/serialization/base_object.hpp>
#include <boost/serialization/map.hpp>
#include <boost/serialization/shared_ptr.hpp>
#include <boost/serialization/string.hpp>
#include <boost/serialization/vector.hpp>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "util/DataHash.h"
#include "util/DataHashSerialization.h"
#include "vehicle/definition/BaseVehicleDefObj.h"

namespace vehicle {

// Tables that may be copied from one ROM to another together. A top copy
// group is a category whose children are copy groups; each group maps an
// alias to the table copied and the slave tables that follow it.
class CopyGroup : public BaseVehicleDefObj {
 public:
  struct CopyTargets {
    std::string table_id;
    std::vector<std::string> slave_table_ids;
  };
  using Children = util::DataHash<std::string, std::shared_ptr<CopyGroup>>;
  using ConstChildren = util::DataHash<std::string, std::shared_ptr<const CopyGroup>>;

  static const std::string LEGACY_COPY_GROUP_CATEGORY_ID;

  enum : validate_codes_t { CODE_NO_ID = 1 };

  // Copy groups nested deeper than this are not read.
  static constexpr int kMaxNesting = 32;

  CopyGroup();

  const char* DebugGetClassName() const override { return "CopyGroup"; }
  int32_t DoRead(const TiXmlElement* element, std::string& error, bool not_first) override;

  // 1 without an id; otherwise the first failing child's code, or 0.
  validate_codes_t Validate() override;

  const std::string& getCopyGroupID() const { return GetObjId(); }
  void setCopyGroupID(const std::string& id) { SetObjId(id); }
  bool isReadOnly() const { return read_only_; }
  void setReadOnly(bool read_only) { read_only_ = read_only; }
  bool isRealtime() const { return realtime_; }
  void setRealtime(bool realtime) { realtime_ = realtime; }

  std::map<std::string, CopyTargets>& getCopyables() { return copyables_; }
  const std::map<std::string, CopyTargets>& getCopyables() const { return copyables_; }
  // Inserts or replaces the entry of the alias.
  void AddCopyable(const std::string& alias, const CopyTargets& targets);
  // A copy of the entry; empty targets when the alias is absent.
  CopyTargets GetCopyable(const std::string& alias) const;
  // Renames a table wherever an entry names it, as source or as slave.
  void ChangeTableId(const std::string& old_id, const std::string& new_id);

  // Stores the child under its id, replacing one with the same id.
  void addChild(const std::shared_ptr<CopyGroup>& child);
  Children& getChildren() { return children_; }
  const Children& getChildren() const { return children_; }
  void getChildren(ConstChildren& out) const;

 private:
  friend class boost::serialization::access;
  template <class Archive>
  void serialize(Archive& ar, const unsigned int /*version*/) {
    ar& boost::serialization::base_object<BaseVehicleDefObj>(*this);
    ar& copyables_;
    ar& read_only_;
    ar& realtime_;
    ar& children_;
  }

  std::map<std::string, CopyTargets> copyables_;
  bool read_only_ = false;
  bool realtime_ = false;
  Children children_;
};

}  // namespace vehicle

namespace boost {
namespace serialization {

template <class Archive>
void serialize(Archive& ar, vehicle::CopyGroup::CopyTargets& targets, const unsigned int) {
  ar& targets.table_id;
  ar& targets.slave_table_ids;
}

}  // namespace serialization
}  // namespace boost
