#include "RomImageGenerator.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>

#include "outside/Binary.h"
#include "outside/Parser.h"
#include "util/XmlRead.h"
#include "vehicle/definition/Axis.h"
#include "vehicle/definition/Conv.h"
#include "vehicle/definition/Table.h"
#include "vehicle/definition/XMLToggle.h"
#include "vehicle/loading/Vehicle.h"

namespace bench {
namespace {

constexpr uint8_t kPadFill = 0xEE;
constexpr uint32_t kMaskFill = 0xA5A5A5A5u;
const char* const kFamily = "SUBARU_HITACHI_DTC_PARSER";

// The image being written and which item owns each byte, so that two items
// never claim one byte.
class Layout {
 public:
  explicit Layout(size_t bytes) : image_(bytes), owners_(bytes, 0), names_(1) {
    for (size_t i = 0; i < bytes; ++i)
      image_[i] = RomFill(i);
  }

  unsigned NewItem(std::string name) {
    names_.push_back(std::move(name));
    return static_cast<unsigned>(names_.size() - 1);
  }

  void Put(uint64_t offset, const uint8_t* data, size_t length, unsigned item) {
    if (offset > image_.size() || length > image_.size() - offset)
      throw std::invalid_argument(names_[item] + " does not fit the image");
    for (size_t i = 0; i < length; ++i) {
      unsigned& owner = owners_[offset + i];
      if (owner != 0 && owner != item)
        throw std::invalid_argument(names_[item] + " overlaps " + names_[owner]);
      owner = item;
      image_[offset + i] = data[i];
    }
  }

  const std::vector<uint8_t>& Image() const { return image_; }
  std::vector<uint8_t>& Image() { return image_; }

