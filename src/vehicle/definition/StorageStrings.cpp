#include "vehicle/definition/StorageStrings.h"

namespace util {

const enum_map<e_endian, std::string>& GetEndianStrs() {
  static const enum_map<e_endian, std::string> table = {
      {ENDIAN_INVALID, "invalid"}, {ENDIAN_BIG, "big"}, {ENDIAN_LITTLE, "little"}};
  return table;
}

namespace data {

const enum_map<Storage_e, std::string>& GetStorageStrs() {
  static const enum_map<Storage_e, std::string> table = {
      {STORAGE_INVALID, "invalid"}, {STORAGE_U8, "8"},        {STORAGE_S8, "8s"},
      {STORAGE_U16, "16"},          {STORAGE_S16, "16s"},     {STORAGE_U32, "32"},
      {STORAGE_S32, "32s"},         {STORAGE_FLOAT, "float"},
  };
  return table;
}

}  // namespace data
}  // namespace util
