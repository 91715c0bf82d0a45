#pragma once

#include <string>

#include "util/BucketMap.h"
#include "util/KeyErrors.h"
#include "util/StringHash.h"

namespace util {

// The keyed store behind every collection of definition and ROM objects:
// text id to value (mostly shared pointers). Iteration visits the hash
// buckets in ascending order, which some callers depend on.
//
// The map is public because the library's own code iterates it directly.
template <class K, class V, class H = StringHash>
class DataHash {
 public:
  using map_type = BucketMap<K, V, H>;

  DataHash() = default;
  DataHash(const DataHash&) = default;
  DataHash& operator=(const DataHash&) = default;
  DataHash(DataHash&&) noexcept = default;
  DataHash& operator=(DataHash&&) noexcept = default;
  virtual ~DataHash() = default;

  // Inserts the value. Throws duplicate_key_error (and leaves the stored
  // value alone) when dataExists(key) says the key is already there.
  virtual void addData(const K& key, const V& value) {
    if (dataExists(key))
      throw duplicate_key_error();
    data.insert_or_keep(key, value);
  }

  // Erases the key; a missing key is no error.
  virtual void removeData(const K& key) { data.erase(key); }

  // The stored value; throws key_notfound_error when the key is missing.
  virtual V& findData(const K& key) { return data.at(key); }
  virtual const V& findData(const K& key) const { return data.at(key); }

  // Inserts or overwrites.
  virtual void setData(const K& key, const V& value) { data[key] = value; }

  virtual bool dataExists(const K& key) const { return data.find(key) != data.end(); }

  std::size_t size() const { return data.size(); }
  bool empty() const { return data.empty(); }
  void clear() { data.clear(); }

  typename map_type::iterator begin() { return data.begin(); }
  typename map_type::iterator end() { return data.end(); }
  typename map_type::const_iterator begin() const { return data.begin(); }
  typename map_type::const_iterator end() const { return data.end(); }

  map_type data;
};

}  // namespace util