 private:
  std::vector<uint8_t> image_;
  std::vector<unsigned> owners_;
  std::vector<std::string> names_;
};

// An axis's bytes as the library holds them (element i at i times the
// stride) and the values they stand for.
struct AxisBytes {
  std::vector<uint8_t> buffer;
  std::vector<double> values;
  uint32_t stride = 0;
};

bool InRom(const vehicle::Axis& axis) {
  if (axis.IsLabels() || axis.IsCalculated())
    return false;
  if (!axis.GetRomOffsets().empty())
    return true;
  const auto& runs = axis.GetDataOffsets();
  return !runs.empty() && std::all_of(runs.begin(), runs.end(), [](const auto& run) {
    return run.rom_offset != vehicle::Axis::NOT_SET;
  });
}

uint32_t WidthMask(uint32_t width) {
  return width >= 4 ? 0xFFFFFFFFu : (1u << (8 * width)) - 1;
}

bool BigEndian(const vehicle::Axis& axis) {
  return axis.GetEndian() != util::ENDIAN_LITTLE;
}

uint32_t ReadRaw(const uint8_t* bytes, uint32_t width, bool big) {
  uint32_t raw = 0;
  for (uint32_t i = 0; i < width; ++i)
    raw |= static_cast<uint32_t>(bytes[i]) << (8 * (big ? width - 1 - i : i));
  return raw;
}

void WriteRaw(uint32_t raw, uint8_t* bytes, uint32_t width, bool big) {
  for (uint32_t i = 0; i < width; ++i)
    bytes[i] = static_cast<uint8_t>(raw >> (8 * (big ? width - 1 - i : i)));
}

// The engineering range values are drawn from; the data type's when the
// axis gives none.
std::pair<double, double> Range(const vehicle::Axis& axis) {
  double lo = axis.GetMin(), hi = axis.GetMax();
  if (!std::isfinite(lo) || !std::isfinite(hi) || lo < -1e37 || hi < -1e37)
    return {0.0, 100.0};
  return {std::min(lo, hi), std::max(lo, hi)};
}

// Breakpoints rise across the range; a value grid is a smooth surface over
// its cells, rising with x, y and depth.
std::vector<double> PlausibleValues(const vehicle::Axis& axis) {
  const auto [lo, hi] = Range(axis);
  const uint32_t count = axis.GetCount();
  std::vector<double> values(count);
  if (axis.GetAxisType() != vehicle::AXIS_Z) {
    for (uint32_t i = 0; i < count; ++i)
      values[i] = lo + (hi - lo) * (0.05 + 0.9 * i / std::max(1u, count - 1));
    return values;
  }
  const auto& d = axis.GetDimensions();
  const uint32_t nx = std::max(1u, d.x), ny = std::max(1u, d.y), nd = std::max(1u, d.z);
  const auto part = [](uint32_t at, uint32_t n) { return n > 1 ? double(at) / (n - 1) : 0.0; };
  for (uint32_t i = 0; i < count; ++i) {
    const double f = 0.2 + 0.4 * part(i % nx, nx) + 0.25 * part(i / nx % ny, ny) +
                     0.1 * part(i / nx / ny % nd, nd);
    values[i] = lo + (hi - lo) * f;
  }
  return values;
}

// Encodes `values` the way the library stores them and decodes them back.
// With `filled` the unmasked bits and the padding hold fillers; without it
// they stay zero, as the library's own conversion of values to bytes leaves
// them.
AxisBytes Encode(const vehicle::Axis& axis, const std::vector<double>& values, bool filled) {
  const auto conv = vehicle::GetConv(axis.GetDataType());
  const uint32_t width = axis.GetElementSize();
  const bool packed = axis.GetRomOffsets().empty();  // runs hold no padding
  AxisBytes out;
  out.stride = packed ? width : axis.GetElementStride();
  out.buffer.assign(size_t{values.size()} * out.stride, filled ? kPadFill : 0);
  const uint32_t mask = axis.GetBitMask() & WidthMask(width);
  const bool big = BigEndian(axis);
  for (size_t i = 0; i < values.size(); ++i) {
    util::Binary bin({}, big ? util::ENDIAN_BIG : util::ENDIAN_LITTLE);
    try {
      conv->ToBin(values[i], bin);
    } catch (const std::exception&) {
      bin.bytes.assign(width, 0);  // an expression that cannot take the value: raw 0
    }
    bin.bytes.resize(width);
    uint32_t raw = ReadRaw(bin.bytes.data(), width, big) & mask;
    if (filled)
      raw |= kMaskFill & ~mask & WidthMask(width);
    uint8_t* at = &out.buffer[i * out.stride];
    WriteRaw(raw, at, width, big);
    util::Binary stored({at, at + width}, big ? util::ENDIAN_BIG : util::ENDIAN_LITTLE);
    WriteRaw(raw & mask, stored.bytes.data(), width, big);
    out.values.push_back(conv->ToDouble(stored));
  }
  return out;
}

// Image element n of a column-first grid holds buffer element Walk()[n].
std::vector<uint32_t> VerticalWalk(const vehicle::Axis& axis) {
  const auto& d = axis.GetDimensions();
  const uint32_t nx = std::max(1u, d.x), ny = std::max(1u, d.y), nd = std::max(1u, d.z);
  std::vector<uint32_t> walk;
  walk.reserve(size_t{nx} * ny * nd);
  for (uint32_t depth = 0; depth < nd; ++depth)
    for (uint32_t x = 0; x < nx; ++x)
      for (uint32_t y = 0; y < ny; ++y)
        walk.push_back(x + nx * (y + ny * depth));
  return walk;
}

void Place(Layout& layout, const vehicle::Axis& axis, const AxisBytes& bytes, unsigned item) {
  const uint32_t width = axis.GetElementSize();
  if (!axis.GetRomOffsets().empty()) {
    const bool vertical = axis.GetLayout() == vehicle::LAYOUT_VERTICAL;
    if (vertical && bytes.stride != width)
      throw std::invalid_argument("axis " + axis.GetObjId() + " is padded and column-first");
    const std::vector<uint32_t> walk = vertical ? VerticalWalk(axis) : std::vector<uint32_t>();
    if (vertical && walk.size() * width != bytes.buffer.size())
      throw std::invalid_argument("axis " + axis.GetObjId() + " does not match its dimensions");
    for (uint32_t offset : axis.GetRomOffsets()) {
      if (!vertical) {
        layout.Put(offset, bytes.buffer.data(), bytes.buffer.size(), item);
        continue;
      }
      for (size_t n = 0; n < walk.size(); ++n)
        layout.Put(offset + uint64_t{n} * width, &bytes.buffer[size_t{walk[n]} * width], width,
                   item);
    }
    return;
  }
  size_t position = 0;
  for (const auto& run : axis.GetDataOffsets()) {
    const size_t length = size_t{run.count} * width;
    if (position + length > bytes.buffer.size())
      throw std::invalid_argument("axis " + axis.GetObjId() + " has runs past its count");
    layout.Put(run.rom_offset, &bytes.buffer[position], length, item);
    position += length;
  }
}

class Writer {
 public:
  Writer(const vehicle::Vehicle& vehicle, size_t bytes) : vehicle_(vehicle), layout_(bytes) {}

