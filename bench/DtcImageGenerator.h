#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TiXmlElement;

namespace bench {

// A ROM image with a trouble-code table of one parser family, and the
// parameter element that tells the family where the table is.
struct DtcImage {
  std::string family;  // the name dtc::MakeParser knows the family by
  std::vector<uint8_t> image;
  std::shared_ptr<TiXmlElement> params;
  unsigned codes = 0;    // entries in the table
  unsigned enabled = 0;  // of those, the ones the family reports
};

// The families WriteDtcImage can lay out: three with plain table layouts.
const std::vector<std::string>& DtcImageFamilies();

// An image of `image_bytes` bytes (filled with noise, as real ROM contents
// are) holding a table of `codes` distinct trouble codes for `family`, about
// nine in ten of them enabled. Throws std::invalid_argument for a family it
// does not know or an image too small for the table.
DtcImage WriteDtcImage(const std::string& family, size_t image_bytes, unsigned codes);

}  // namespace bench
