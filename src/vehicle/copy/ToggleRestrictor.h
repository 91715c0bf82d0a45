#pragma once

#include <set>
#include <string>

namespace vehicle {

// The toggles a definition restricts, the exceptions it releases again, and
// the stock comparison. An id joined from several trouble codes with ","
// is judged by the first of its codes that is restricted.
class ToggleRestrictor {
 public:
  virtual ~ToggleRestrictor() = default;

  void RestrictToggle(const std::string& id) { restricted_.insert(id); }
  void UnrestrictToggle(const std::string& id) { unrestricted_.insert(id); }
  virtual bool IsRestricted(const std::string& id) const;

  std::set<std::string> GetRestrictedIds() const { return restricted_; }
  std::set<std::string> GetUnrestrictedIds() const { return unrestricted_; }
  std::set<std::string> GetRestrictedIdsSameAsStock() const { return same_as_stock_; }
  std::set<std::string> GetRestrictedIdsDifferentFromStock() const { return different_from_stock_; }
  void SetRestrictedIdsDifferentFromStock(const std::set<std::string>& ids) {
    different_from_stock_ = ids;
  }
  void SetRestrictedIdsSameAsStock(const std::set<std::string>& ids) { same_as_stock_ = ids; }

  void DetermineStockAndNonstockRestrictedIds(const std::set<std::string>& ids_differing_from_stock);
  void SetRestrictedIdsDifferentFromStockToSameAsStock();
  void ClearAllDifferentFromStockAndSameAsStockIds();

 private:
  std::set<std::string> restricted_;
  std::set<std::string> unrestricted_;
  std::set<std::string> same_as_stock_;
  std::set<std::string> different_from_stock_;
};

}  // namespace vehicle
