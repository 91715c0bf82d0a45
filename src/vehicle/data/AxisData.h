#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "outside/Binary.h"
#include "outside/Parser.h"
#include "outside/Point.h"
#include "util/Storage.h"
#include "vehicle/Enumerations.h"
#include "vehicle/data/AxisByteData.h"
#include "vehicle/data/CellCodec.h"
#include "vehicle/data/Data.h"
#include "vehicle/data/Deltas.h"
#include "vehicle/data/IAxisTransform.h"
#include "vehicle/definition/Axis.h"
#include "vehicle/definition/Conv.h"
#include "vehicle/definition/DataType.h"

namespace vehicle {

// The values of one axis (or table body) in one ROM image: an axis definition
// tied to the AxisByteData holding that axis's bytes.
//
// Elements are kept in the buffer x fastest, then y, then depth slice:
// index = x + xCount * (y + yCount * depth). Axes located by offset lists in
// horizontal layout keep the definition's padding between elements, as the
// image does; vertical, calculated and data-run axes are packed at the data
// width. GetDataWidthIncludingPadding gives the stride actually used.
//
// Reading never fails loudly: bad coordinates and indexes give INVALID_INDEX,
// VALUE_NOT_SET, an empty value, list or string. Writes report false and
// leave the buffer untouched. An index is valid only when its whole element
// lies inside the buffer.
//
// Dirty tracking: the object registers with its buffer and keeps CRC-32
// signatures of its engineering values. The first write after a clean point
// captures the clean signature; later queries compare it with the current
// one. Bodies with depth slices also track one segment per slice.
//
// Not copyable: the buffer holds a pointer to this object, which is removed
// when the object is destroyed or attached to another buffer.
class AxisData : public Data, public IAxisByteDataEventHandler {
 public:
  static constexpr unsigned int INVALID_INDEX = 0xFFFFFFFFu;
  static constexpr double VALUE_NOT_SET = DataType::VALUE_NOT_SET;

  struct SegmentMetadata {
    uint32_t start = 0;   // first element index
    uint32_t length = 0;  // element count
  };

  struct SegmentDataSignature {
    uint32_t clean_sig = 0;
    uint32_t current_sig = 0;
    bool clean_valid = false;
    bool current_valid = false;
    uint32_t start = 0;
    uint32_t length = 0;
  };

  explicit AxisData(const std::shared_ptr<Axis>& axis);
  // Uses `conv` when it was made for the axis's data type, so that the axes
  // of one instance share their conversions; otherwise makes its own. A
  // conversion may hold evaluation state, so it is shared only by objects
  // used from one thread at a time (one instance).
  AxisData(const std::shared_ptr<Axis>& axis, const std::shared_ptr<Conv>& conv);
  ~AxisData() override;
  AxisData(const AxisData&) = delete;
  AxisData& operator=(const AxisData&) = delete;

  // ---- Building and saving (AxisDataBuild.cpp) ----

  // Cuts this axis's bytes out of `rom` into a fresh buffer, attaches it and
  // returns it; null (and not built) when the axis does not fit the image or
  // its shape is inconsistent (unset count, x * y * depth != count, a stride
  // smaller than the width). Every ROM offset must fit, not only the first.
  // Label axes get an empty buffer, and so do axes living in RAM only (a
  // data run without a ROM offset makes the whole axis RAM-resident). A
  // calculated axis of more than 4,096 elements is not built.
  std::shared_ptr<AxisByteData> BuildByteData(const std::vector<unsigned char>& rom);
  // Attaches an existing (possibly shared) buffer and registers with it.
  // Null: not built, nothing else changes. An axis whose shape is
  // inconsistent stays not built.
  void BuildAxis(const std::shared_ptr<AxisByteData>& byte_data);

  // Writes the values back at every ROM offset (or along the data runs, in
  // the order they were read). Checks that every copy fits before writing
  // anything: on false the image is unchanged. Calculated, label and RAM-only
  // axes write nothing and succeed.
  bool SaveAxis(std::vector<unsigned char>& rom) const;
  // Whether SaveAxis would succeed on an image of `image_size` bytes: the
  // checks it makes before it writes anything.
  bool CanSaveAxis(uint64_t image_size) const;

  // ---- Reading (AxisData.cpp) ----

