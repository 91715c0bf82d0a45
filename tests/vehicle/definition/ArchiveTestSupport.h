#pragma once

#include <boost/archive/binary_iarchive.hpp>
#include <boost/archive/binary_oarchive.hpp>
#include <boost/serialization/shared_ptr.hpp>
#include <sstream>

// Writes `object` to a binary archive and reads the archive back into `copy`,
// as the definition cache does.
template <class T>
void ArchiveRoundTrip(const T& object, T& copy) {
  std::stringstream stream;
  {
    boost::archive::binary_oarchive out(stream);
    out << object;
  }
  boost::archive::binary_iarchive in(stream);
  in >> copy;
}
