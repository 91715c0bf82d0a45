#include "vehicle/definition/XMLToggle.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <tuple>

namespace {

using vehicle::XMLToggle;
using Store = util::DataHash<std::string, std::shared_ptr<XMLToggle>>;

std::shared_ptr<XMLToggle> ReadToggle(const std::string& body) {
  TiXmlDocument doc;
  doc.Parse(("<v><toggle id=\"T\" " + body + "</toggle></v>").c_str());
  Store store;
  std::string error;
  vehicle::ReadHashData(doc.RootElement(), store, error);
  return store.findData("T");
}

TEST(XMLToggleTest, ReadsPairsIntoSegments) {
  auto toggle = ReadToggle(R"(type="DTC" validate="1">
      <toggle_pair rom_offset="0x100" enabled_values="0x01, 0xFF" disabled_values="0,0x1FF"/>
      <toggle_pair><rom_offset>0x200</rom_offset><enabled_values>1</enabled_values>
        <disabled_values>0</disabled_values><mask_values>0x0F</mask_values></toggle_pair>)");
  EXPECT_EQ(
      std::make_tuple(toggle->GetID(), toggle->GetToggleType(), toggle->HasStrictValidation()),
      std::make_tuple(std::string("T"), vehicle::Toggle::TOGGLE_TYPE_DTC, true));
  const auto& segments = toggle->GetToggleStateDefinitionSegments();
  ASSERT_EQ(segments.size(), 2u);
  // Each number keeps its low 8 bits.
  EXPECT_EQ(
      std::make_tuple(segments[0].rom_offset, segments[0].enabled_values,
                      segments[0].disabled_values, segments[0].use_mask),
      std::make_tuple(0x100u, std::vector<uint8_t>{1, 255}, std::vector<uint8_t>{0, 255}, false));
  EXPECT_EQ(std::make_tuple(segments[1].use_mask, segments[1].mask_values),
            std::make_tuple(true, std::vector<uint8_t>{0x0F}));
  EXPECT_EQ(toggle->Validate(), 0);
}

TEST(XMLToggleTest, ValidationCodes) {
  struct Case {
    const char* body;
    vehicle::validate_codes_t code;
  } cases[] = {
      {R"(type="switch"><toggle_pair rom_offset="1" enabled_values="1" disabled_values="0"/>)",
       XMLToggle::CODE_BAD_TYPE},
      {R"(type="toggle">)", XMLToggle::CODE_NO_SEGMENTS},
      {R"(type="toggle"><toggle_pair rom_offset="0" enabled_values="1" disabled_values="0"/>)",
       XMLToggle::CODE_OFFSET_ZERO},
      {R"(type="toggle"><toggle_pair rom_offset="1" enabled_values="1"/>)",
       XMLToggle::CODE_NO_DISABLED_VALUES},
      {R"(type="toggle"><toggle_pair rom_offset="1" disabled_values="1"/>)",
       XMLToggle::CODE_NO_ENABLED_VALUES},
      {R"(type="toggle"><toggle_pair rom_offset="1" enabled_values="1,2" disabled_values="0"/>)",
       XMLToggle::CODE_VALUE_LENGTHS_DIFFER},
      {R"(type="toggle"><toggle_pair rom_offset="1" enabled_values="1" disabled_values="0"
          mask_values="1,2"/>)",
       XMLToggle::CODE_MASK_LENGTH_DIFFERS},
      {R"(type="Toggle"><toggle_pair rom_offset="1" enabled_values="1" disabled_values="0"
          mask_values="0x0F"/>)",
       0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ReadToggle(c.body)->Validate(), c.code) << c.body;
}

// A second read refines the first: its values replace those it gives, so the
// toggle never grows past the bytes of the feature.
TEST(XMLToggleTest, RereadingReplacesSegmentCountAndValues) {
  TiXmlDocument doc;
  doc.Parse(R"(<v><toggle id="T" type="toggle">
                <toggle_pair rom_offset="1" enabled_values="1" disabled_values="0" mask_values="3"/>
                <toggle_pair/></toggle>
              <toggle id="T"><toggle_pair rom_offset="5" enabled_values="2"/></toggle></v>)");
  Store store;
  std::string error;
  vehicle::ReadHashData(doc.RootElement(), store, error);
  const auto& segments = store.findData("T")->GetToggleStateDefinitionSegments();
  ASSERT_EQ(segments.size(), 1u);
  EXPECT_EQ(segments[0].rom_offset, 5u);
  EXPECT_EQ(segments[0].enabled_values, std::vector<uint8_t>({2}));
  EXPECT_EQ(segments[0].disabled_values, std::vector<uint8_t>({0}));
  EXPECT_FALSE(segments[0].use_mask);
}

}  // namespace
