#pragma once

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "util/Prefetch.h"

namespace util {

// A chained hash map whose iteration order is fixed: buckets in ascending
// index order, and within a bucket the order of insertion. std::unordered_map
// promises no order at all, yet callers rely on "the first" element of a
// store, so the order has to be part of the container.
//
// References to stored values stay valid until their element is erased
// (nodes are never moved, only relinked on rehash).
//
// Nodes come from blocks the map owns, each twice the size of the one
// before: a store of thousands of objects makes a few dozen allocations
// instead of one per element, keeps its nodes close together for walks and
// lookups, and releases them at once. An erased node's place is reused.
template <class K, class V, class H>
class BucketMap {
 public:
  using key_type = K;
  using mapped_type = V;
  using value_type = std::pair<const K, V>;
  using size_type = std::size_t;

 private:
  struct Node {
    template <class... Args>
    explicit Node(Args&&... args) : value(std::forward<Args>(args)...) {}
    value_type value;
    Node* next = nullptr;
  };
  using Buckets = std::vector<Node*>;
  // The place of an erased node, until a new node takes it.
  struct FreePlace {
    FreePlace* next;
  };
  // A block of node places, each block allocated with its places after it.
  struct Block {
    Block* previous;
    std::size_t size;
  };
  static constexpr std::size_t kPlacesOffset =
      (sizeof(Block) + alignof(Node) - 1) / alignof(Node) * alignof(Node);
  static_assert(alignof(Node) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__, "nodes need more alignment");

  template <bool Const>
  class Iter {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = BucketMap::value_type;
    using difference_type = std::ptrdiff_t;
    using pointer = std::conditional_t<Const, const value_type*, value_type*>;
    using reference = std::conditional_t<Const, const value_type&, value_type&>;

    Iter() = default;
    // An iterator converts to a const_iterator, never the other way round.
    template <bool C = Const, class = std::enable_if_t<C>>
    Iter(const Iter<false>& other)
        : buckets_(other.buckets_), index_(other.index_), node_(other.node_) {}

    reference operator*() const { return node_->value; }
    pointer operator->() const { return &node_->value; }
    Iter& operator++() {
      node_ = node_->next;
      if (node_ == nullptr)
        SkipEmpty(index_ + 1);
      return *this;
    }
    Iter operator++(int) {
      Iter old = *this;
      ++*this;
      return old;
    }
    friend bool operator==(const Iter& a, const Iter& b) { return a.node_ == b.node_; }
    friend bool operator!=(const Iter& a, const Iter& b) { return a.node_ != b.node_; }

   private:
    friend class BucketMap;
    template <bool>
    friend class Iter;
    Iter(const Buckets* buckets, size_type index, Node* node)
        : buckets_(buckets), index_(index), node_(node) {}
    void SkipEmpty(size_type from) {
      node_ = nullptr;
      for (index_ = from; index_ < buckets_->size(); ++index_) {
        if ((*buckets_)[index_] != nullptr) {
          node_ = (*buckets_)[index_];
          return;
        }
      }
    }
    const Buckets* buckets_ = nullptr;
    size_type index_ = 0;
    Node* node_ = nullptr;
  };

 public:
  using iterator = Iter<false>;
  using const_iterator = Iter<true>;

  BucketMap() = default;
  BucketMap(BucketMap&& other) noexcept { TakeFrom(other); }
  BucketMap& operator=(BucketMap&& other) noexcept {
    if (this != &other) {
      clear();
      TakeFrom(other);
    }
    return *this;
  }
  BucketMap(const BucketMap& other) { CopyFrom(other); }
  BucketMap& operator=(const BucketMap& other) {
    if (this != &other) {
      clear();
      CopyFrom(other);
    }
    return *this;
  }
  ~BucketMap() { clear(); }

