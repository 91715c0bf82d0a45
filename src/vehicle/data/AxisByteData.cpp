#include "vehicle/data/AxisByteData.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>

namespace vehicle {

namespace {

// A total order on handlers, which `<` on unrelated pointers does not give.
using Before = std::less<IAxisByteDataEventHandler*>;

}  // namespace

void AxisByteDataEventDispatcher::Register(IAxisByteDataEventHandler& handler) {
  auto at = std::lower_bound(handlers_.begin(), handlers_.end(), &handler, Before());
  if (at == handlers_.end() || *at != &handler)
    handlers_.insert(at, &handler);
}

void AxisByteDataEventDispatcher::Unregister(IAxisByteDataEventHandler& handler) {
  auto at = std::lower_bound(handlers_.begin(), handlers_.end(), &handler, Before());
  if (at != handlers_.end() && *at == &handler)
    handlers_.erase(at);
}

bool AxisByteDataEventDispatcher::IsRegistered(const IAxisByteDataEventHandler& handler) const {
  auto* wanted = const_cast<IAxisByteDataEventHandler*>(&handler);
  return std::binary_search(handlers_.begin(), handlers_.end(), wanted, Before());
}

AxisByteData::AxisByteData(const AxisByteData& other) : bytes_(other.bytes_) {}

AxisByteData& AxisByteData::operator=(const AxisByteData& other) {
  if (this != &other)
    bytes_ = other.bytes_;
  return *this;
}

void AxisByteData::SetBytes(const std::vector<unsigned char>& bytes) {
  dispatcher_.OnAxisByteDataChanging();
  std::copy_n(bytes.begin(), std::min(bytes.size(), bytes_.size()), bytes_.begin());
  dispatcher_.OnAxisByteDataChanged();
}

util::Binary AxisByteData::GetBinary(unsigned int offset, unsigned int width,
                                     util::e_endian endian) const {
  if (bytes_.empty() || !AxisByteData::Fits(offset, width, bytes_.size()))
    return util::Binary();
  return util::Binary(
      std::vector<uint8_t>(bytes_.begin() + offset, bytes_.begin() + offset + width), endian);
}

std::list<util::Binary> AxisByteData::GetBinaries(unsigned int width, unsigned int stride,
                                                  util::e_endian endian) const {
  std::list<util::Binary> values;
  const uint64_t size = bytes_.size();
  if (width == 0 || stride == 0 || stride > size || width > size)
    return values;
  for (uint64_t position = 0; position + width <= size; position += stride) {
    values.emplace_back(
        std::vector<uint8_t>(bytes_.begin() + position, bytes_.begin() + position + width), endian);
  }
  return values;
}

void AxisByteData::SetBinary(const util::Binary& value, unsigned int offset) {
  if (value.IsEmpty() || !AxisByteData::Fits(offset, value.Size(), bytes_.size()))
    return;
  dispatcher_.OnAxisByteDataChanging();
  std::memcpy(bytes_.data() + offset, value.bytes.data(), value.Size());
  dispatcher_.OnAxisByteDataChanged();
}

void AxisByteData::SetBinaries(const std::list<util::Binary>& values, unsigned int /*width*/,
                               unsigned int stride) {
  if (values.empty() || stride == 0)
    return;
  dispatcher_.OnAxisByteDataChanging();
  uint64_t position = 0;
  for (const util::Binary& value : values) {
    if (position >= bytes_.size())
      break;
    if (!value.IsEmpty() && AxisByteData::Fits(position, value.Size(), bytes_.size()))
      std::memcpy(bytes_.data() + position, value.bytes.data(), value.Size());
    position += stride;
  }
  dispatcher_.OnAxisByteDataChanged();
}

void AxisByteData::RegisterAxisByteDataEventListener(IAxisByteDataEventHandler& handler) {
  dispatcher_.Register(handler);
}

void AxisByteData::UnregisterAxisByteDataEventListener(IAxisByteDataEventHandler& handler) {
  dispatcher_.Unregister(handler);
}

}  // namespace vehicle
