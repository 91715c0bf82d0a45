#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "vehicle/definition/Toggle.h"

class TiXmlElement;

namespace vehicle {
class IECUOffsetTranslator;
}

// Finds the trouble codes of one controller family in a ROM image and turns
// every enabled code into a trouble-code toggle whose segments say which
// bytes to write to enable or disable it.
//
// A parser is made by dtc::MakeParser, configured from the parameter
// element at the start of its parse, used once and dropped. The image and
// the toggle map are referenced during Parse and must outlive it.
//
// Every read of the image is bounds-checked: a position at or past its end
// throws std::out_of_range, which Parse lets through.
class DTCParser {
 public:
  using Image = std::vector<uint8_t>;
  using ToggleMap = std::map<std::string, vehicle::Toggle>;

  // Names of the common parameters.
  static const std::string DTC_DEFINITION_ADDRESS;      // flag 0x01
  static const std::string DTC_ENABLED_STATE_ADDRESS;   // flag 0x02
  static const std::string DTC_COUNT;                   // flag 0x04
  static const std::string DTC_STRUCT_SIZE;             // flag 0x08
  static const std::string DTC_DEFINITION_ADDRESS_END;  // flag 0x10
  static const std::string DTC_COUNT_ADDRESS;           // flag 0x20

  // The one text every failed configuration check adds to the error list.
  static const std::string ERROR_TEXT;

  enum CommonFlag_e : uint32_t {
    FLAG_DEFINITION_ADDRESS = 0x01,
    FLAG_ENABLED_STATE_ADDRESS = 0x02,
    FLAG_COUNT = 0x04,
    FLAG_STRUCT_SIZE = 0x08,
    FLAG_DEFINITION_ADDRESS_END = 0x10,
    FLAG_COUNT_ADDRESS = 0x20,
  };

  DTCParser() = default;
  DTCParser(const DTCParser&) = delete;
  DTCParser& operator=(const DTCParser&) = delete;
  virtual ~DTCParser() = default;

  // The family's parse; called by Parse once the configuration passed.
  virtual bool DoParse(const Image& image, ToggleMap& toggles, TiXmlElement& params) = 0;
  // Family checks beyond the common ones; true unless a family says otherwise.
  virtual bool DoValidateConfigXML(TiXmlElement& params) const;
  // Stores which common parameters the family requires.
  virtual void SetupCommonParserFlags() = 0;

  void init();
  // `translator` is not owned and may be null.
  void SetECUOffsetTranslator(const vehicle::IECUOffsetTranslator* translator);

  // Validates `params` and, when that passes, parses `image`, adding toggles
  // to `toggles` (existing entries are extended, never removed). On a failed
  // validation `toggles` is left untouched and false is returned.
  bool Parse(const Image& image, ToggleMap& toggles, TiXmlElement& params);

  // Runs every common check whose flag is set, then DoValidateConfigXML.
  bool ValidateConfigXML(TiXmlElement& params) const;

  // One entry per failed check of the last validation.
  const std::vector<std::string>& GetErrors() const { return errors_; }
  uint32_t GetCommonParserFlags() const { return common_parser_flags_; }

  // Parameter reading shared by every family: the attribute of that name,
  // else the text of the first child element of that name.
  static bool ReadParamText(const TiXmlElement& params, const std::string& name, std::string& out);
  // strtoul with base 0, kept to 32 bits; 0 when absent.
  static uint32_t ReadParamNumber(const TiXmlElement& params, const std::string& name);

  // "P0420"-style name: the top two bits of `high` choose the system letter.
  static std::string FormatDTCName(uint8_t high, uint8_t low);

 protected:
  using IgnoreRanges = std::vector<std::pair<uint32_t, uint32_t>>;

  // The six common parameters of one parameter element, each 0 when absent.
  struct CommonParams {
    uint32_t definition_address = 0;
    uint32_t enabled_state_address = 0;
    uint32_t count = 0;
    uint32_t struct_size = 0;
    uint32_t definition_address_end = 0;
    uint32_t count_address = 0;
    uint32_t present = 0;  // the CommonFlag_e bits of the parameters given

