#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <vector>

#include <boost/container/small_vector.hpp>

#include "outside/Binary.h"
#include "util/Storage.h"

namespace vehicle {

// Told before and after every write into an AxisByteData it is registered
// with. Both notifications default to doing nothing.
class IAxisByteDataEventHandler {
 public:
  virtual ~IAxisByteDataEventHandler() = default;
  // The buffer still holds the old bytes.
  virtual void OnAxisByteDataChanging() {}
  // The buffer holds the new bytes.
  virtual void OnAxisByteDataChanged() {}
};

class IAxisByteDataEventDispatcher {
 public:
  virtual ~IAxisByteDataEventDispatcher() = default;
  virtual void OnAxisByteDataChanging() = 0;
  virtual void OnAxisByteDataChanged() = 0;
};

// Passes each notification to every registered handler, in ascending order
// of their addresses. Handlers are not owned; each is held at most once.
// A handler must not register or unregister anyone while it is being told.
class AxisByteDataEventDispatcher : public IAxisByteDataEventDispatcher {
 public:
  // Inline: every cell write tells its handlers through these.
  void OnAxisByteDataChanging() override {
    for (IAxisByteDataEventHandler* handler : handlers_)
      handler->OnAxisByteDataChanging();
  }
  void OnAxisByteDataChanged() override {
    for (IAxisByteDataEventHandler* handler : handlers_)
      handler->OnAxisByteDataChanged();
  }

  void Register(IAxisByteDataEventHandler& handler);
  void Unregister(IAxisByteDataEventHandler& handler);
  bool IsRegistered(const IAxisByteDataEventHandler& handler) const;
  size_t GetHandlerCount() const { return handlers_.size(); }

 private:
  // Sorted. A buffer has one handler or a few, and is told on every cell
  // write: an array is walked faster than a tree, and the usual single
  // handler is held inline, so a build allocates nothing per buffer here.
  boost::container::small_vector<IAxisByteDataEventHandler*, 1> handlers_;
};

// The raw bytes of one axis cut out of a ROM image, shared by every AxisData
// that reads the same bytes. The buffer knows nothing of widths, byte order
// or masks: callers pass them. Every write tells the registered handlers
// before and after it happens (even when the bytes do not change); reads and
// Resize tell no one.
//
// No operation reads or writes outside the buffer: offsets and widths that do
// not fit are refused (reads give empty values, writes write nothing).
class AxisByteData {
 public:
  AxisByteData() = default;
  // Copies the bytes only; the copy starts without handlers.
  AxisByteData(const AxisByteData& other);
  // Replaces the bytes; this buffer's handlers stay and are not told.
  AxisByteData& operator=(const AxisByteData& other);

  bool IsEmpty() const { return bytes_.empty(); }
  unsigned int GetSize() const { return static_cast<unsigned int>(bytes_.size()); }
  const std::vector<unsigned char>& GetBytes() const { return bytes_; }

  // Grows (with zero bytes) or truncates to `n` bytes. Tells no one.
  void Resize(unsigned int n) { bytes_.resize(n); }

  // Replaces the bytes with the `n` bytes at `bytes` (the size becomes `n`).
  // Tells no one: this fills a buffer, it does not edit one.
  void Assign(const unsigned char* bytes, size_t n) { bytes_.assign(bytes, bytes + n); }

  // Same size and same bytes.
  bool Equals(const std::vector<unsigned char>& other) const { return bytes_ == other; }

  // Copies `bytes` over the start of the buffer; what does not fit is
  // dropped (the buffer never changes size here).
  void SetBytes(const std::vector<unsigned char>& bytes);

  // Bytes [offset, offset + width) tagged with `endian`. Empty and tagged
  // ENDIAN_INVALID when the buffer is empty or the range does not fit.
  util::Binary GetBinary(unsigned int offset, unsigned int width, util::e_endian endian) const;

  // One value of `width` bytes at every multiple of `stride` while it fits;
  // the bytes between values are skipped. Empty when the width or stride is
  // 0 or larger than the buffer.
  std::list<util::Binary> GetBinaries(unsigned int width, unsigned int stride,
                                      util::e_endian endian) const;

  // Copies the value's bytes to `offset`. An empty value, or one that does
  // not fit, writes nothing and tells no one.
  void SetBinary(const util::Binary& value, unsigned int offset);
  // Tells the handlers, calls `write` with the address of bytes
  // [offset, offset + length), which it may change, and tells them again.
  // A range that does not fit calls nothing and tells no one. Inline, being
  // the write of every cell edit.
  template <class Write>
  void WriteAt(unsigned int offset, unsigned int length, Write&& write) {
    if (length == 0 || !AxisByteData::Fits(offset, length, bytes_.size()))
      return;
    dispatcher_.OnAxisByteDataChanging();
    write(bytes_.data() + offset);
    dispatcher_.OnAxisByteDataChanged();
  }

  // Copies each value (its own length) to successive multiples of `stride`;
  // an empty value leaves its slot alone, and bytes between slots are never
  // written. Values that do not fit are dropped. An empty list, or a stride of
  // 0, tells no one. `width` is not consulted.
  void SetBinaries(const std::list<util::Binary>& values, unsigned int width, unsigned int stride);

  // [offset, offset + length) lies inside `size` bytes, computed without
  // wrap-around.
  static bool Fits(uint64_t offset, uint64_t length, uint64_t size) {
    return offset <= size && length <= size - offset;
  }

  // Registering the same handler again has no effect.
  void RegisterAxisByteDataEventListener(IAxisByteDataEventHandler& handler);
  // A handler that is not registered is ignored.
  void UnregisterAxisByteDataEventListener(IAxisByteDataEventHandler& handler);
  size_t GetListenerCount() const { return dispatcher_.GetHandlerCount(); }
  bool IsListenerRegistered(const IAxisByteDataEventHandler& handler) const {
    return dispatcher_.IsRegistered(handler);
  }

 private:
  std::vector<unsigned char> bytes_;
  AxisByteDataEventDispatcher dispatcher_;
};

}  // namespace vehicle
