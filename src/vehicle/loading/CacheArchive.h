#pragma once

#include <boost/archive/binary_iarchive_impl.hpp>
#include <boost/archive/detail/register_archive.hpp>
#include <boost/serialization/array_optimization.hpp>
#include <boost/serialization/collection_size_type.hpp>
#include <cstdint>
#include <istream>
#include <string>

namespace vehicle {

// A Boost binary input archive that does not trust the lengths it reads.
// The bytes are those of boost::archive::binary_oarchive; every collection
// count and string length is checked against what is left of the input, so
// a corrupt or hostile cache file raises archive_exception instead of
// asking for gigabytes of memory.
class CacheIArchive
    : public boost::archive::binary_iarchive_impl<CacheIArchive, std::istream::char_type,
                                                  std::istream::traits_type> {
  using base = boost::archive::binary_iarchive_impl<CacheIArchive, std::istream::char_type,
                                                     std::istream::traits_type>;

 public:
  // `size` is the number of bytes the stream holds from its current position.
  CacheIArchive(std::istream& stream, uint64_t size);

  // Hooks the base archive calls for lengths.
  template <class T>
  void load_override(T& t) {
    base::load_override(t);
  }
  void load_override(boost::serialization::collection_size_type& count);
  void load(std::string& text);
  // Only the bytes 0 and 1 are flags; any other raises archive_exception
  // (copying it into a bool would be undefined).
  void load(bool& flag);
  template <class T>
  void load(T& t) {
    base::load(t);
  }

 private:
  friend class boost::archive::load_access;
  friend class boost::archive::detail::interface_iarchive<CacheIArchive>;
  friend class boost::archive::basic_binary_iarchive<CacheIArchive>;

  // Throws when more than the remaining bytes are announced.
  void CheckLength(uint64_t length);

  std::istream& stream_;
  uint64_t size_;
};

}  // namespace vehicle

BOOST_SERIALIZATION_REGISTER_ARCHIVE(vehicle::CacheIArchive)
// binary_oarchive writes vectors of plain values as one block; reading them
// element by element would misread every such vector.
BOOST_SERIALIZATION_USE_ARRAY_OPTIMIZATION(vehicle::CacheIArchive)
