#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace util {

// A set of pointers filled during one walk and dropped after it: open
// addressing in one array, so that adding an element allocates nothing
// once the set is sized, where a node-based set allocates for each. Null is
// never held.
class PointerSet {
 public:
  // Sized for `expected` elements; more are fine (the array doubles).
  explicit PointerSet(size_t expected) { Reset(expected < 8 ? 16 : 2 * Power(expected)); }

  // True when `p` is new to the set (and now held); false for null.
  bool Insert(const void* p) {
    if (p == nullptr)
      return false;
    if (2 * (size_ + 1) > slots_.size())
      Grow();
    return Place(p);
  }

  size_t size() const { return size_; }

 private:
  static size_t Power(size_t n) {
    size_t power = 1;
    while (power < n)
      power <<= 1;
    return power;
  }

  void Reset(size_t slots) {
    slots_.assign(slots, nullptr);
    shift_ = 64;
    for (size_t s = slots; s > 1; s >>= 1)
      --shift_;
    size_ = 0;
  }

  bool Place(const void* p) {
    // Fibonacci hashing: the multiply spreads the aligned low bits.
    size_t i =
        static_cast<size_t>((reinterpret_cast<uintptr_t>(p) * 0x9E3779B97F4A7C15ull) >> shift_);
    const size_t mask = slots_.size() - 1;
    for (;; i = (i + 1) & mask) {
      if (slots_[i] == p)
        return false;
      if (slots_[i] == nullptr) {
        slots_[i] = p;
        ++size_;
        return true;
      }
    }
  }

  void Grow() {
    std::vector<const void*> old;
    old.swap(slots_);
    Reset(2 * old.size());
    for (const void* p : old) {
      if (p != nullptr)
        Place(p);
    }
  }

  std::vector<const void*> slots_;
  unsigned shift_ = 64;
  size_t size_ = 0;
};

}  // namespace util
