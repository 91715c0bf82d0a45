#pragma once

#include <string>

#include "vehicle/copy/Restrictor.h"

namespace vehicle {

// The tables a definition restricts. While none of them differs from stock,
// restricted tables are removed from a ROM's data; once one does, they stay
// and are marked.
class TableRestrictor : public Restrictor {
 public:
  void RestrictTable(const std::string& id) { Restrict(id); }
};

}  // namespace vehicle
