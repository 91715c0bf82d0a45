#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "util/BucketMap.h"
#include "util/DataHash.h"
#include "vehicle/Enumerations.h"

namespace vehicle {

class Axis;
class AxisByteData;
class AxisData;
class Conv;
class DataType;

// Builds and owns the axis data of one ROM instance and the byte buffers
// behind it. Axes with equal definition signatures share one AxisData; axes
// with equal data signatures share one byte buffer, so an edit made through
// one table is seen by every table reading the same bytes.
//
// A data signature says which ROM bytes an axis reads, not how: an axis whose
// element width, stride, layout or length differs from the axis that built
// the buffer under its data signature gets a buffer of its own, read from the
// image and stored under a key derived from the data signature.
//
// Copies are deep: new buffers, new axis data, no dirty state.
class AxisDataRepository {
 public:
  typedef util::DataHash<std::string, std::shared_ptr<Axis>> AxisHash;
  typedef util::DataHash<std::string, std::shared_ptr<AxisByteData>> ByteDataHash;
  typedef util::DataHash<std::string, std::shared_ptr<AxisData>> AxisDataHash;
  // A non-owning handle on a repository that expires when it is destroyed.
  typedef std::weak_ptr<AxisDataRepository*> Link;

  AxisDataRepository();
  AxisDataRepository(const AxisDataRepository& other);
  AxisDataRepository& operator=(const AxisDataRepository& other);
  virtual ~AxisDataRepository();

  // BuildAxis for every entry, in store order; stops at the first failure
  // (the axes built before it stay).
  bool BuildAxes(const AxisHash& axes, const std::vector<unsigned char>& rom);
  // True when the axis is now, or was already, held under its definition
  // signature. An axis whose bytes lie outside `rom` adds nothing.
  bool BuildAxis(const std::shared_ptr<Axis>& axis, const std::vector<unsigned char>& rom);

  // Takes in an axis data built elsewhere (a table reshaped with a new
  // axis), so that it is dirty-tracked and deep-copied with the rest. When
  // the repository already holds the bytes it reads, it is attached to that
  // buffer (and reads this instance's bytes); otherwise its own bytes become
  // a new buffer of the repository. True when it is held afterwards; false
  // for a null or unbuilt axis, or when another axis data already holds its
  // definition signature.
  bool AddAxis(const std::shared_ptr<AxisData>& axis);

  bool HasAxis(const std::string& defSignature) const;
  // Null when absent.
  std::shared_ptr<AxisData> GetAxis(const std::string& defSignature) const;
  // The buffer under a data signature, or null.
  std::shared_ptr<AxisByteData> GetData(const std::string& dataSignature);
  std::shared_ptr<AxisByteData> GetData(const std::string& dataSignature) const;

  bool IsDirty() const;
  bool IsRamDirty() const;
  void ClearDirtyState();
  void ClearDirtyRamState();

  Link GetLink() { return self_; }

  const AxisDataHash& GetAxes() const { return axes_; }
  const ByteDataHash& GetByteData() const { return bytes_; }

 private:
  // What decides the bytes a buffer holds, beyond the ROM offsets that the
  // data signature already names.
  struct Shape {
    unsigned int width = 0;
    unsigned int stride = 0;
    unsigned int count = 0;
    layout_types_t layout = LAYOUT_INVALID;
    bool calculated = false;
    // Vertical layouts reorder by the dimensions; runs concatenate counts.
    std::vector<unsigned int> extent;

    bool operator==(const Shape& other) const;
    bool operator!=(const Shape& other) const { return !(*this == other); }
  };

  static Shape ShapeOf(const Axis& axis);
  static std::string DerivedKey(const std::string& dataSignature, const Shape& shape);
  // The buffer `axis` reads, or null when none is built yet. It is stored
  // under the axis's data signature, unless the buffer there was built for
  // another shape: then `derivedKey` is set to the key it has (or gets).
  std::shared_ptr<AxisByteData> FindBuffer(const Axis& axis, const Shape& shape,
                                           std::string& derivedKey) const;
  void StoreBuffer(const std::string& key, const std::shared_ptr<AxisByteData>& buffer,
                   const Shape& shape);
  static void DefineDepthSegments(AxisData& axis);
  // Asks for the memory a build of `axis` reads beyond the object itself.
  static void PrefetchDefinition(const Axis& axis);
  // A new AxisData of `axis`, with the conversion this repository shares
  // among the axes of its data type.
  std::shared_ptr<AxisData> MakeAxisData(const std::shared_ptr<Axis>& axis);
  void CopyFrom(const AxisDataRepository& other);

  ByteDataHash bytes_;
  AxisDataHash axes_;
  // The shape each stored buffer was built for.
  util::BucketMap<const AxisByteData*, Shape, std::hash<const AxisByteData*>> shapes_;
  // One conversion per data type: a conversion is made from its data type
  // alone, and expression conversions are costly to make.
  std::unordered_map<const DataType*, std::shared_ptr<Conv>> convs_;
  std::shared_ptr<AxisDataRepository*> self_;
};

}  // namespace vehicle
