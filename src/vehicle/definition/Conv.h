#pragma once

#include <cfloat>
#include <cstdint>
#include <memory>
#include <string>

#include "outside/Binary.h"
#include "outside/Parser.h"
#include "util/Storage.h"
#include "vehicle/definition/DataType.h"

namespace vehicle {

// Names one input of an expression whose value is set from outside.
class IOperand {
 public:
  virtual ~IOperand() = default;
  // The symbol the expression uses for this input.
  virtual std::string GetText() const = 0;
  virtual void SetInputNumber(unsigned number) = 0;
};

// Input n of a compound expression, named "input<n>" (input1 is the first).
class CompoundInputOperand : public IOperand {
 public:
  explicit CompoundInputOperand(unsigned number) : number_(number) {}
  std::string GetText() const override;
  void SetInputNumber(unsigned number) override { number_ = number; }

 private:
  uint32_t number_;
};

// Turns the raw bytes of one stored value into an engineering value and back.
// The storage width, signedness and float flag come from the data type; a
// conversion without a data type (or with an invalid storage) reads 0 and
// writes nothing.
//
// Writing never wraps: integer storages clamp to their range. Values with no
// integer meaning are pinned down as well: NaN writes raw 0, +infinity the
// storage maximum and -infinity the storage minimum. For "float" storage NaN
// writes 0.0 and values beyond the single-precision range write the largest
// finite single of their sign.
class Conv {
 public:
  explicit Conv(const std::shared_ptr<DataType>& data_type);
  virtual ~Conv() = default;

  // Writes `value` into `out` at the storage width, in the byte order `out`
  // carries (see WriteRaw).
  virtual void ToBin(double value, util::Binary& out) const = 0;
  // The engineering value of the raw integer in `in`.
  virtual double ToDouble(const util::Binary& in) const = 0;
  // Sets one input of a compound expression; only expression conversions
  // have any.
  virtual void SetOperandValue(const IOperand& operand, const double& value);
  // The compound expression's value; 0.0 for kinds without one.
  virtual double CompoundToDouble();

  // The raw integer read as the storage says: sign-extended for the signed
  // storages, IEEE single bits for "float", unsigned 32-bit otherwise.
  double BinToDouble(unsigned long raw) const;
  // The raw integer for an engineering value: rounded half away from zero,
  // then clamped to the storage's range; for "float" the single's bits.
  unsigned long ToLongBin(float value) const;
  // Narrows to single precision first, so values keep 24 significant bits.
  unsigned long ToLongBin(double value) const;

  // The values an integer storage holds, and what a negative one is stored
  // as (two's complement modulo `modulus`).
  struct IntegerRange {
    double low;
    double high;
    double modulus;
  };
  // "32" and an invalid storage hold 0..2^32-1.
  static IntegerRange IntegerRangeOf(util::data::Storage_e storage);
  // What ToLongBin(double) gives for an integer storage of `range`, inline so
  // that per-cell writers can use it without a call: narrowed to single
  // precision (saturating), rounded half away from zero, clamped, and a
  // negative result as two's complement. NaN gives 0.
  static unsigned long RoundToInteger(double value, const IntegerRange& range) {
    if (value != value)
      return 0;
    const double narrowed = static_cast<float>(value < -FLT_MAX  ? -FLT_MAX
                                               : value > FLT_MAX ? FLT_MAX
                                                                 : value);
    // Clamping to the integer bounds first gives the same as rounding first,
    // and leaves a value whose half-away rounding is a truncation (exact:
    // a single's 24 bits plus one half fit a double's 53).
    const double clamped = narrowed < range.low    ? range.low
                           : narrowed > range.high ? range.high
                                                   : narrowed;
    int64_t rounded = static_cast<int64_t>(clamped >= 0 ? clamped + 0.5 : clamped - 0.5);
    if (rounded < 0)
      rounded += static_cast<int64_t>(range.modulus);
    return static_cast<unsigned long>(rounded);
  }

  const std::shared_ptr<DataType>& GetDataType() const { return data_type_; }
  util::data::Storage_e GetStorage() const { return storage_; }

 protected:
  // The raw integer in `in`, read at the storage width; 0 for an invalid
  // storage.
  unsigned long ReadRaw(const util::Binary& in) const;
  // Resizes `out` to the storage width and fills it with the low bytes of
  // `raw`, most significant first for big-endian, least significant first for
  // little-endian; any other byte order leaves the bytes unfilled. An invalid
  // storage leaves `out` alone.
  void WriteRaw(unsigned long raw, util::Binary& out) const;

 private:
  std::shared_ptr<DataType> data_type_;
  util::data::Storage_e storage_;
};

// The raw value is the engineering value.
class DirectConv : public Conv {
 public:
  using Conv::Conv;
  void ToBin(double value, util::Binary& out) const override;
  double ToDouble(const util::Binary& in) const override;
};

// A conversion with a scalar and an offset, taken from the data type's
// constants (0.0 when the type gives none).
class ScalarOffsetConv : public Conv {
 public:
  explicit ScalarOffsetConv(const std::shared_ptr<DataType>& data_type);
  double GetScalar() const { return scalar_; }
  double GetOffset() const { return offset_; }

 protected:
  double scalar_;
  double offset_;
};

// engineering = raw * scalar + offset.
class SlopeIntConv : public ScalarOffsetConv {
 public:
  using ScalarOffsetConv::ScalarOffsetConv;
  void ToBin(double value, util::Binary& out) const override;
  double ToDouble(const util::Binary& in) const override;
  // The raw integer ToBin stores, for callers that place the bytes
  // themselves.
  unsigned long ToRaw(double value) const;
};

// engineering = (raw + offset) * scalar.
class PtSlopeConv : public ScalarOffsetConv {
 public:
  using ScalarOffsetConv::ScalarOffsetConv;
  void ToBin(double value, util::Binary& out) const override;
  double ToDouble(const util::Binary& in) const override;
};

// engineering = scalar / (raw + offset); 0.0 when raw + offset is 0.
class InvOffsetConv : public ScalarOffsetConv {
 public:
  using ScalarOffsetConv::ScalarOffsetConv;
  void ToBin(double value, util::Binary& out) const override;
  double ToDouble(const util::Binary& in) const override;
};

// Conversion by expressions in the variable "x" (to_bin and to_float), plus a
// compound expression over inputs named by CompoundInputOperand. Every
// expression also sees "pi" and "e".
//
// ToBin and ToDouble let evaluator errors through; CompoundToDouble turns
// them into 0.0. A "32s" result outside the signed 32-bit range is clamped.
class StrConv : public Conv {
 public:
  explicit StrConv(const std::shared_ptr<DataType>& data_type);
  void ToBin(double value, util::Binary& out) const override;
  double ToDouble(const util::Binary& in) const override;
  void SetOperandValue(const IOperand& operand, const double& value) override;
  double CompoundToDouble() override;

 private:
  // Evaluation writes "x" into the evaluator, even on a const conversion.
  mutable Parser to_bin_;
  mutable Parser to_float_;
  Parser compound_;
};

// A new conversion for `data_type`: the kind its conversion type names, an
// expression conversion when it has no type but a to_bin or compound text,
// and a direct conversion otherwise (also for a null type, "labels" and
// "custom").
std::shared_ptr<Conv> GetConv(const std::shared_ptr<DataType>& data_type);

}  // namespace vehicle
