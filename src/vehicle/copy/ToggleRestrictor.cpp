#include "vehicle/copy/ToggleRestrictor.h"

#include "util/XmlRead.h"

namespace vehicle {

bool ToggleRestrictor::IsRestricted(const std::string& id) const {
  if (id.find(',') != std::string::npos) {
    for (const std::string& part : util::SplitList(id)) {
      if (IsInRestrictedIds(part))
        return unrestricted_.count(part) == 0;
    }
  }
  return IsInRestrictedIds(id) && unrestricted_.count(id) == 0;
}

}  // namespace vehicle