  // Built and not a labels axis.
  bool IsDataValid() const { return built && !IsLabels(); }
  bool IsIndexValid(unsigned int i) const;
  bool IsLabelsIndexValid(unsigned int i) const;
  bool IsDataIndexValid(unsigned int i) const;
  // i * stride; INVALID_INDEX when that does not fit 32 bits.
  unsigned int GetByteIndex(unsigned int i) const;
  // INVALID_INDEX when out of range (negative coordinates included).
  unsigned int ConvertCoordsToIndex(int depth, int x, int y) const;
  unsigned int ConvertCoordsToIndex(int x, int y) const;
  bool IsPointInAxis(tuner_editor::Point point, int depth) const;

  // The element's bytes as stored; empty when the index is invalid.
  util::Binary GetUnmaskedBinary(unsigned int i) const;
  // The element's bytes with the bit mask applied; empty (tagged with the
  // axis byte order) when the data is not valid or the index is invalid.
  util::Binary GetBinary(unsigned int i) const;
  util::Binary GetBinary(int x, int y) const;

  // Engineering value; VALUE_NOT_SET when the data is not valid, the index is
  // invalid or the conversion cannot be evaluated.
  //
  // Cells decoded by the codec are read inline: editors and copies read
  // every cell of every table one at a time.
  double GetDouble(unsigned int i) const {
    if (codec_.IsActive() && built && byte_data_ && i < count_) {
      const std::vector<unsigned char>& bytes = byte_data_->GetBytes();
      const uint64_t position = static_cast<uint64_t>(i) * stride_;
      if (position + width_ <= bytes.size())
        return codec_.Decode(bytes.data() + position);
    }
    return ReadChecked(i);
  }
  double GetDouble(int depth, int x, int y) const;
  double GetDouble(int x, int y) const;

  // Rows, columns and slices are empty unless the buffer holds every element
  // (labels axes, RAM-only axes without bytes, unbuilt axes).
  std::vector<double> GetRow(int depth, int y) const;
  std::vector<double> GetRow(int y) const;
  std::vector<double> GetColumn(int depth, int x) const;
  std::vector<double> GetColumn(int x) const;
  // Rows y = 0 .. yCount-1 of one depth slice.
  std::vector<std::vector<double>> GetDepth(int depth) const;
  std::vector<std::vector<double>> GetRows() const;
  std::vector<std::vector<double>> GetRows(int depth) const;
  // Empty for a body with more than one depth slice.
  std::vector<std::vector<double>> GetColumns() const;
  std::vector<std::vector<double>> GetColumns(int depth) const;
  std::vector<std::vector<std::vector<double>>> GetDepths() const;

  // Every element's value in buffer order; empty when the data is not valid
  // or a RAM-only axis holds no bytes.
  std::vector<double> GetDoubleList() const;
  // GetDoubleList with each value passed through the parser's expression
  // (variable "x"). Empty when the expression cannot be evaluated.
  std::vector<double> GetDoubleList(Parser& parser) const;
  // The whole buffer, padding included; empty when the data is not valid.
  std::vector<unsigned char> GetBinList() const;

  std::vector<std::string> GetLabels() const;
  // Label i of a labels (or labels-with-data) axis; empty otherwise.
  std::string GetLabel(unsigned int i) const;
  std::string GetLabel(int x, int y) const;

  // Labels axis: number of labels; otherwise the buffer size in bytes.
  unsigned int GetSize() const;
  // Neither is a labels axis and both hold bytes.
  bool CanCompareWithAxisData(const AxisData& other) const;

  // ---- The definition ----

