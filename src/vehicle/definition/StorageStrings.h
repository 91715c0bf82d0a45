#pragma once

#include <string>

#include "util/EnumMap.h"
#include "util/Storage.h"

// Document words of the byte orders and storage kinds of a stored value.
// Each returns one process-wide table, "invalid" (-1) first, built on first use.
namespace util {

const enum_map<e_endian, std::string>& GetEndianStrs();

namespace data {

const enum_map<Storage_e, std::string>& GetStorageStrs();

}  // namespace data
}  // namespace util