    // Whether the parameter of `flag` passes its configuration check.
    bool Passes(CommonFlag_e flag) const;
    // Whole entries of struct_size from definition_address up to
    // definition_address_end; 0 when the end is not past the start or the
    // size is 0. A remainder is dropped.
    uint64_t EntryCount() const;
    // Whether the end lies at or past the start by whole entries.
    bool EndsOnWholeEntry() const;
  };

  // Reads every common parameter; the one reader behind both the
  // configuration checks and the families' configuration.
  static CommonParams ReadCommonParams(const TiXmlElement& params);

  void AddError() const { errors_.push_back(ERROR_TEXT); }

  // Remembers the image and map of the current run and reads the common
  // parameters into common_. Families use only the fields they need.
  void BeginParse(const Image& image, ToggleMap& toggles, const TiXmlElement& params);

  // Bounds-checked reads of the current image. Positions are 64-bit so
  // that address sums of 32-bit parameters cannot wrap.
  uint8_t ByteAt(uint64_t pos) const;
  uint16_t LE16At(uint64_t pos) const;
  uint16_t BE16At(uint64_t pos) const;
  uint32_t LE24At(uint64_t pos) const;
  uint32_t LE32At(uint64_t pos) const;
  uint32_t BE32At(uint64_t pos) const;
  std::vector<uint8_t> BytesAt(uint64_t pos, size_t count) const;

  // The trouble-code name of the two bytes at `pos`, in the given order.
  std::string NameFromBytesAt(uint64_t pos, bool highByteFirst) const;

  // One table walked by index i = 0 .. count-1, as the Tricore-style families
  // lay it out: the code (low byte first) at code_address + i*code_stride,
  // the state (one byte, or LE16 when switch_off holds two) at
  // state_address + i*state_stride. An entry whose state is not off_state
  // and lies outside every ignore range gets a segment at the state, with
  // the bytes found as enabled values and switch_off as disabled values.
  struct IndexedTable {
    uint64_t count = 0;
    uint64_t code_address = 0;
    uint64_t code_stride = 0;
    uint64_t state_address = 0;
    uint64_t state_stride = 0;
    uint32_t off_state = 0;
    std::vector<uint8_t> switch_off;
    IgnoreRanges ignore_ranges;
  };
  void ParseIndexedTable(const IndexedTable& table);
  // `count` entries of the common parameters' table: codes at the
  // definition address and states at the enabled-state address, both
  // struct_size bytes apart; the state's width and values are left unset.
  IndexedTable CommonIndexedTable(uint64_t count) const;

  vehicle::Toggle& getExistingOrCreateDTCToggleByName(const std::string& name);
  vehicle::Toggle& createDTCToggleWithName(const std::string& name);
  static vehicle::ToggleStateDefinitionSegment& createStateDefinitionSegmentForToggle(
      vehicle::Toggle& toggle);

  // Appends to the toggle `name` a segment at `offset` whose enabled values
  // are the bytes found there and whose disabled values are `disabled`.
  void AddStateSegment(const std::string& name, uint64_t offset,
                       const std::vector<uint8_t>& disabled);
  // Appends a segment at `offset` that only touches the bits of `mask`.
  void AddMaskedStateSegment(const std::string& name, uint64_t offset, uint8_t mask,
                             uint8_t enabled, uint8_t disabled);
  // Appends a segment with explicit enabled values (the caller read them).
  void AddSegment(const std::string& name, uint64_t offset, std::vector<uint8_t> enabled,
                  std::vector<uint8_t> disabled);

  // Reads every <ranges><range start=.. end=../></ranges> pair in order.
  static void ReadIgnoreRanges(const TiXmlElement& params, const std::string& rangesTag,
                               const std::string& rangeTag, const std::string& startName,
                               const std::string& endName, IgnoreRanges& out);
  // True when no pair has start <= offset <= end.
  static bool IsOutsideIgnoreRanges(const IgnoreRanges& ranges, uint64_t offset);

  const vehicle::IECUOffsetTranslator* translator_ = nullptr;
  uint32_t common_parser_flags_ = 0xFFFFFFFFu;
  mutable std::vector<std::string> errors_;

  const Image* image_ = nullptr;
  ToggleMap* toggles_ = nullptr;
  CommonParams common_;

 private:
  uint32_t RomOffset(uint64_t pos) const;
  void CheckRange(uint64_t pos, uint64_t count) const;
};
