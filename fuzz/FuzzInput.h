#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace fuzz {

// Takes typed values off the front of a fuzzer input. Reads past the end
// give zeros, so every input, however short, drives a whole run.
class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  size_t Remaining() const { return size_ - pos_; }

  uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  bool Bool() { return (Byte() & 1) != 0; }

  uint32_t U32() {
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
      value = (value << 8) | Byte();
    return value;
  }

  uint64_t U64() {
    const uint64_t high = U32();
    return (high << 32) | U32();
  }

  // Any bit pattern, NaN and infinities included.
  double Double() {
    const uint64_t bits = U64();
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
  }

  // Mostly small plain numbers, sometimes an arbitrary bit pattern, so both
  // ordinary arithmetic and the special values get exercised.
  double InterestingDouble() {
    switch (Byte() % 4) {
      case 0:
        return static_cast<int8_t>(Byte());
      case 1:
        return static_cast<int32_t>(U32()) / 256.0;
      case 2:
        return Double();
      default:
        return static_cast<double>(static_cast<int32_t>(U32()));
    }
  }

  // `count` bytes, fewer when the input runs out.
  std::vector<uint8_t> Bytes(size_t count) {
    const size_t take = count < Remaining() ? count : Remaining();
    std::vector<uint8_t> out(data_ + pos_, data_ + pos_ + take);
    pos_ += take;
    return out;
  }

  // Text up to the next `delimiter` (consumed) or the end of the input.
  std::string Text(char delimiter) {
    std::string out;
    while (pos_ < size_) {
      const char c = static_cast<char>(data_[pos_++]);
      if (c == delimiter)
        break;
      out += c;
    }
    return out;
  }

  std::vector<uint8_t> Rest() { return Bytes(Remaining()); }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

}  // namespace fuzz