  const std::shared_ptr<Axis>& GetAxis() const { return axis_; }
  const std::string& GetAxisId() const { return axis_->GetObjId(); }
  unsigned int GetAxisCount() const { return axis_->GetCount(); }
  Axis::dimensions_t GetDimensions() const { return axis_->GetDimensions(); }
  // Null for a labels axis.
  std::shared_ptr<DataType> GetDataType() const;
  // Bytes of one value; 0 for a labels axis.
  unsigned int GetDataWidth() const;
  // The stride between elements in the buffer (see the class comment); 0 for
  // a labels axis.
  unsigned int GetDataWidthIncludingPadding() const;
  // count * stride; 0 for a labels axis, INVALID_INDEX when unknown.
  unsigned int GetAxisLengthInBytes() const;
  double GetMin() const { return axis_->GetMin(); }
  double GetMax() const { return axis_->GetMax(); }
  std::string GetUnit() const { return axis_->GetUnit(); }
  util::e_endian GetEndian() const { return axis_->GetEndian(); }
  util::data::Storage_e GetStorage() const { return axis_->GetStorage(); }
  double GetSmallDelta() const { return axis_->GetSmallDelta(); }
  double GetLargeDelta() const { return axis_->GetLargeDelta(); }
  bool IsDeltaInverted() const { return axis_->IsDeltaInverted(); }
  std::string GetFormat() const { return axis_->GetFormat(); }
  int GetPrecision() const { return axis_->GetPrecision(); }
  bool IsReadOnly() const { return axis_->IsReadOnly(); }
  bool IsRestricted() const { return axis_->IsRestricted(); }
  table_read_types_t GetReadType() const { return axis_->GetReadType(); }
  bool IsLabels() const { return axis_->IsLabels(); }
  bool IsCalculated() const { return axis_->IsCalculated(); }
  bool IsLabelsWithData() const { return axis_->IsLabelsWithData(); }
  bool IsRamOnly() const { return GetReadType() == READ_REAL; }
  bool IsRealtimeReadOnly() const { return IsReadOnly() && IsRamOnly(); }
  // Both definitions carry the same (non-empty) data signature, so they read
  // the same bytes.
  bool IsSharedAxis(const std::shared_ptr<AxisData>& other) const;
  // Replaces the definition's data type and refreshes the conversion. Refused
  // (false) on a labels axis, for null, and for a type of another storage
  // width, which would no longer match the bytes.
  bool SetDataType(const std::shared_ptr<DataType>& data_type);

  // ---- Editing (AxisDataEdit.cpp; limits and steps in AxisDataLimits.cpp) ----

  // Writes one value under the bit mask. True when the bytes changed; an
  // unchanged value writes nothing and tells no listener.
  bool PutDouble(unsigned int index, double value) {
    if (codec_.IsActive() && built && byte_data_ && index < count_) {
      const uint64_t position = static_cast<uint64_t>(index) * stride_;
      if (position + width_ <= byte_data_->GetSize()) {
        // Bits inside the mask come from the new value, all others from the
        // old; the write itself tells the listeners.
        const uint32_t old = codec_.Load(byte_data_->GetBytes().data() + position);
        const uint32_t fresh = codec_.Merge(old, value);
        if (fresh == old)
          return false;
        byte_data_->WriteAt(
            static_cast<unsigned int>(position), width_,
            [this, fresh](unsigned char* element) { codec_.Store(fresh, element); });
        return true;
      }
    }
    return WriteChecked(index, value);
  }
  bool PutDouble(int depth, int x, int y, double value);
  // One row (column, depth slice); the list must hold exactly one value per
  // element (labels axis: true, nothing written). True when any element
  // changed.
  bool PutRow(const std::vector<double>& values, int depth, int y);
  bool PutColumn(const std::vector<double>& values, int depth, int x);
  bool PutDepth(const std::vector<std::vector<double>>& rows, int depth);
  // Every element, in buffer order, under the bit mask; padding is kept.
  // Refused unless the list holds exactly one value per element. Listeners
  // are told even when nothing changed.
  bool PutDoubleList(const std::vector<double>& values);
  // Replaces the buffer from raw bytes (padding included), honouring the bit
  // mask. The list must be as long as the buffer (for a RAM-only axis: as the
  // axis length; an empty list then succeeds without writing).
  bool PutBinList(const std::vector<unsigned char>& bytes);
  // Merges every element of `bytes` (same layout as the buffer) under the
  // mask; padding is kept. Refused unless as long as the buffer.
  bool CopyMaskedBinList(const std::vector<unsigned char>& bytes);
  // Copies `bytes` over the buffer as they are.
  bool CopyUnmaskedBinList(const std::vector<unsigned char>& bytes);
  // Copies bytes [start, start + length) over the whole buffer (length
  // INVALID_INDEX: to the end of `bytes`). The length must equal the buffer
  // size; a RAM-only axis without bytes is first sized to its axis length.
  bool PutUnmaskedBinList(const std::vector<unsigned char>& bytes, unsigned int start,
                          unsigned int length);
  // The values converted into a zeroed buffer image of count * stride bytes;
  // empty when a value cannot be converted.
  std::vector<unsigned char> ConvertDoublesToBytes(const std::vector<double>& values) const;

