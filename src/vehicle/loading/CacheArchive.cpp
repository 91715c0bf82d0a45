#include "vehicle/loading/CacheArchive.h"

#include <algorithm>
#include <boost/archive/archive_exception.hpp>
#include <boost/archive/impl/archive_serializer_map.ipp>
#include <boost/archive/impl/basic_binary_iarchive.ipp>
#include <boost/archive/impl/basic_binary_iprimitive.ipp>

namespace vehicle {

CacheIArchive::CacheIArchive(std::istream& stream, uint64_t size)
    : base(stream, 0), stream_(stream), size_(size) {
  // The implementation base leaves the header to the most derived archive
  // (binary_iarchive reads it in its constructor). It is read here, once the
  // members the length checks use are set. The header is the signature (a
  // length word and 22 characters) and then a version byte that boost reads
  // without any check: at the end of the input it reads -1, which boost
  // asserts against (an abort in checked builds).
  CheckLength(sizeof(std::size_t) + 22 + 1);
  init(0);
  // Every object takes dozens of bytes in the file; a table sized for that
  // spares the rehashing while thousands of objects arrive.
  created_.reserve(static_cast<std::size_t>(std::min<uint64_t>(size / 64, 1u << 16)));
}

CacheIArchive::~CacheIArchive() {
  // Whatever is still here was left half read by an exception; nothing else
  // owns it.
  for (auto it = in_progress_.rbegin(); it != in_progress_.rend(); ++it) {
    it->destroy(const_cast<void*>(it->object));
  }
}

void CacheIArchive::load_override(boost::archive::class_id_type& id) {
  base::load_override(id);
  // Boost indexes its class table with the id unchecked; only -1 (a null
  // pointer) may be negative.
  if (static_cast<int>(id) < -1)
    ThrowStreamError();
}

void CacheIArchive::CheckPointer(const void* object, const std::type_info& type) const {
  const auto found = created_.find(object);
  if (found == created_.end() || *found->second.type != type)
    ThrowStreamError();
  for (const InProgress& entry : in_progress_) {
    if (entry.object == object)
      ThrowStreamError();
  }
}

void CacheIArchive::DropIfOrphaned(const void* object) {
  if (object == nullptr)
    return;
  for (const InProgress& entry : in_progress_) {
    if (entry.object == object)
      return;
  }
  const auto found = created_.find(object);
  if (found == created_.end() || found->second.owner)
    return;
  void (*destroy)(void*) = found->second.destroy;
  created_.erase(found);
  destroy(const_cast<void*>(object));
}

void CacheIArchive::Finished(const void* object, const std::type_info& type) {
  if (!in_progress_.empty() && in_progress_.back().object == object &&
      *in_progress_.back().type == type) {
    in_progress_.pop_back();
  }
}

void CacheIArchive::ThrowStreamError() {
  boost::serialization::throw_exception(
      boost::archive::archive_exception(boost::archive::archive_exception::input_stream_error));
}

void CacheIArchive::CheckLength(uint64_t length) {
  // Ask the buffer directly: the archive reads through it, not the stream.
  const std::streamoff here = stream_.rdbuf()->pubseekoff(0, std::ios_base::cur, std::ios_base::in);
  const uint64_t consumed = here < 0 ? size_ : static_cast<uint64_t>(here);
  const uint64_t remaining = consumed >= size_ ? 0 : size_ - consumed;
  if (length > remaining)
    ThrowStreamError();
}

void CacheIArchive::load_override(boost::serialization::collection_size_type& count) {
  base::load_override(count);
  CheckLength(count);
}

void CacheIArchive::load(std::string& text) {
  // The binary archive writes a string as its length, then its bytes.
  std::size_t length = 0;
  base::load(length);
  CheckLength(length);
  text.resize(length);
  if (length > 0)
    load_binary(&text[0], length);
}

void CacheIArchive::load(bool& flag) {
  unsigned char byte = 0;
  load_binary(&byte, 1);
  if (byte > 1)
    ThrowStreamError();
  flag = byte == 1;
}

}  // namespace vehicle

namespace boost {
namespace archive {
template class detail::archive_serializer_map<vehicle::CacheIArchive>;
template class basic_binary_iarchive<vehicle::CacheIArchive>;
template class basic_binary_iprimitive<vehicle::CacheIArchive, std::istream::char_type,
                                       std::istream::traits_type>;
template class binary_iarchive_impl<vehicle::CacheIArchive, std::istream::char_type,
                                    std::istream::traits_type>;
}  // namespace archive
}  // namespace boost
