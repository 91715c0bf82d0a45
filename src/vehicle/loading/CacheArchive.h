#pragma once

#include <boost/archive/basic_archive.hpp>
#include <boost/archive/binary_iarchive_impl.hpp>
#include <boost/archive/detail/register_archive.hpp>
#include <boost/serialization/access.hpp>
#include <boost/serialization/array_optimization.hpp>
#include <boost/serialization/collection_size_type.hpp>
#include <boost/serialization/nvp.hpp>
#include <cstdint>
#include <istream>
#include <memory>
#include <new>
#include <string>
#include <type_traits>
#include <typeinfo>
#include <unordered_map>
#include <vector>

namespace vehicle {

// A Boost binary input archive that does not trust the lengths it reads.
// The bytes are those of boost::archive::binary_oarchive; every collection
// count and string length is checked against what is left of the input, so
// a corrupt or hostile cache file raises archive_exception instead of
// asking for gigabytes of memory.
//
// Objects read through pointers are watched while they are read. Boost
// leaves an object whose reading failed half way allocated and owned by
// nobody; this archive destroys such objects when it is destroyed. A
// pointer back to an object still being read (a cycle, which would make the
// object own itself) or to an object of another type raises
// archive_exception.
class CacheIArchive
    : public boost::archive::binary_iarchive_impl<CacheIArchive, std::istream::char_type,
                                                  std::istream::traits_type> {
  using base = boost::archive::binary_iarchive_impl<CacheIArchive, std::istream::char_type,
                                                    std::istream::traits_type>;

 public:
  // `size` is the number of bytes the stream holds from its current position.
  CacheIArchive(std::istream& stream, uint64_t size);
  ~CacheIArchive();
  CacheIArchive(const CacheIArchive&) = delete;
  CacheIArchive& operator=(const CacheIArchive&) = delete;

  // Constructs an object for Boost. The one object a pointer read creates is
  // watched until its reading finishes; objects Boost constructs in place to
  // copy into containers are its own to clean up.
  template <class T>
  void ConstructWatched(T* object) {
    boost::serialization::access::construct(object);
    if (pointer_pending_) {
      pointer_pending_ = false;
      created_.emplace(object, Created{&typeid(T), &DestroyAndFree<T>, nullptr});
      in_progress_.push_back(InProgress{object, &typeid(T), &DestroyAndFree<T>});
      last_created_ = object;
    }
  }

  // Gives `pointer` shared ownership of `object`, just read through a
  // pointer: the first shared pointer to an object owns it, later ones share
  // that ownership. Objects are only ever read through pointers of their own
  // type (CheckPointer), so the address alone names the object; Boost's own
  // helper for this looks every object's type up by name.
  template <class T>
  void ShareOwnership(std::shared_ptr<T>& pointer, T* object) {
    if (object == nullptr) {
      pointer.reset();
      return;
    }
    const auto found = created_.find(object);
    if (found == created_.end())
      ThrowStreamError();
    std::shared_ptr<void>& owner = found->second.owner;
    if (owner) {
      pointer = std::shared_ptr<T>(owner, object);
    } else {
      pointer.reset(object);
      owner = pointer;
    }
  }

  // Hooks the base archive calls for every value it reads.
  template <class T>
  void load_override(T& t) {
    if constexpr (std::is_pointer<T>::value) {
      LoadPointer(t, [&] { base::load_override(t); });
    } else {
      base::load_override(t);
    }
  }
  // A pointer's class id; Boost indexes its class table with it.
  void load_override(boost::archive::class_id_type& id);
  // Pointers and objects read through pointers come wrapped in an nvp.
  template <class T>
  void load_override(const boost::serialization::nvp<T>& t) {
    if constexpr (std::is_pointer<T>::value) {
      LoadPointer(t.value(), [&] { base::load_override(t); });
    } else {
      base::load_override(t);
      Finished(&t.value(), typeid(T));
    }
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

  struct InProgress {
    const void* object;
    const std::type_info* type;
    void (*destroy)(void*);
  };

  template <class T>
  static void DestroyAndFree(void* object) {
    static_cast<T*>(object)->~T();
    ::operator delete(object);
  }
  // Runs `load` for the pointer `pointer`; refuses a pointer back to an
  // object still being read.
  template <class T, class Load>
  void LoadPointer(T*& pointer, const Load& load) {
    const void* const outer = last_created_;
    last_created_ = nullptr;
    pointer_pending_ = true;
    try {
      load();
      pointer_pending_ = false;
      if (pointer != nullptr)
        CheckPointer(pointer, typeid(T));
    } catch (...) {
      pointer_pending_ = false;
      DropIfOrphaned(last_created_);
      last_created_ = outer;
      throw;
    }
    last_created_ = outer;
  }
  // Destroys `object`, created by a pointer read that then failed, when its
  // reading finished and nothing owns it; an object still being read is left
  // to the destructor.
  void DropIfOrphaned(const void* object);
  // A pointer may only name a finished object of its own type that a pointer
  // read created: Boost hands back whatever object an id in the file names.
  void CheckPointer(const void* object, const std::type_info& type) const;
  void Finished(const void* object, const std::type_info& type);

  // Throws when more than the remaining bytes are announced.
  void CheckLength(uint64_t length);
  [[noreturn]] static void ThrowStreamError();

  std::istream& stream_;
  uint64_t size_;
  // Objects read through pointers whose reading has not finished, innermost last.
  std::vector<InProgress> in_progress_;
  // Every object a pointer read created, with its type and, once a shared
  // pointer took it, its owner (kept until the archive is destroyed).
  struct Created {
    const std::type_info* type;
    void (*destroy)(void*);
    std::shared_ptr<void> owner;
  };
  std::unordered_map<const void*, Created> created_;
  // The object the innermost pointer read being run created, if any.
  const void* last_created_ = nullptr;
  // Set while a pointer read has not yet constructed its object.
  bool pointer_pending_ = false;
};

// Reads a std::shared_ptr as Boost writes it, the pointer and then shared
// ownership, without Boost's shared pointer helper. Found by argument-
// dependent lookup, and preferred to Boost's load for any archive.
template <class T>
void load(CacheIArchive& archive, std::shared_ptr<T>& pointer, const unsigned int /*version*/) {
  T* object = nullptr;
  archive >> boost::serialization::make_nvp("px", object);
  archive.ShareOwnership(pointer, object);
}

// Found by argument-dependent lookup when Boost constructs an object read
// through a pointer of this archive.
template <class T>
void load_construct_data(CacheIArchive& archive, T* object, const unsigned int /*version*/) {
  archive.ConstructWatched(object);
}

}  // namespace vehicle

BOOST_SERIALIZATION_REGISTER_ARCHIVE(vehicle::CacheIArchive)
// binary_oarchive writes vectors of plain values as one block; reading them
// element by element would misread every such vector.
BOOST_SERIALIZATION_USE_ARRAY_OPTIMIZATION(vehicle::CacheIArchive)
