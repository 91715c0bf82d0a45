#pragma once

#include <boost/archive/archive_exception.hpp>
#include <boost/serialization/collection_size_type.hpp>
#include <boost/serialization/nvp.hpp>
#include <boost/serialization/split_free.hpp>
#include <boost/serialization/throw_exception.hpp>
#include <boost/serialization/utility.hpp>
#include <memory>
#include <string>
#include <utility>

#include "util/DataHash.h"

namespace util {
namespace detail {

// A store never holds an empty pointer; only a damaged or hostile archive has one.
template <class V>
bool IsEmptyPointer(const V& /*value*/) {
  return false;
}
template <class T>
bool IsEmptyPointer(const std::shared_ptr<T>& value) {
  return !value;
}

}  // namespace detail
}  // namespace util

// A keyed store is archived as its map alone: the element count, then each
// (key, value) pair in iteration order.
namespace boost {
namespace serialization {

template <class Archive, class K, class V, class H>
void save(Archive& ar, const util::BucketMap<K, V, H>& map, const unsigned int /*version*/) {
  collection_size_type count(map.size());
  ar << BOOST_SERIALIZATION_NVP(count);
  for (const auto& entry : map) {
    K key = entry.first;
    ar << make_nvp("key", key);
    ar << make_nvp("value", entry.second);
  }
}

template <class Archive, class K, class V, class H>
void load(Archive& ar, util::BucketMap<K, V, H>& map, const unsigned int /*version*/) {
  map.clear();
  collection_size_type count;
  ar >> BOOST_SERIALIZATION_NVP(count);
  // The count comes from the file: insert one by one rather than reserving,
  // so a corrupt count fails on the archive's end instead of allocating.
  for (collection_size_type i(0); i < count; ++i) {
    K key;
    V value;
    ar >> make_nvp("key", key);
    ar >> make_nvp("value", value);
    if (util::detail::IsEmptyPointer(value)) {
      boost::serialization::throw_exception(
          archive::archive_exception(archive::archive_exception::input_stream_error));
    }
    map.insert_or_keep(key, std::move(value));
  }
}

template <class Archive, class K, class V, class H>
void serialize(Archive& ar, util::BucketMap<K, V, H>& map, const unsigned int version) {
  split_free(ar, map, version);
}

template <class Archive, class K, class V, class H>
void serialize(Archive& ar, util::DataHash<K, V, H>& hash, const unsigned int /*version*/) {
  ar& make_nvp("data", hash.data);
}

}  // namespace serialization
}  // namespace boost
