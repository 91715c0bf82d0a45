#pragma once

#include <set>
#include <string>

namespace vehicle {

// What the table and toggle restrictors share: the restricted ids and which
// of them the last comparison with the stock ROM found different.
class Restrictor {
 public:
  virtual ~Restrictor() = default;

  virtual bool IsRestricted(const std::string& id) const { return restricted_.count(id) != 0; }

  std::set<std::string> GetRestrictedIds() const { return restricted_; }
  std::set<std::string> GetRestrictedIdsSameAsStock() const { return same_as_stock_; }
  std::set<std::string> GetRestrictedIdsDifferentFromStock() const { return different_from_stock_; }
  void SetRestrictedIdsDifferentFromStock(const std::set<std::string>& ids) {
    different_from_stock_ = ids;
  }
  void SetRestrictedIdsSameAsStock(const std::set<std::string>& ids) { same_as_stock_ = ids; }

  bool HasRestrictedIds() const { return !restricted_.empty(); }
  bool HasRestrictedIdsDifferentFromStock() const { return !different_from_stock_.empty(); }

  // Splits the restricted ids into those in `ids_differing_from_stock` and
  // the rest, adding to both stock sets. The sets only grow here: an id once
  // found different stays so until cleared, so a fresh comparison with the
  // stock ROM calls ClearAllDifferentFromStockAndSameAsStockIds first.
  void DetermineStockAndNonstockRestrictedIds(
      const std::set<std::string>& ids_differing_from_stock);
  void SetRestrictedIdsDifferentFromStockToSameAsStock();
  // Empties both stock sets; the restricted ids stay.
  void ClearAllDifferentFromStockAndSameAsStockIds();

 protected:
  void Restrict(const std::string& id) { restricted_.insert(id); }
  bool IsInRestrictedIds(const std::string& id) const { return restricted_.count(id) != 0; }

 private:
  std::set<std::string> restricted_;
  std::set<std::string> same_as_stock_;
  std::set<std::string> different_from_stock_;
};

}  // namespace vehicle
