#pragma once

// Which definition item owns which bytes of a ROM image, so that byte
// differences can be told to a tuner as "Fuel Map A" rather than an offset.

#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace vehicle {
class Toggle;
class Vehicle;
class VehicleData;
}  // namespace vehicle

namespace ecucal_cli {

// Bytes [begin, end) of an image.
struct ByteRange {
  uint64_t begin = 0;
  uint64_t end = 0;
  uint64_t size() const { return end - begin; }
};

// "0x00010100-0x000101FF (256 bytes)".
std::string RangeText(const ByteRange& range);
nlohmann::json RangeJson(const ByteRange& range);

// The runs of bytes that differ between two images of equal size.
std::vector<ByteRange> DifferingRanges(const std::vector<uint8_t>& a,
                                       const std::vector<uint8_t>& b);

// One run of bytes a definition item reads or writes.
struct Owner {
  enum Kind { kTable, kMirror, kToggle, kRomInfo };
  Kind kind = kTable;
  std::string id;      // table, toggle or ROM information item
  std::string detail;  // "axis z", "copy 2 of axis z", "segment 1", ...
  ByteRange bytes;
  bool dtc = false;  // a trouble-code toggle
};

class RomMap {
 public:
  // Every table (also those set aside as restricted) and XML toggle of the
  // definition, and the ROM information items read from the image.
  explicit RomMap(const vehicle::Vehicle& vehicle);

  // Adds the trouble-code toggles a build found.
  void AddToggles(const vehicle::VehicleData& data);

  const std::vector<Owner>& owners() const { return owners_; }
  // The owners overlapping `range`, in the order they were added.
  std::vector<const Owner*> OwnersOf(const ByteRange& range) const;
  // The parts of `range` no owner covers.
  std::vector<ByteRange> Unowned(const ByteRange& range) const;
  // End of the furthest item, and the item.
  const Owner* Furthest() const;

 private:
  void AddTables(const vehicle::Vehicle& vehicle);
  void AddRomInfo(const vehicle::Vehicle& vehicle);
  void AddToggle(const vehicle::Toggle& toggle, bool dtc);

  std::vector<Owner> owners_;
};

}  // namespace ecucal_cli
