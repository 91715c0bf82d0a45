#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include <nlohmann/json.hpp>

#include "report/ReportModel.h"

namespace ecucal_cli {
namespace report {

// One self-contained HTML page for a Report: styles and scripts inline, no
// request leaves the page. Table grids travel as JSON beside their section
// and are built when scrolled into view, so a definition of thousands of
// tables opens quickly. The page is written front to back in one pass.
//
// The page honours, in its URL hash or query ("#q=fuel&audit"):
//   q=TEXT  fills the search box: only tables whose id holds TEXT (any case)
//           stay listed;
//   all     builds every grid at once (for printing);
//   audit   builds every grid and writes what the page shows (visible
//           tables, each cell's computed colours, outlines and titles) as
//           JSON into the hidden element #audit, for automated checks.
void WriteReport(const Report& report, std::ostream& out);

struct Rgb {
  uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};

// Heatmap steps: a perceptually uniform scale from dark blue-violet (low)
// through teal to yellow (high).
constexpr int kHeatSteps = 32;

// Colour of step 0 .. kHeatSteps - 1 (clamped).
Rgb HeatColour(int step);
// The step of `value` on the scale from `min` to `max`; -1 for a value that
// is not finite. Values outside the range clamp; a range without width puts
// every value in the middle.
int HeatStep(double value, double min, double max);

// Relative luminance (0 black .. 1 white) of an sRGB colour.
double RelativeLuminance(Rgb colour);
// Black or white, whichever contrasts more with `background`.
Rgb ReadableTextColour(Rgb background);
// "#rrggbb".
std::string CssColour(Rgb colour);

// Text made safe for element content and quoted attribute values.
std::string EscapeHtml(const std::string& text);
// JSON made safe inside a <script> element: no "<", ">" or "&" survives, so
// no "</script>" or "<!--" can end or confuse the element. Invalid UTF-8 is
// replaced rather than refused.
std::string ScriptJson(const nlohmann::json& value);

}  // namespace report
}  // namespace ecucal_cli
