// The report page writer on its own: escaping, the colour scale and the
// text colour rule.
#include "report/ReportWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <sstream>

namespace {

using namespace ecucal_cli::report;

double Contrast(Rgb a, Rgb b) {
  const double la = RelativeLuminance(a), lb = RelativeLuminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

size_t Count(const std::string& text, const std::string& what) {
  size_t count = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
    ++count;
  return count;
}

TEST(ReportWriterTest, ScriptJsonCannotCloseItsElementAndReadsBackTheSame) {
  const nlohmann::json value = {{"id", "</script><script>alert(1)</script> <!-- & \"q\""},
                                {"bad utf8", std::string("\xff\xfe ok")}};
  const std::string text = ScriptJson(value);
  EXPECT_EQ(text.find_first_of("<>&"), std::string::npos) << text;
  EXPECT_EQ(nlohmann::json::parse(text)["id"], value["id"]);
  EXPECT_NE(nlohmann::json::parse(text)["bad utf8"].get<std::string>().find("ok"),
            std::string::npos);
}

TEST(ReportWriterTest, HeatScaleRunsFromVioletToYellowGettingLighterEveryStep) {
  EXPECT_EQ(CssColour(HeatColour(0)), "#440154");
  EXPECT_EQ(CssColour(HeatColour(kHeatSteps - 1)), "#fde725");
  EXPECT_EQ(HeatColour(-5), HeatColour(0));
  EXPECT_EQ(HeatColour(kHeatSteps + 5), HeatColour(kHeatSteps - 1));
  for (int step = 1; step < kHeatSteps; ++step) {
    EXPECT_GT(RelativeLuminance(HeatColour(step)), RelativeLuminance(HeatColour(step - 1))) << step;
  }

  // Values map onto the steps clamped; unreadable ones are left uncoloured.
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const struct {
    double value, min, max;
    int step;
  } cases[] = {
      {10, 10, 20, 0},
      {20, 10, 20, kHeatSteps - 1},
      {15, 10, 20, 16},  // 15.5 rounds up
      {-100, 10, 20, 0},
      {100, 10, 20, kHeatSteps - 1},
      {7, 7, 7, kHeatSteps / 2},
      {nan, 0, 1, -1},
      {std::numeric_limits<double>::infinity(), 0, 1, -1},
      {1, -std::numeric_limits<double>::max(), std::numeric_limits<double>::max(), kHeatSteps / 2},
  };
  for (const auto& c : cases)
    EXPECT_EQ(HeatStep(c.value, c.min, c.max), c.step)
        << c.value << " in " << c.min << ".." << c.max;
}

TEST(ReportWriterTest, TextColourIsTheBetterContrastAndReadableOnEveryStep) {
  const Rgb black{0, 0, 0}, white{255, 255, 255};
  EXPECT_EQ(ReadableTextColour(HeatColour(0)), white);
  EXPECT_EQ(ReadableTextColour(HeatColour(kHeatSteps - 1)), black);
  EXPECT_EQ(ReadableTextColour(Rgb{0x77, 0x77, 0x77}), black);  // luminance 0.184
  EXPECT_EQ(ReadableTextColour(Rgb{0x75, 0x75, 0x75}), white);  // luminance 0.178
  for (int step = 0; step < kHeatSteps; ++step) {
    const Rgb cell = HeatColour(step);
    const Rgb text = ReadableTextColour(cell);
    const Rgb other = text == black ? white : black;
    EXPECT_GE(Contrast(cell, text), Contrast(cell, other)) << step;
    EXPECT_GE(Contrast(cell, text), 4.5) << step;
  }
}

TEST(ReportWriterTest, PageEscapesEveryDefinitionTextAndKeepsItsScriptsClosed) {
  const std::string hostile = "<b id=\"x\">T&'</script><!--";
  Report report;
  report.title = hostile;
  report.facts = {{hostile, hostile}};
  report.images = {{"ROM", hostile, 4, "00"}};
  report.compared = true;
  report.label = hostile;
  report.other_label = hostile;
  Table table;
  table.id = hostile;
  table.type = "2d";
  table.groups = {hostile};
  table.unit = hostile;
  table.format = hostile;
  table.slave = true;
  table.master = hostile;
  table.columns = 2;
  table.rows = 1;
  table.compared = true;
  table.body = {{1, 2}, {hostile, hostile}, {1}, {hostile}};
  table.axes = {{"x", hostile, hostile, {{0, 1}, {hostile, hostile}, {}, {}}}};
  report.tables = {table};
  report.toggles = {{hostile, "on", "off", true, true}};
  report.ranges = {{16, 2, hostile, hostile}};
  std::ostringstream out;
  WriteReport(report, out);
  const std::string page = out.str();

  EXPECT_EQ(page.find(hostile), std::string::npos);
  EXPECT_EQ(Count(page, "<b "), 0u);
  EXPECT_EQ(Count(page, "<!--"), 0u);
  // The grid data, the page facts and the page's own script, each closed once.
  EXPECT_EQ(Count(page, "<script"), 3u);
  EXPECT_EQ(Count(page, "</script>"), 3u);
  EXPECT_NE(page.find("data-id=\"&lt;b id=&quot;x&quot;&gt;T&amp;&#39;&lt;/script&gt;&lt;!--\""),
            std::string::npos);
  EXPECT_EQ(page.find("http://"), std::string::npos);
  EXPECT_EQ(page.find("https://"), std::string::npos);
}

}  // namespace
