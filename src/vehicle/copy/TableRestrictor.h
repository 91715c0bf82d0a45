#pragma once

#include <set>
#include <string>

namespace vehicle {

// The tables a definition restricts, and which of them the last comparison
// with the stock ROM found different. While none differs, restricted tables
// are removed from a ROM's data; once one does, they stay and are marked.
class TableRestrictor {
 public:
  virtual ~TableRestrictor() = default;

  void RestrictTable(const std::string& id) { restricted_.insert(id); }
  virtual bool IsRestricted(const std::string& id) const { return restricted_.count(id) != 0; }

  std::set<std::string> GetRestrictedIds() const { return restricted_; }
  std::set<std::string> GetRestrictedIdsSameAsStock() const { return same_as_stock_; }
  std::set<std::string> GetRestrictedIdsDifferentFromStock() const { return different_from_stock_; }
  void SetRestrictedIdsDifferentFromStock(const std::set<std::string>& ids) {
    different_from_stock_ = ids;
  }
  void SetRestrictedIdsSameAsStock(const std::set<std::string>& ids) { same_as_stock_ = ids; }

  // Splits the restricted ids into those in `ids_differing_from_stock` and the rest.
  void DetermineStockAndNonstockRestrictedIds(const std::set<std::string>& ids_differing_from_stock);
  void SetRestrictedIdsDifferentFromStockToSameAsStock();
  void ClearAllDifferentFromStockAndSameAsStockIds();

 private:
  std::set<std::string> restricted_;
  std::set<std::string> same_as_stock_;
  std::set<std::string> different_from_stock_;
};

}  // namespace vehicle
