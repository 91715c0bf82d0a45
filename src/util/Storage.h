#pragma once

#include <cstdint>

namespace util {

// Byte order of a stored value.
enum e_endian : int32_t {
  ENDIAN_INVALID = -1,
  ENDIAN_BIG = 0,     // most significant byte first
  ENDIAN_LITTLE = 1,  // least significant byte first
};

namespace data {

// Width and signedness of a stored value.
enum Storage_e : int32_t {
  STORAGE_INVALID = -1,
  STORAGE_U8 = 0,
  STORAGE_S8 = 1,
  STORAGE_U16 = 2,
  STORAGE_S16 = 3,
  STORAGE_U32 = 4,
  STORAGE_S32 = 5,
  STORAGE_FLOAT = 6,
};

// Bytes one value of the storage occupies; 0 for an invalid storage.
inline uint32_t StorageWidth(Storage_e storage) {
  switch (storage) {
    case STORAGE_U8:
    case STORAGE_S8:
      return 1;
    case STORAGE_U16:
    case STORAGE_S16:
      return 2;
    case STORAGE_U32:
    case STORAGE_S32:
    case STORAGE_FLOAT:
      return 4;
    default:
      return 0;
  }
}

inline bool IsSigned(Storage_e storage) {
  return storage == STORAGE_S8 || storage == STORAGE_S16 || storage == STORAGE_S32;
}

}  // namespace data
}  // namespace util
