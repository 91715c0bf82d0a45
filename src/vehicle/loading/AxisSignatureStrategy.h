#pragma once

#include <memory>
#include <string>

#include "vehicle/definition/Axis.h"

// Gives every axis definition its two signatures: the data signature (where
// and how the values live in ROM) and the definition signature (the whole
// definition). Axes with equal signatures are shared by the tables and the
// ROM data model. A signature is the MD5 text of a signature text.
class AxisSignatureStrategy {
 public:
  virtual ~AxisSignatureStrategy() = default;
  // Sets the axis's data signature, then its definition signature.
  virtual void GenerateSignatures(std::shared_ptr<vehicle::Axis> axis) = 0;
};

// Equal axis definitions get equal signatures, so they are shared.
class SharedAxisSignatureStrategy : public AxisSignatureStrategy {
 public:
  void GenerateSignatures(std::shared_ptr<vehicle::Axis> axis) override;

  // The id and labels for a "labels" axis, the object address for a
  // calculated one (never shared), else the offsets.
  std::string GetUniqueAxisString(const std::shared_ptr<vehicle::Axis>& axis) const;
  // Each ROM offset then the count ("11" without ROM offsets), the same for
  // RAM offsets, then each run's ROM and RAM offset with the axis count ("11"
  // for an absent offset, "11" without runs). Without an offset count the
  // two offset parts are a single "11".
  std::string GenerateNonSpecialAxisDef(const std::shared_ptr<vehicle::Axis>& axis) const;
  std::string GenerateSpecialAxisLabelDef(const std::shared_ptr<vehicle::Axis>& axis) const;
  std::string GenerateSpecialAxisXCalcDef(const std::shared_ptr<vehicle::Axis>& axis) const;
  // Cantor pairing of the x and y dimensions, in decimal.
  std::string GenerateUniqueStringForAxisDimensions(
      const std::shared_ptr<vehicle::Axis>& axis) const;

  // Unique string + "_" + special type.
  std::string GenerateDataSignatureText(const std::shared_ptr<vehicle::Axis>& axis) const;
  // Data type id + unique string + dimension pairing + "_" + special type.
  std::string GenerateDefSignatureText(const std::shared_ptr<vehicle::Axis>& axis) const;

  std::string GenerateDataSignature(const std::shared_ptr<vehicle::Axis>& axis) const;
  std::string GenerateDefSignature(const std::shared_ptr<vehicle::Axis>& axis) const;
};

// Every axis object gets signatures of its own: nothing is shared.
class UniqueAxisSignatureStrategy : public AxisSignatureStrategy {
 public:
  void GenerateSignatures(std::shared_ptr<vehicle::Axis> axis) override;

  // Object address + "_" + special type.
  std::string GenerateDataSignatureText(const std::shared_ptr<vehicle::Axis>& axis) const;
  // Object address + "_def_" + data type id + "_" + special type.
  std::string GenerateDefSignatureText(const std::shared_ptr<vehicle::Axis>& axis) const;

  std::string GenerateDataSignature(const std::shared_ptr<vehicle::Axis>& axis) const;
  std::string GenerateDefSignature(const std::shared_ptr<vehicle::Axis>& axis) const;
};
