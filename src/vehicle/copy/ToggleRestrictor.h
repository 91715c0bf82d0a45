#pragma once

#include <set>
#include <string>

#include "vehicle/copy/Restrictor.h"

namespace vehicle {

// The toggles a definition restricts and the exceptions it releases again.
// An id joined from several trouble codes with "," is judged by the first
// of its codes that is restricted.
class ToggleRestrictor : public Restrictor {
 public:
  void RestrictToggle(const std::string& id) { Restrict(id); }
  void UnrestrictToggle(const std::string& id) { unrestricted_.insert(id); }
  bool IsRestricted(const std::string& id) const override;
  std::set<std::string> GetUnrestrictedIds() const { return unrestricted_; }

 private:
  std::set<std::string> unrestricted_;
};

}  // namespace vehicle
