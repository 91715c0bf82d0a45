#pragma once

namespace ecucal_cli {
namespace report {

// The page's style sheet; "@GRADIENT@" stands for the colour stops of the
// heat scale's legend bar.
extern const char kReportStyle[];

// The page's script: builds a table's grid from its JSON when it scrolls
// into view, filters tables by the search box, and honours the URL
// parameters WriteReport describes.
extern const char kReportScript[];

}  // namespace report
}  // namespace ecucal_cli