  // Clamps to the axis limits, testing the maximum first; an unset limit is
  // no limit. True when clamped (and always for a labels axis).
  bool BoundsCheck(double& value) const;
  // What the storage can hold: float storage to the display precision,
  // "direct" conversions to whole numbers (halves up); others unchanged.
  double Round(double value) const;
  // Snap the definition's limits to values the storage can represent. An
  // unset limit stays unset. Changes the shared definition.
  void SanityCheckMin();
  void SanityCheckMax();
  // Raises the data type's small and large steps to at least one (two) raw
  // counts. False when a step had to be raised from below. Changes the shared
  // data type.
  bool SanityCheckDeltas();
  // Engineering change of moving `n` raw counts of type T inward from either
  // end of the range; the coarser end wins. Instances: unsigned char, signed
  // char, unsigned short, short, unsigned int, int.
  template <typename T>
  double CalculateDelta(int n) const;

  // ---- Signatures, dirty state, comparing, reshaping (AxisDataSignature.cpp,
  // AxisDataReshape.cpp) ----

  // Adds a segment unless one starts at `start` already.
  void DefineSegment(const unsigned int& start, const unsigned int& length);
  unsigned int GetSegmentCount() const { return static_cast<unsigned int>(segments_.size()); }
  const std::vector<SegmentMetadata>& GetSegments() const { return segments_; }
  const std::vector<SegmentDataSignature>& GetSegmentSignatures() const { return segment_sigs_; }

  uint32_t GetCurrentSig();
  uint32_t GetCleanSig();
  void GenerateCurrentSignature();
  void GenerateCleanSignature();
  void CalculateUniqueDataSegmentSigs();
  void CalculateUniqueCleanDataSegmentSigs();
  void InvalidateCurrentSig();
  void InvalidateCleanSig();
  bool IsCurrentSigValid() const { return current_sig_valid_; }
  bool IsCleanSigValid() const { return clean_sig_valid_; }
  // No write since the last clean point.
  bool IsUnchanged() const { return !clean_sig_valid_; }
  bool ShouldIgnoreDirtyCheck() const { return IsUnchanged() || IsLabels(); }
  bool AreSigsDifferent();
  // Changed since the last clean point (RAM-only axes: never).
  bool IsDirty();
  // The same, for RAM-only axes only.
  bool IsRamDirty();
  std::vector<unsigned int> GetDirtySegmentIndexes();
  std::vector<unsigned int> GetDirtyRamSegmentIndexes();
  void ClearDirtyState();
  void ClearDirtyRamState();

  void OnAxisByteDataChanging() override;
  void OnAxisByteDataChanged() override;

  // Same values (by signature); axes that cannot be compared count as equal.
  bool Equals(AxisData& other);
  // The other axis's values, passed through the parser's expression, stored
  // as this axis would store them, equal this axis's bytes under the mask.
  // Axes of different counts are not equal.
  bool Equals(const AxisData& other, Parser& parser) const;
  std::vector<unsigned int> GetDifferentSegmentIndexes(AxisData& other);
  bool CopyAxis(const AxisData& other);
  bool CopyAxis(const AxisData& other, Parser& parser);

  // Sets the shape (the definition's count follows) and resizes the buffer;
  // segments are redefined, one per depth slice, for bodies with x, y and
  // depth all at least 2. Refused (false) for an axis without values, a
  // shape that does not fit 32 bits, or a buffer other axes share.
  bool AdjustDimensions(unsigned int depth, unsigned int x, unsigned int y);
  // Let the transform add or remove rows (columns, depth slices) and store
  // the result. Returns the transform's count, or 0 with nothing changed
  // when the transform changes nothing, returns inconsistent lists, or the
  // buffer is shared with other axes.
  int AdjustRows(const IAxisTransform& transform);
  int AdjustColumns(const IAxisTransform& transform);
  int AdjustDepths(const IAxisTransform& transform);

