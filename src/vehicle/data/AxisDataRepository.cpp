#include "vehicle/data/AxisDataRepository.h"

#include <cstdint>
#include <sstream>

#include "util/Prefetch.h"
#include "vehicle/data/AxisByteData.h"
#include "vehicle/data/AxisData.h"
#include "vehicle/definition/Axis.h"

namespace vehicle {

bool AxisDataRepository::Shape::operator==(const Shape& other) const {
  return width == other.width && stride == other.stride && count == other.count &&
         layout == other.layout && calculated == other.calculated && extent == other.extent;
}

AxisDataRepository::AxisDataRepository() : self_(std::make_shared<AxisDataRepository*>(this)) {}

AxisDataRepository::AxisDataRepository(const AxisDataRepository& other)
    : self_(std::make_shared<AxisDataRepository*>(this)) {
  CopyFrom(other);
}

AxisDataRepository& AxisDataRepository::operator=(const AxisDataRepository& other) {
  if (this != &other) {
    // Tables linked to this repository stay linked: self_ is kept.
    bytes_.clear();
    axes_.clear();
    shapes_.clear();
    convs_.clear();
    CopyFrom(other);
  }
  return *this;
}

AxisDataRepository::~AxisDataRepository() = default;

// ---------------------------------------------------------------- building

bool AxisDataRepository::BuildAxes(const AxisHash& axes, const std::vector<unsigned char>& rom) {
  std::vector<const std::shared_ptr<Axis>*> order;
  order.reserve(axes.size());
  for (const auto& entry : axes)
    order.push_back(&entry.second);
  // The definitions lie all over the heap: each is asked for a few axes
  // ahead, and the signatures, data type and offsets it points at once it
  // has had time to arrive.
  constexpr size_t kObjects = 2 * util::kPrefetchAhead, kTargets = util::kPrefetchAhead;
  for (size_t i = 0; i < order.size(); ++i) {
    if (i + kObjects < order.size())
      util::Prefetch(order[i + kObjects]->get());
    if (i + kTargets < order.size() && *order[i + kTargets])
      PrefetchDefinition(**order[i + kTargets]);
    if (!BuildAxis(*order[i], rom))
      return false;
  }
  return true;
}

void AxisDataRepository::PrefetchDefinition(const Axis& axis) {
  util::Prefetch(axis.GetDefSignature().data());
  util::Prefetch(axis.GetDataSignature().data());
  util::Prefetch(axis.GetDataType().get());
  util::Prefetch(axis.GetRomOffsets().data());
}

bool AxisDataRepository::BuildAxis(const std::shared_ptr<Axis>& axis,
                                   const std::vector<unsigned char>& rom) {
  if (!axis)
    return false;
  if (axes_.dataExists(axis->GetDefSignature()))
    return true;

  const Shape shape = ShapeOf(*axis);
  std::string derived_key;
  std::shared_ptr<AxisByteData> buffer = FindBuffer(*axis, shape, derived_key);

  std::shared_ptr<AxisData> data = MakeAxisData(axis);
  if (!buffer) {
    // The first axis of these bytes reads them; it is kept rather than
    // rebuilt so that its conversion is taken only once.
    buffer = data->BuildByteData(rom);
    if (!buffer || !data->IsBuilt())
      return false;
    StoreBuffer(derived_key.empty() ? axis->GetDataSignature() : derived_key, buffer, shape);
  } else {
    data->BuildAxis(buffer);
    if (!data->IsBuilt())
      return false;
  }
  // Segments only after building succeeded: the build has checked that the
  // dimensions agree with the count.
  DefineDepthSegments(*data);
  axes_.data.insert_or_keep(axis->GetDefSignature(), std::move(data));
  return true;
}

bool AxisDataRepository::AddAxis(const std::shared_ptr<AxisData>& axis) {
  if (!axis || !axis->IsBuilt())
    return false;
  const std::string& def_signature = axis->GetAxis()->GetDefSignature();
  auto held = axes_.data.find(def_signature);
  if (held != axes_.data.end())
    return held->second == axis;

  // The axis joins the buffer of the bytes it reads when there is one, so
  // that it and the axes already reading them stay one; otherwise its own
  // bytes become the buffer of its key.
  const Shape shape = ShapeOf(*axis->GetAxis());
  std::string derived_key;
  std::shared_ptr<AxisByteData> buffer = FindBuffer(*axis->GetAxis(), shape, derived_key);
  const bool joined = buffer != nullptr;
  if (!joined) {
    buffer = std::make_shared<AxisByteData>();
    const std::vector<unsigned char> bytes = axis->GetBinList();
    buffer->Resize(static_cast<unsigned int>(bytes.size()));
    buffer->SetBytes(bytes);
  }
  axis->BuildAxis(buffer);
  if (!axis->IsBuilt())
    return false;
  if (!joined)
    StoreBuffer(derived_key.empty() ? axis->GetAxis()->GetDataSignature() : derived_key, buffer,
                shape);
  DefineDepthSegments(*axis);
  axes_.setData(def_signature, axis);
  return true;
}

// ---------------------------------------------------------------- lookups

bool AxisDataRepository::HasAxis(const std::string& defSignature) const {
  return axes_.dataExists(defSignature);
}

std::shared_ptr<AxisData> AxisDataRepository::GetAxis(const std::string& defSignature) const {
  auto found = axes_.data.find(defSignature);
  return found == axes_.data.end() ? nullptr : found->second;
}

std::shared_ptr<AxisByteData> AxisDataRepository::GetData(const std::string& dataSignature) {
  return static_cast<const AxisDataRepository&>(*this).GetData(dataSignature);
}

std::shared_ptr<AxisByteData> AxisDataRepository::GetData(const std::string& dataSignature) const {
  auto found = bytes_.data.find(dataSignature);
  return found == bytes_.data.end() ? nullptr : found->second;
}

// ---------------------------------------------------------------- dirty state

bool AxisDataRepository::IsDirty() const {
  for (const auto& entry : axes_) {
    if (entry.second->IsDirty())
      return true;
  }
  return false;
}

bool AxisDataRepository::IsRamDirty() const {
  for (const auto& entry : axes_) {
    if (entry.second->IsRamDirty())
      return true;
  }
  return false;
}

void AxisDataRepository::ClearDirtyState() {
  for (auto& entry : axes_)
    entry.second->ClearDirtyState();
}

void AxisDataRepository::ClearDirtyRamState() {
  for (auto& entry : axes_)
    entry.second->ClearDirtyRamState();
}

// ---------------------------------------------------------------- helpers

AxisDataRepository::Shape AxisDataRepository::ShapeOf(const Axis& axis) {
  Shape shape;
  shape.width = axis.GetElementSize();
  shape.stride = axis.GetElementStride();
  shape.count = axis.GetCount();
  shape.layout = axis.GetLayout();
  shape.calculated = axis.IsCalculated();
  if (shape.layout == LAYOUT_VERTICAL) {
    const Axis::dimensions_t& d = axis.GetDimensions();
    shape.extent = {d.x, d.y, d.z};
  }
  if (!axis.HasRomOffsets() && !axis.HasRamOffsets()) {
    for (const Axis::data_offsets_t& run : axis.GetDataOffsets())
      shape.extent.push_back(run.count);
  }
  return shape;
}

std::string AxisDataRepository::DerivedKey(const std::string& dataSignature, const Shape& shape) {
  std::ostringstream key;
  // "/" cannot occur in a signature (MD5 text), so no signature collides.
  key << dataSignature << "/w" << shape.width << "s" << shape.stride << "n" << shape.count << "l"
      << static_cast<int>(shape.layout) << "c" << shape.calculated;
  for (unsigned int extent : shape.extent)
    key << "e" << extent;
  return key.str();
}

std::shared_ptr<AxisByteData> AxisDataRepository::FindBuffer(const Axis& axis, const Shape& shape,
                                                             std::string& derivedKey) const {
  derivedKey.clear();
  const std::string& data_signature = axis.GetDataSignature();
  auto stored = bytes_.data.find(data_signature);
  if (stored == bytes_.data.end())
    return nullptr;
  auto built_for = shapes_.find(stored->second.get());
  if (built_for != shapes_.end() && built_for->second == shape)
    return stored->second;
  derivedKey = DerivedKey(data_signature, shape);
  stored = bytes_.data.find(derivedKey);
  return stored == bytes_.data.end() ? nullptr : stored->second;
}

void AxisDataRepository::StoreBuffer(const std::string& key,
                                     const std::shared_ptr<AxisByteData>& buffer,
                                     const Shape& shape) {
  bytes_.setData(key, buffer);
  shapes_[buffer.get()] = shape;
}

std::shared_ptr<AxisData> AxisDataRepository::MakeAxisData(const std::shared_ptr<Axis>& axis) {
  std::shared_ptr<Conv>& shared = convs_[axis->GetDataType().get()];
  auto data = std::make_shared<AxisData>(axis, shared);
  if (!shared)
    shared = data->conv_;
  return data;
}

void AxisDataRepository::DefineDepthSegments(AxisData& axis) {
  const Axis::dimensions_t d = axis.GetDimensions();
  if (d.x == Axis::NOT_SET || d.y == Axis::NOT_SET || d.z == Axis::NOT_SET)
    return;
  if (d.x < 2 || d.y < 2 || d.z < 2)
    return;
  // Dimensions that do not multiply to the count are not a depth-sliced body.
  const uint64_t slice = static_cast<uint64_t>(d.x) * d.y;
  if (slice * d.z != axis.GetAxisCount())
    return;
  for (unsigned int depth = 0; depth < d.z; ++depth)
    axis.DefineSegment(static_cast<unsigned int>(depth * slice), static_cast<unsigned int>(slice));
}

void AxisDataRepository::CopyFrom(const AxisDataRepository& other) {
  std::unordered_map<const AxisByteData*, std::shared_ptr<AxisByteData>> copies;
  copies.reserve(other.bytes_.size());
  for (const auto& entry : other.bytes_) {
    auto copy = std::make_shared<AxisByteData>(*entry.second);
    copies[entry.second.get()] = copy;
    auto shape = other.shapes_.find(entry.second.get());
    if (shape != other.shapes_.end())
      shapes_[copy.get()] = shape->second;
    bytes_.setData(entry.first, copy);
  }
  for (const auto& entry : other.axes_) {
    // The buffer an axis reads is the repository's own (it is attached only
    // here), so its copy is in `copies`.
    auto buffer = copies.find(entry.second->byte_data_.get());
    if (buffer == copies.end())
      continue;
    auto data = MakeAxisData(entry.second->GetAxis());
    data->BuildAxis(buffer->second);
    if (!data->IsBuilt())
      continue;
    DefineDepthSegments(*data);
    axes_.setData(entry.first, data);
  }
}

}  // namespace vehicle
