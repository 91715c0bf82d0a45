// Each trouble-code family on an arbitrary image with arbitrary parameters.
// Every read of the image is bounds-checked and std::out_of_range is the one
// failure a parse may raise; anything else escaping, a crash or a hang is a
// fault.
//
// Input: family, flags, then parameter records (name, value form, value),
// and after the records the image.
#include <tinyxml.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "dtc/DTCParser.h"
#include "dtc/ParserFactory.h"
#include "vehicle/definition/ECUOffsetTranslator.h"

namespace {

// Every parameter name any family reads, with the numbered block variants
// the multi-block family walks.
const char* const kNames[] = {
    "dtc_definition_address",
    "dtc_enabled_state_address",
    "dtc_count",
    "dtc_struct_size",
    "dtc_definition_address_end",
    "dtc_count_address",
    "dtc_pcode_idx",
    "dtc_ena_definition_address",
    "dtc_group_toggle_address",
    "dtc_entry_point",
    "dtc_structs",
    "dtc_block_size",
    "endian",
    "dtc_block_size_1",
    "dtc_definition_address_1",
    "dtc_enabled_state_address_1",
    "dtc_block_size_2",
    "dtc_definition_address_2",
    "dtc_enabled_state_address_2",
};
constexpr size_t kNameCount = sizeof kNames / sizeof kNames[0];

// Numbers mostly land inside a small image; sometimes anything at all, or
// text the number reader must cope with.
std::string ValueText(fuzz::FuzzInput& in) {
  switch (in.Byte() % 8) {
    case 0:
    case 1:
    case 2:
      return std::to_string(in.Byte());
    case 3:
      return std::to_string((in.Byte() << 8) | in.Byte());
    case 4:
      return std::to_string(in.U32());
    case 5: {
      char text[16];
      std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(in.U32()));
      return text;
    }
    case 6:
      return in.Bool() ? "big" : "little";
    default:
      return in.Text(';');
  }
}

void AddChildList(TiXmlElement& params, const char* list_tag, const char* item_tag,
                  const char* first, const char* second, fuzz::FuzzInput& in, bool names) {
  TiXmlElement list(list_tag);
  const int count = in.Byte() % 4;
  for (int i = 0; i < count; ++i) {
    TiXmlElement item(item_tag);
    if (names) {
      item.SetAttribute(first, DTCParser::FormatDTCName(in.Byte(), in.Byte()));
      item.SetAttribute(second, DTCParser::FormatDTCName(in.Byte(), in.Byte()));
    } else {
      item.SetAttribute(first, ValueText(in));
      item.SetAttribute(second, ValueText(in));
    }
    list.InsertEndChild(item);
  }
  params.InsertEndChild(list);
}

TiXmlElement BuildParams(fuzz::FuzzInput& in) {
  TiXmlElement params("dtc_parser_params");
  const int records = in.Byte() % 16;
  for (int i = 0; i < records; ++i) {
    const uint8_t selector = in.Byte();
    const char* name = kNames[selector % kNameCount];
    const std::string value = ValueText(in);
    // The same name as attribute and as child element: the attribute wins.
    if (selector & 0x80) {
      TiXmlElement child(name);
      TiXmlText text(value);
      child.InsertEndChild(text);
      params.InsertEndChild(child);
    } else {
      params.SetAttribute(name, value);
    }
  }
  const uint8_t lists = in.Byte();
  if (lists & 1) {
    AddChildList(params, "dtc_ignore_ranges", "dtc_ignore_range", "start_address", "end_address",
                 in, false);
  }
  if (lists & 2)
    AddChildList(params, "dtc_pairs", "dtc_pair", "primary", "secondary", in, true);
  return params;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::FuzzInput in(data, size);
  const auto& names = dtc::RegisteredParserNames();
  const std::string& family = names[in.Byte() % names.size()];
  const uint8_t flags = in.Byte();
  TiXmlElement params = BuildParams(in);
  const DTCParser::Image image = in.Rest();

  std::unique_ptr<DTCParser> parser = dtc::MakeParser(family);
  if (!parser) {
    std::fprintf(stderr, "registered family %s cannot be made\n", family.c_str());
    std::abort();
  }
  if (flags & 1)
    parser->SetECUOffsetTranslator(vehicle::getECUToRomOffsetTranslator(vehicle::CPU_HC16));

  DTCParser::ToggleMap toggles;
  // Toggles from an earlier parse are extended, never dropped.
  if (flags & 2)
    toggles["P0000"];
  const size_t before = toggles.size();
  try {
    parser->Parse(image, toggles, params);
  } catch (const std::out_of_range&) {
  }
  if (toggles.size() < before) {
    std::fprintf(stderr, "parse removed toggles\n");
    std::abort();
  }
  return 0;
}