 private:
  // Layout, mask and conversion facts taken once when the buffer is
  // attached, so per-cell work looks nothing up.
  void RefreshLayout();
  // Takes `conv` as the conversion when it was made for the axis's data
  // type; false (and nothing changes) otherwise.
  bool AdoptConv(const std::shared_ptr<Conv>& conv);
  // Unregisters from the buffer and forgets it and the signatures.
  void Detach();
  bool BuildFromImage(const std::vector<unsigned char>& rom);
  bool BuildCalculated();
  // Places packed y-fastest bytes into x-fastest buffer order, or back.
  void VerticalToBuffer(const unsigned char* source, unsigned char* target) const;
  void BufferToVertical(const unsigned char* source, unsigned char* target) const;
  // Both of the above: image to buffer order when `to_buffer`.
  void ReorderVertical(const unsigned char* source, unsigned char* target, bool to_buffer) const;
  // The buffer's bytes in the order the image stores them: the buffer
  // itself, or for vertical layouts `scratch` filled in that order.
  const unsigned char* ImageOrderBytes(std::vector<unsigned char>& scratch) const;
  // The writes of SaveAxis without its checks, for callers that had
  // CanSaveAxis(rom.size()) say true and changed nothing since: a save
  // checks every axis before it writes any, and need not check twice.
  void WriteAxis(std::vector<unsigned char>& rom) const;
  // Asks for the memory WriteAxis reads: `stage` 0 the objects this one
  // points at, 1 what those point at (once stage 0 has had time to arrive).
  void PrefetchForWrite(int stage) const;

  // Value of element i, whose index the caller has checked; VALUE_NOT_SET
  // when the conversion throws.
  double ReadValue(unsigned int i) const;
  // Whole elements the buffer holds, at most count.
  unsigned int ReadableCount() const;
  // The buffer holds every element: rows, columns and depth slices are only
  // made then, so a shape the bytes do not back (a RAM-only axis of any
  // size) never sizes a list.
  bool HoldsGrid() const;
  // Converts `value` into write_scratch_, merged with `old_bytes` under the
  // mask. False when the conversion throws or gives another width.
  bool EncodeMerged(double value, const unsigned char* old_bytes) const;
  // Converts the first values into the elements of `image`, merged with the
  // bytes there under the mask when `merge`, else as converted. False when a
  // value cannot be converted (its element is left alone).
  bool EncodeValues(const std::vector<double>& values, std::vector<unsigned char>& image,
                    bool merge) const;
  // Every value converts (only checked for conversions that can throw).
  bool AllEncodable(const std::vector<double>& values) const;
  // `value` stored and read back; false when the conversion throws.
  bool StoredValue(double value, double& stored) const;

  // Same data type, layout, byte order, mask and precision: equal bytes
  // read as equal values.
  bool ReadsLike(const AxisData& other) const;
  void ComputeSignatures(bool clean);
  void EnsureCurrentSignatures();
  bool IsSharedBuffer() const;
  bool HoldsAllValues() const;
  // Sets the shape and lays `values` (buffer order) into the buffer.
  bool Reshape(unsigned int depth, unsigned int x, unsigned int y,
               const std::vector<double>& values);

  // The repository reads which buffer an axis holds; nobody else may, so
  // that every write goes through this class and its listeners.
  friend class AxisDataRepository;
  // Saves check every axis first, then write through WriteAxis.
  friend class TableData;
  friend class VehicleData;

  std::shared_ptr<Axis> axis_;
  std::shared_ptr<AxisByteData> byte_data_;
  std::shared_ptr<Conv> conv_;
  uint32_t clean_sig_ = 0;
  uint32_t current_sig_ = 0;
  bool clean_sig_valid_ = false;
  bool current_sig_valid_ = false;
  std::vector<SegmentMetadata> segments_;
  std::vector<SegmentDataSignature> segment_sigs_;

  // Taken by RefreshLayout.
  bool layout_ok_ = false;
  uint32_t width_ = 0;
  uint32_t stride_ = 0;
  uint32_t count_ = 0;
  uint32_t x_count_ = 0;
  uint32_t y_count_ = 0;
  uint32_t depth_count_ = 0;
  util::e_endian endian_ = util::ENDIAN_INVALID;
  unsigned char mask_bytes_[4] = {0xFF, 0xFF, 0xFF, 0xFF};
  bool has_mask_ = false;
  bool conv_may_throw_ = false;
  // GetDouble and PutDouble for cells the codec does not take, with every
  // check of their own.
  double ReadChecked(unsigned int i) const;
  bool WriteChecked(unsigned int index, double value);

  // Integer storages in either byte order under a direct or slope-int
  // conversion are decoded and encoded here; inactive otherwise.
  CellCodec codec_;
  // Reused by per-cell reads and writes so they allocate nothing. Separate,
  // because a write tells listeners (this one too) who read values.
  mutable util::Binary read_scratch_;
  mutable util::Binary write_scratch_;
};

}  // namespace vehicle
