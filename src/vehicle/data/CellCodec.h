#pragma once

#include <cstdint>

#include "outside/Binary.h"
#include "util/Storage.h"
#include "vehicle/definition/Conv.h"

namespace vehicle {

// One cell of an integer storage under a direct or slope-int conversion,
// decoded from and encoded into the buffer's bytes without a Binary or a
// virtual call. The results are the conversion's own: the same masking, sign
// extension, single-precision narrowing, rounding and clamping.
//
// Everything is inline: a cell read or write is a handful of instructions
// and is called once per cell by editors and copies.
class CellCodec {
 public:
  // A codec for the conversion, or an inactive one (IsActive() false) when
  // the cell needs the conversion itself: another conversion class, a
  // non-integer storage, an unknown byte order, a width that is not the
  // storage's, or a slope-int scalar of 0.
  static CellCodec For(const Conv* conv, util::data::Storage_e storage, util::e_endian endian,
                       uint32_t width, uint32_t mask);

  bool IsActive() const { return kind_ != Kind::kNone; }

  // The element's raw integer, before the mask.
  uint32_t Load(const unsigned char* element) const {
    const unsigned char* e = element;
    switch (order_) {
      case Order::kOne:
        return e[0];
      case Order::kBig16:
        return uint32_t{e[0]} << 8 | e[1];
      case Order::kLittle16:
        return uint32_t{e[1]} << 8 | e[0];
      case Order::kBig32:
        return uint32_t{e[0]} << 24 | uint32_t{e[1]} << 16 | uint32_t{e[2]} << 8 | e[3];
      case Order::kLittle32:
        return uint32_t{e[3]} << 24 | uint32_t{e[2]} << 16 | uint32_t{e[1]} << 8 | e[0];
    }
    return 0;
  }

  void Store(uint32_t raw, unsigned char* element) const {
    unsigned char* e = element;
    switch (order_) {
      case Order::kOne:
        e[0] = static_cast<unsigned char>(raw);
        return;
      case Order::kBig16:
        e[0] = static_cast<unsigned char>(raw >> 8);
        e[1] = static_cast<unsigned char>(raw);
        return;
      case Order::kLittle16:
        e[0] = static_cast<unsigned char>(raw);
        e[1] = static_cast<unsigned char>(raw >> 8);
        return;
      case Order::kBig32:
        for (int k = 0; k < 4; ++k)
          e[k] = static_cast<unsigned char>(raw >> (8 * (3 - k)));
        return;
      case Order::kLittle32:
        for (int k = 0; k < 4; ++k)
          e[k] = static_cast<unsigned char>(raw >> (8 * k));
        return;
    }
  }

  // The engineering value of the element: masked, sign-extended from the
  // storage width when signed, converted.
  //
  // Branch-free past the byte order: the sign extension shifts by 0 for
  // unsigned storages, and a direct conversion has scalar 1 and offset 0,
  // which give the integer back exactly.
  double Decode(const unsigned char* element) const {
    const uint64_t raw = Load(element) & mask_;
    const int64_t value = static_cast<int64_t>(raw << sign_shift_) >> sign_shift_;
    return static_cast<double>(value) * scalar_ + offset_;
  }

  // The raw integer the conversion stores for `value`.
  uint32_t Encode(double value) const {
    const double raw = kind_ == Kind::kSlopeInt ? (value - offset_) / scalar_ : value;
    return static_cast<uint32_t>(Conv::RoundToInteger(raw, range_));
  }

  // `old` (a Load) with the bits inside the mask taken from `value`.
  uint32_t Merge(uint32_t old, double value) const { return old ^ ((old ^ Encode(value)) & mask_); }

 private:
  enum class Kind : uint8_t { kNone, kDirect, kSlopeInt };
  enum class Order : uint8_t { kOne, kBig16, kLittle16, kBig32, kLittle32 };

  Kind kind_ = Kind::kNone;
  Order order_ = Order::kOne;
  // The bit mask in the raw integer's order, limited to the storage width.
  uint32_t mask_ = 0xFFFFFFFFu;
  // Shifting the 64-bit raw integer left and arithmetically back right by
  // this sign-extends a signed storage; 0 for unsigned ones.
  uint32_t sign_shift_ = 0;
  // 1 and 0 for a direct conversion.
  double scalar_ = 1.0;
  double offset_ = 0.0;
  Conv::IntegerRange range_{0, 0, 0};
};

}  // namespace vehicle
