#pragma once

#include <cstddef>
#include <memory>

namespace util {

// Walks over a loaded definition chase pointers from store nodes to objects
// spread over the heap; each object reached is a likely cache miss. Asking
// for the memory of the object a few steps ahead lets those misses overlap
// with the work on the current one. A hint only: it changes no result.
inline void Prefetch(const void* address) {
#if defined(__GNUC__)
  __builtin_prefetch(address);
#else
  (void)address;
#endif
}

// The object a stored value owns; values that own none have nothing to ask for.
template <class T>
void PrefetchOwned(const T& /*value*/) {}
template <class T>
void PrefetchOwned(const std::shared_ptr<T>& value) {
  Prefetch(value.get());
}

// How many steps ahead a walk asks for memory.
constexpr std::size_t kPrefetchAhead = 4;

}  // namespace util
