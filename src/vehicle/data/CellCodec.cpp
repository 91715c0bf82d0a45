#include "vehicle/data/CellCodec.h"

#include <typeinfo>

namespace vehicle {

CellCodec CellCodec::For(const Conv* conv, util::data::Storage_e storage, util::e_endian endian,
                         uint32_t width, uint32_t mask) {
  CellCodec codec;
  const bool integer = storage == util::data::STORAGE_U8 || storage == util::data::STORAGE_S8 ||
                       storage == util::data::STORAGE_U16 || storage == util::data::STORAGE_S16 ||
                       storage == util::data::STORAGE_U32 || storage == util::data::STORAGE_S32;
  const bool big = endian == util::ENDIAN_BIG;
  if (!conv || !integer || (!big && endian != util::ENDIAN_LITTLE) ||
      width != util::data::StorageWidth(storage))
    return codec;
  const Conv& kind = *conv;
  if (typeid(kind) == typeid(DirectConv)) {
    codec.kind_ = Kind::kDirect;
  } else if (typeid(kind) == typeid(SlopeIntConv)) {
    // A zero scalar divides by zero on the way back; the conversion itself
    // decides what that stores.
    const auto& slope = static_cast<const SlopeIntConv&>(kind);
    if (slope.GetScalar() == 0.0)
      return codec;
    codec.kind_ = Kind::kSlopeInt;
    codec.scalar_ = slope.GetScalar();
    codec.offset_ = slope.GetOffset();
  } else {
    return codec;
  }
  codec.order_ = width == 1   ? Order::kOne
                 : width == 2 ? (big ? Order::kBig16 : Order::kLittle16)
                              : (big ? Order::kBig32 : Order::kLittle32);
  codec.mask_ = width == 4 ? mask : mask & ((1u << (8 * width)) - 1);
  const bool is_signed = storage == util::data::STORAGE_S8 || storage == util::data::STORAGE_S16 ||
                         storage == util::data::STORAGE_S32;
  codec.sign_shift_ = is_signed ? 64 - 8 * width : 0;
  codec.range_ = Conv::IntegerRangeOf(storage);
  return codec;
}

}  // namespace vehicle