  iterator begin() { return MakeBegin<iterator>(); }
  iterator end() { return iterator(&buckets_, buckets_.size(), nullptr); }
  const_iterator begin() const { return MakeBegin<const_iterator>(); }
  const_iterator end() const { return const_iterator(&buckets_, buckets_.size(), nullptr); }
  const_iterator cbegin() const { return begin(); }
  const_iterator cend() const { return end(); }

  size_type size() const { return size_; }
  bool empty() const { return size_ == 0; }
  size_type bucket_count() const { return buckets_.size(); }

  iterator find(const K& key) {
    if (buckets_.empty())
      return end();
    return FindIn(BucketOf(key), key);
  }
  const_iterator find(const K& key) const { return const_cast<BucketMap*>(this)->find(key); }
  size_type count(const K& key) const { return find(key) == end() ? 0 : 1; }

  // Inserts when the key is absent; returns the element and whether it is new.
  template <class VV>
  std::pair<iterator, bool> insert_or_keep(const K& key, VV&& value) {
    const size_type hash = H()(key);
    if (!buckets_.empty()) {
      iterator it = FindIn(hash % buckets_.size(), key);
      if (it != end())
        return {it, false};
    }
    return {Append(hash, key, std::forward<VV>(value)), true};
  }
  std::pair<iterator, bool> insert(const value_type& kv) {
    return insert_or_keep(kv.first, kv.second);
  }
  template <class VV>
  std::pair<iterator, bool> emplace(const K& key, VV&& value) {
    return insert_or_keep(key, std::forward<VV>(value));
  }

  V& operator[](const K& key) { return insert_or_keep(key, V()).first->second; }
  V& at(const K& key);
  const V& at(const K& key) const;

  size_type erase(const K& key) {
    if (buckets_.empty())
      return 0;
    Node** link = &buckets_[BucketOf(key)];
    while (*link != nullptr) {
      if ((*link)->value.first == key) {
        Node* doomed = *link;
        *link = doomed->next;
        --size_;
        Release(doomed);
        return 1;
      }
      link = &(*link)->next;
    }
    return 0;
  }
  // Erases the element at pos and returns the iterator after it.
  iterator erase(const_iterator pos) {
    iterator next(&buckets_, pos.index_, pos.node_);
    ++next;
    erase(pos->first);
    // The successor node was not touched; only its predecessor link changed.
    return next;
  }

  void clear() {
    // Destroying a value reaches the object it owns; a cursor a few nodes
    // ahead asks for those objects before their turn.
    iterator ahead = begin();
    for (size_type i = 0; i < kPrefetchAhead && ahead != end(); ++i, ++ahead)
      PrefetchOwned(ahead->second);
    for (iterator it = begin(); it != end();) {
      Node* doomed = it.node_;
      ++it;
      if (ahead != end()) {
        PrefetchOwned(ahead->second);
        ++ahead;
      }
      doomed->~Node();
    }
    buckets_.clear();
    size_ = 0;
    ReleaseBlocks();
  }

 private:
  template <class It>
  It MakeBegin() const {
    It it(&buckets_, 0, nullptr);
    it.SkipEmpty(0);
    return it;
  }

  size_type BucketOf(const K& key) const { return H()(key) % buckets_.size(); }

  iterator FindIn(size_type index, const K& key) {
    for (Node* n = buckets_[index]; n != nullptr; n = n->next) {
      if (n->value.first == key)
        return iterator(&buckets_, index, n);
    }
    return end();
  }

  // Appends a node for a key known to be absent; `hash` is H()(key).
  template <class VV>
  iterator Append(size_type hash, const K& key, VV&& value) {
    if (size_ + 1 > buckets_.size())
      Rehash(NextBucketCount(size_ + 1));
    size_type index = hash % buckets_.size();
    Node** link = &buckets_[index];
    while (*link != nullptr)
      link = &(*link)->next;
    *link = Make(key, std::forward<VV>(value));
    ++size_;
    return iterator(&buckets_, index, *link);
  }

