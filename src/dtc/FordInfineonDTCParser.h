#pragma once

#include <string>

#include "dtc/DTCParser.h"

namespace ecu {
namespace ford {

// The trouble-code name of the two code bytes at `bytes`, bytes[1] being the
// high byte. Leaves `out` unchanged for a null pointer.
void infineon_pcode_bytes_to_str(const unsigned char* bytes, std::string& out);

}  // namespace ford
}  // namespace ecu

// A list of LE24 record addresses from D up to Dend, S bytes apart. A record
// holds its code (low byte first) at +0 and the address of its state byte
// spread over +S, +5 and +6.
class FordInfineonDTCParser : public DTCParser {
 public:
  bool DoParse(const Image& image, ToggleMap& toggles, TiXmlElement& params) override;
  void SetupCommonParserFlags() override;

 protected:
  void configureParserFromECUandXMLData(const Image& image, ToggleMap& toggles,
                                        TiXmlElement& params);
  uint64_t getAddressForDTCEnableDisableState(uint64_t record) const;
};