  RomImages Write() {
    WriteTables();
    WriteToggles();
    WriteTroubleCodes();
    out_.rom = layout_.Image();
    out_.second = out_.rom;
    for (const auto& [offset, bytes] : second_only_)
      std::copy(bytes.begin(), bytes.end(), out_.second.begin() + offset);
    return std::move(out_);
  }

 private:
  void WriteTables();
  bool WriteTable(const vehicle::Table& table);
  void WriteToggles();
  void WriteTroubleCodes();

  const vehicle::Vehicle& vehicle_;
  Layout layout_;
  RomImages out_;
  std::map<std::string, AxisBytes> written_;  // by data signature
  std::vector<std::pair<size_t, std::vector<uint8_t>>> second_only_;
};

// Masters first, then slaves whose master is written, until none is left.
void Writer::WriteTables() {
  std::vector<const vehicle::Table*> pending;
  for (const auto& [id, table] : vehicle_.GetTables())
    pending.push_back(table.get());
  std::sort(pending.begin(), pending.end(),
            [](const auto* a, const auto* b) { return a->GetObjId() < b->GetObjId(); });
  while (!pending.empty()) {
    const size_t before = pending.size();
    pending.erase(std::remove_if(pending.begin(), pending.end(),
                                 [this](const auto* table) { return WriteTable(*table); }),
                  pending.end());
    if (pending.size() == before)
      throw std::invalid_argument("slave table " + pending.front()->GetObjId() +
                                  " has no master to copy");
  }
}

// False when the table is a slave whose master is not written yet.
bool Writer::WriteTable(const vehicle::Table& table) {
  const vehicle::Table* master = nullptr;
  if (table.IsSlave()) {
    const auto& tables = vehicle_.GetTables();
    if (!tables.dataExists(table.GetMasterTableId()))
      throw std::invalid_argument("slave table " + table.GetObjId() + " has no master");
    master = tables.findData(table.GetMasterTableId()).get();
    for (const auto& [role, axis] : master->GetAxes()) {
      if (axis && InRom(*axis) && written_.count(axis->GetDataSignature()) == 0)
        return false;
    }
  }
  for (const auto& [role, axis] : table.GetAxes()) {
    if (!axis || !InRom(*axis) || written_.count(axis->GetDataSignature()) != 0)
      continue;
    const std::shared_ptr<vehicle::Axis> source = master ? master->GetAxis(role) : nullptr;
    AxisBytes bytes;
    if (source && InRom(*source)) {
      const AxisBytes& from = written_.at(source->GetDataSignature());
      const std::string transform =
          role == vehicle::AXIS_Z ? table.GetTransformForMasterToSlaveDataCopy() : "";
      if (transform.empty() && source->GetDataType() == axis->GetDataType() &&
          source->GetRomOffsets().empty() == axis->GetRomOffsets().empty() &&
          source->GetElementStride() == axis->GetElementStride()) {
        bytes = from;  // the same storage: the same bytes
      } else if (transform.empty()) {
        bytes = Encode(*axis, from.values, true);
      } else {
        Parser parser(transform);
        std::vector<double> values;
        for (double value : from.values) {
          parser.Symbols()["x"] = value;
          values.push_back(parser.Evaluate());
        }
        bytes = Encode(*axis, values, false);
      }
    } else {
      bytes = Encode(*axis, PlausibleValues(*axis), true);
    }
    if (bytes.values.size() != axis->GetCount())
      throw std::invalid_argument("axis " + axis->GetObjId() + " differs from its master");
    Place(layout_, *axis, bytes, layout_.NewItem("axis " + axis->GetObjId()));
    written_.emplace(axis->GetDataSignature(), std::move(bytes));
    ++out_.axis_ranges;
  }
  return true;
}

bool Matches(const std::vector<uint8_t>& image, const vehicle::Toggle& toggle, bool enabled) {
  for (const auto& segment : toggle.GetToggleStateDefinitionSegments()) {
    const auto& values = enabled ? segment.enabled_values : segment.disabled_values;
    for (size_t i = 0; i < values.size(); ++i) {
      const uint8_t mask = segment.use_mask ? segment.mask_values[i] : 0xFF;
      if ((values[i] & mask) != (image[segment.rom_offset + i] & mask))
        return false;
    }
  }
  return true;
}

void Writer::WriteToggles() {
  std::vector<const vehicle::XMLToggle*> toggles;
  for (const auto& [id, toggle] : vehicle_.GetXMLToggles())
    toggles.push_back(toggle.get());
  std::sort(toggles.begin(), toggles.end(),
            [](const auto* a, const auto* b) { return a->GetID() < b->GetID(); });
  for (size_t n = 0; n < toggles.size(); ++n) {
    const vehicle::XMLToggle& toggle = *toggles[n];
    const bool enabled = n % 3 != 2;
    const unsigned item = layout_.NewItem("toggle " + toggle.GetID());
    for (const auto& segment : toggle.GetToggleStateDefinitionSegments()) {
      const auto& values = enabled ? segment.enabled_values : segment.disabled_values;
      if (segment.rom_offset > layout_.Image().size() ||
          values.size() > layout_.Image().size() - segment.rom_offset)
        throw std::invalid_argument("toggle " + toggle.GetID() + " does not fit the image");
      std::vector<uint8_t> bytes(values.size());
      for (size_t i = 0; i < values.size(); ++i) {
        const uint8_t mask = segment.use_mask ? segment.mask_values[i] : 0xFF;
        const uint8_t old = layout_.Image()[segment.rom_offset + i];
        bytes[i] = static_cast<uint8_t>((old & ~mask) | (values[i] & mask));
      }
      layout_.Put(segment.rom_offset, bytes.data(), bytes.size(), item);
    }
    const std::vector<uint8_t>& image = layout_.Image();
    if (Matches(image, toggle, true) == Matches(image, toggle, false))
      throw std::invalid_argument("toggle " + toggle.GetID() + " reads as both states or none");
    ++out_.toggles;
    out_.enabled_toggles += enabled ? 1 : 0;
  }
}

// One state byte per code at E, big-endian codes at D + K + i * S.
void Writer::WriteTroubleCodes() {
  const vehicle::RomInfo& info = vehicle_.GetRomInfo();
  const std::string family = info.GetDTC();
  if (family.empty())
    return;
  if (family != kFamily)
    throw std::invalid_argument("no trouble-code layout for " + family);
  const TiXmlElement& params = info.GetDTCParserParams();
  uint32_t e = 0, d = 0, s = 0, k = 0;
  util::ReadXmlUnsigned(&params, "dtc_enabled_state_address", e);
  util::ReadXmlUnsigned(&params, "dtc_definition_address", d);
  util::ReadXmlUnsigned(&params, "dtc_struct_size", s);
  util::ReadXmlUnsigned(&params, "dtc_pcode_idx", k);
  // Codes above 0x3FFF would change their letter.
  if (e >= d || s < 2 || d - e > 0x3F00)
    throw std::invalid_argument("trouble-code table of " + family + " cannot be laid out");
  const uint32_t count = d - e;
  const unsigned item = layout_.NewItem("trouble-code table");
  for (uint32_t i = 0; i < count; ++i) {
    const uint16_t code = static_cast<uint16_t>(0x0100 + i);
    const uint8_t on[3] = {0x01, static_cast<uint8_t>(code >> 8), static_cast<uint8_t>(code)};
    const uint8_t off[3] = {0x00, 0x00, 0x00};
    const bool enabled = i % 10 != 7;
    const uint8_t* state = enabled ? on : off;
    const uint64_t at = uint64_t{d} + k + uint64_t{i} * s;
    layout_.Put(uint64_t{e} + i, state, 1, item);
    layout_.Put(at, state + 1, 2, item);
    if (!enabled) {
      second_only_.push_back({size_t{e} + i, {on[0]}});
      second_only_.push_back({static_cast<size_t>(at), {on[1], on[2]}});
    }
    ++out_.codes;
    out_.enabled_codes += enabled ? 1 : 0;
  }
}

}  // namespace

RomImages WriteRomImages(const vehicle::Vehicle& vehicle, size_t image_bytes) {
  return Writer(vehicle, image_bytes).Write();
}

}  // namespace bench