  // A node built in a free place, or in the next place of the last block.
  template <class VV>
  Node* Make(const K& key, VV&& value) {
    void* place = free_;
    if (free_ != nullptr) {
      free_ = free_->next;
    } else {
      if (last_block_ == nullptr || block_used_ == last_block_->size)
        AddBlock();
      place = reinterpret_cast<char*>(last_block_) + kPlacesOffset + block_used_++ * sizeof(Node);
    }
    try {
      return new (place) Node(key, std::forward<VV>(value));
    } catch (...) {
      free_ = new (place) FreePlace{free_};
      throw;
    }
  }

  void Release(Node* node) {
    node->~Node();
    free_ = new (static_cast<void*>(node)) FreePlace{free_};
  }

  void AddBlock() {
    const size_type size =
        last_block_ == nullptr ? 1 : std::min<size_type>(2 * last_block_->size, kMaxBlockNodes);
    void* raw = ::operator new(kPlacesOffset + size * sizeof(Node));
    last_block_ = new (raw) Block{last_block_, size};
    block_used_ = 0;
  }

  void ReleaseBlocks() {
    while (last_block_ != nullptr) {
      Block* previous = last_block_->previous;
      ::operator delete(static_cast<void*>(last_block_));
      last_block_ = previous;
    }
    block_used_ = 0;
    free_ = nullptr;
  }

  void TakeFrom(BucketMap& other) noexcept {
    buckets_ = std::move(other.buckets_);
    other.buckets_.clear();
    size_ = std::exchange(other.size_, 0);
    last_block_ = std::exchange(other.last_block_, nullptr);
    block_used_ = std::exchange(other.block_used_, 0);
    free_ = std::exchange(other.free_, nullptr);
  }

  static size_type NextBucketCount(size_type wanted) {
    static const size_type kPrimes[] = {
        13,       29,       59,        127,       257,       521,       1031,
        2053,     4099,     8209,      16411,     32771,     65537,     131101,
        262147,   524309,   1048583,   2097169,   4194319,   8388617,   16777259,
        33554467, 67108879, 134217757, 268435459, 536870923, 1073741827};
    for (size_type p : kPrimes) {
      if (p >= wanted)
        return p;
    }
    return wanted | 1;
  }

  // Relinks every node into a table of the new size, keeping the relative
  // order of nodes that land in the same bucket.
  void Rehash(size_type count) {
    Buckets fresh(count, nullptr);
    std::vector<Node**> tails(count);
    for (size_type i = 0; i < count; ++i)
      tails[i] = &fresh[i];
    for (Node* head : buckets_) {
      while (head != nullptr) {
        Node* n = head;
        head = n->next;
        n->next = nullptr;
        size_type index = H()(n->value.first) % count;
        *tails[index] = n;
        tails[index] = &n->next;
      }
    }
    buckets_ = std::move(fresh);
  }

  // Same bucket count, same per-bucket order: a copy iterates like the original.
  void CopyFrom(const BucketMap& other) {
    if (other.buckets_.empty())
      return;
    Rehash(other.buckets_.size());
    for (const auto& kv : other)
      Append(H()(kv.first), kv.first, kv.second);
  }

  // Blocks stop growing here: beyond it a bigger block saves nothing.
  static constexpr size_type kMaxBlockNodes = 1024;
  Buckets buckets_;
  size_type size_ = 0;
  Block* last_block_ = nullptr;
  size_type block_used_ = 0;   // places handed out from the last block
  FreePlace* free_ = nullptr;  // places of erased nodes
};

}  // namespace util

#include "util/KeyErrors.h"

namespace util {

template <class K, class V, class H>
V& BucketMap<K, V, H>::at(const K& key) {
  iterator it = find(key);
  if (it == end())
    throw key_notfound_error();
  return it->second;
}

template <class K, class V, class H>
const V& BucketMap<K, V, H>::at(const K& key) const {
  const_iterator it = find(key);
  if (it == end())
    throw key_notfound_error();
  return it->second;
}

}  // namespace util
