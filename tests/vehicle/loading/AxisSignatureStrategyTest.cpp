#include "vehicle/loading/AxisSignatureStrategy.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <sstream>

#include "outside/Md5.h"

namespace {

using vehicle::Axis;

std::shared_ptr<Axis> ReadAxis(const std::string& axis_xml) {
  TiXmlDocument doc;
  doc.Parse(("<table>" + axis_xml + "</table>").c_str());
  auto axis = std::make_shared<Axis>();
  std::string error;
  axis->Read(axis->ReadType(doc.RootElement(), false), error, false);
  return axis;
}

std::string Md5(const std::string& text) {
  std::string digest;
  EXPECT_TRUE(pkg::md5Buffer(text.data(), text.size(), digest));
  return digest;
}

std::string Address(const std::shared_ptr<Axis>& axis) {
  std::ostringstream out;
  out << static_cast<const void*>(axis.get());
  return out.str();
}

const char* kRpmAxis =
    R"(<axis id="rpm" type="x" count="16" rom_offset="0x1A000" datatype="RPM"/>)";

// The exact texts decide what is shared: the data type changes only the
// definition, the place both.
TEST(SharedAxisSignatureStrategyTest, OffsetAxisTexts) {
  SharedAxisSignatureStrategy shared;
  auto axis = ReadAxis(kRpmAxis);
  EXPECT_EQ(shared.GetUniqueAxisString(axis), "106496161111");
  EXPECT_EQ(shared.GenerateUniqueStringForAxisDimensions(axis), "154");
  // The signatures are the digests of the data and definition texts.
  shared.GenerateSignatures(axis);
  EXPECT_EQ(axis->GetDataSignature(), Md5("106496161111_-1"));
  EXPECT_EQ(axis->GetDefSignature(), Md5("RPM106496161111154_-1"));
}

TEST(SharedAxisSignatureStrategyTest, NonSpecialTexts) {
  struct Case {
    const char* xml;
    const char* text;
  } cases[] = {
      // Every ROM offset, then every RAM offset, each followed by the axis count.
      {R"(<axis type="x" count="4" rom_offset="1,2" ram_offset="3"/>)", "14243411"},
      {R"(<axis type="x" count="4" ram_offset="3"/>)", "113411"},
      // Runs: the axis count (10), not the run's, follows each present offset.
      {R"(<axis type="x"><data count="4" rom_offset="0x100"/><data count="6" ram_offset="0x200"/></axis>)",
       "1125610111151210"},
      {R"(<axis type="x"><data count="3" rom_offset="7" ram_offset="8"/></axis>)", "117383"},
      {R"(<axis type="x" count="5"/>)", "1111"},
  };
  SharedAxisSignatureStrategy shared;
  for (const Case& c : cases) {
    auto axis = ReadAxis(std::string(c.xml).insert(6, "id=\"a\" "));
    EXPECT_EQ(shared.GenerateNonSpecialAxisDef(axis), c.text) << c.xml;
    EXPECT_EQ(shared.GetUniqueAxisString(axis), c.text) << c.xml;
  }
}

TEST(SharedAxisSignatureStrategyTest, LabelsAxisTextIsIdAndLabels) {
  SharedAxisSignatureStrategy shared;
  auto axis = ReadAxis(R"(<axis id="L" type="x" special="labels" rom_offset="5">
      <label>low</label><label>high</label></axis>)");
  EXPECT_EQ(shared.GetUniqueAxisString(axis), "Llowhigh");
  EXPECT_EQ(shared.GenerateDataSignatureText(axis), "Llowhigh_1");
  EXPECT_EQ(shared.GenerateDefSignatureText(axis), "Llowhigh7_1");  // pairing of (2, 1)

  auto moved = ReadAxis(R"(<axis id="L" type="x" special="labels" rom_offset="9">
      <label>low</label><label>high</label></axis>)");
  shared.GenerateSignatures(axis);
  shared.GenerateSignatures(moved);
  EXPECT_EQ(axis->GetDataSignature(), moved->GetDataSignature());
  EXPECT_EQ(axis->GetDefSignature(), moved->GetDefSignature());
}

TEST(SharedAxisSignatureStrategyTest, CalculatedAxesAreNeverShared) {
  SharedAxisSignatureStrategy shared;
  auto a = ReadAxis(R"(<axis id="c" type="x" special="x-calc" count="3"/>)");
  auto b = ReadAxis(R"(<axis id="c" type="x" special="x-calc" count="3"/>)");
  EXPECT_EQ(shared.GetUniqueAxisString(a), Address(a));
  EXPECT_EQ(shared.GenerateDataSignatureText(a), Address(a) + "_0");
  EXPECT_EQ(shared.GenerateDefSignatureText(a), Address(a) + "11_0");  // pairing of (3, 1)
  shared.GenerateSignatures(a);
  shared.GenerateSignatures(b);
  EXPECT_NE(a->GetDataSignature(), b->GetDataSignature());
  EXPECT_NE(a->GetDefSignature(), b->GetDefSignature());

  auto lwd =
      ReadAxis(R"(<axis id="w" type="y" special="labels with data"><label>a</label></axis>)");
  EXPECT_EQ(shared.GenerateDataSignatureText(lwd), Address(lwd) + "_2");
}

TEST(SharedAxisSignatureStrategyTest, DimensionPairing) {
  SharedAxisSignatureStrategy shared;
  struct Case {
    uint32_t z, x, y;
    const char* text;
  } cases[] = {
      {1, 16, 1, "154"},
      {1, 16, 12, "418"},
      {1, 0, 0, "0"},
      {1, 1, 0, "1"},
      {1, 0, 1, "2"},
      // Beyond 32 bits the value is written whole rather than cast.
      {1, 0xFFFFFFFF, 0xFFFFFFFF, "36893488138829168640"},
  };
  for (const Case& c : cases) {
    auto axis = std::make_shared<Axis>();
    axis->AdjustDimensions(c.z, c.x, c.y);
    EXPECT_EQ(shared.GenerateUniqueStringForAxisDimensions(axis), c.text) << c.x << "," << c.y;
  }
}

TEST(UniqueAxisSignatureStrategyTest, EveryAxisObjectHasItsOwnSignatures) {
  UniqueAxisSignatureStrategy unique;
  auto a = ReadAxis(kRpmAxis);
  auto b = ReadAxis(kRpmAxis);
  AxisSignatureStrategy& strategy = unique;
  strategy.GenerateSignatures(a);
  strategy.GenerateSignatures(b);
  EXPECT_EQ(a->GetDataSignature(), Md5(Address(a) + "_-1"));
  EXPECT_EQ(a->GetDefSignature(), Md5(Address(a) + "_def_RPM_-1"));
  EXPECT_EQ(b->GetDataSignature(), Md5(Address(b) + "_-1"));

  auto labels = ReadAxis(R"(<axis id="L" type="x" special="labels"><label>a</label></axis>)");
  EXPECT_EQ(unique.GenerateDataSignatureText(labels), Address(labels) + "_1");
  // No axis, nothing to sign.
  strategy.GenerateSignatures(nullptr);
  SharedAxisSignatureStrategy().GenerateSignatures(nullptr);
}

}  // namespace
