#include "report/ReportWriter.h"

#include "report/ReportAssets.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>

namespace ecucal_cli {
namespace report {

namespace {

// Ten evenly spaced samples of the viridis scale; the steps between them are
// interpolated, which keeps the scale's even lightness ramp.
const Rgb kViridis[] = {{0x44, 0x01, 0x54}, {0x48, 0x28, 0x78}, {0x3e, 0x49, 0x89},
                        {0x31, 0x68, 0x8e}, {0x26, 0x82, 0x8e}, {0x1f, 0x9e, 0x89},
                        {0x35, 0xb7, 0x79}, {0x6e, 0xce, 0x58}, {0xb5, 0xde, 0x2b},
                        {0xfd, 0xe7, 0x25}};
constexpr int kViridisSamples = sizeof kViridis / sizeof kViridis[0];

uint8_t Mix(uint8_t a, uint8_t b, double t) {
  return static_cast<uint8_t>(std::lround(a + (b - a) * t));
}

double Linear(uint8_t channel) {
  const double c = channel / 255.0;
  return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

std::string Replace(std::string text, const std::string& what, const std::string& with) {
  const size_t at = text.find(what);
  if (at != std::string::npos)
    text.replace(at, what.size(), with);
  return text;
}

std::string Gradient() {
  std::string stops;
  for (int i = 0; i < kViridisSamples; ++i) {
    if (i > 0)
      stops += ',';
    stops += CssColour(kViridis[i]);
  }
  return stops;
}

nlohmann::json ValuesJson(const Values& values) {
  nlohmann::json json = {{"v", values.texts}};
  // Most cells of most tables are the same in both ROMs: say nothing then.
  if (!values.changed.empty()) {
    json["ch"] = values.changed;
    json["o"] = values.other_texts;
  }
  return json;
}

// The grid of a table for the page's script: texts, heat steps, changes and
// the axes.
nlohmann::json GridJson(const Table& table) {
  nlohmann::json grid = ValuesJson(table.body);
  grid["c"] = table.columns;
  grid["r"] = table.rows;
  grid["d"] = table.depths;
  const auto finite = [](double v) { return std::isfinite(v); };
  double min = 0, max = 0;
  bool any = false;
  for (double v : table.body.numbers) {
    if (!finite(v))
      continue;
    min = any ? std::min(min, v) : v;
    max = any ? std::max(max, v) : v;
    any = true;
  }
  std::vector<int> steps;
  steps.reserve(table.body.numbers.size());
  for (double v : table.body.numbers)
    steps.push_back(HeatStep(v, min, max));
  grid["h"] = steps;
  nlohmann::json axes = nlohmann::json::object();
  for (const AxisValues& axis : table.axes) {
    nlohmann::json json = ValuesJson(axis.values);
    json["id"] = axis.id;
    json["u"] = axis.unit;
    axes[axis.role] = json;
  }
  grid["ax"] = axes;
  return grid;
}

// Indexes of the smallest and the largest finite value; npos when none.
std::pair<size_t, size_t> Extremes(const Values& values) {
  size_t low = std::string::npos, high = std::string::npos;
  for (size_t i = 0; i < values.numbers.size() && i < values.texts.size(); ++i) {
    const double v = values.numbers[i];
    if (!std::isfinite(v))
      continue;
    if (low == std::string::npos || v < values.numbers[low])
      low = i;
    if (high == std::string::npos || v > values.numbers[high])
      high = i;
  }
  return {low, high};
}

std::string Plural(size_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

class PageWriter {
 public:
  PageWriter(const Report& report, std::ostream& out) : report_(report), out_(out) {}

  void Write() {
    Head();
    Header();
    out_ << "<div class=\"layout\">\n";
    Toc();
    out_ << "<main>\n";
    if (report_.compared)
      Differences();
    Tables();
    Toggles("toggles", "Toggles", report_.toggles);
    Toggles("trouble-codes", "Trouble codes", report_.trouble_codes);
    out_ << "</main>\n</div>\n<pre id=\"audit\" hidden></pre>\n";
    Script();
    out_ << "</body>\n</html>\n";
  }

 private:
  std::string E(const std::string& text) const { return EscapeHtml(text); }

  void Head() {
    out_ << "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
         << "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
         << "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
            "style-src 'unsafe-inline'; script-src 'unsafe-inline'; img-src data:\">\n"
         << "<title>" << E(report_.title) << "</title>\n<style>"
         << Replace(kReportStyle, "@GRADIENT@", Gradient()) << "</style>\n</head>\n<body>\n";
  }

  void Header() {
    out_ << "<header>\n<h1>" << E(report_.title) << "</h1>\n<table class=\"facts\">\n";
    for (const auto& fact : report_.facts)
      out_ << "<tr><td>" << E(fact.first) << "</td><td>" << E(fact.second) << "</td></tr>\n";
    out_ << "</table>\n<table class=\"list images\">\n<tr><th>Image</th><th>File</th>"
         << "<th>Size (bytes)</th><th>MD5</th></tr>\n";
    for (const Image& image : report_.images) {
      out_ << "<tr><td>" << E(image.role) << "</td><td>" << E(image.path) << "</td><td>"
           << image.size << "</td><td class=\"mono\">" << E(image.md5) << "</td></tr>\n";
    }
    out_ << "</table>\n";
    for (const std::string& note : report_.notes)
      out_ << "<p class=\"note\">" << E(note) << "</p>\n";
    out_ << "</header>\n";
  }

  // Groups in name order, each with its tables; tables without a group last.
  std::vector<std::pair<std::string, std::vector<size_t>>> Groups(bool first_only) const {
    std::map<std::string, std::vector<size_t>> by_group;
    std::vector<size_t> loose;
    for (size_t n = 0; n < report_.tables.size(); ++n) {
      const auto& groups = report_.tables[n].groups;
      if (groups.empty())
        loose.push_back(n);
      for (size_t g = 0; g < groups.size() && (g == 0 || !first_only); ++g)
        by_group[groups[g]].push_back(n);
    }
    std::vector<std::pair<std::string, std::vector<size_t>>> result(by_group.begin(),
                                                                    by_group.end());
    if (!loose.empty())
      result.emplace_back("(no group)", loose);
    return result;
  }

  void Marks(const Table& table) {
    if (table.read_only)
      out_ << "<span class=\"mark read-only\">read-only</span>";
    if (table.slave)
      out_ << "<span class=\"mark slave\">slave of " << E(table.master) << "</span>";
    if (table.restricted)
      out_ << "<span class=\"mark restricted\">restricted</span>";
    if (table.ephemeral)
      out_ << "<span class=\"mark ephemeral\">ephemeral</span>";
    if (table.ram_only)
      out_ << "<span class=\"mark ram\">RAM only</span>";
  }

  void Toc() {
    out_ << "<nav id=\"toc\">\n<input id=\"search\" type=\"search\" "
         << "placeholder=\"Filter tables by id or name\" aria-label=\"Filter tables\">\n"
         << "<p id=\"search-count\"></p>\n<ul>\n";
    if (report_.compared)
      out_ << "<li><a href=\"#differences\">Differences</a></li>\n";
    for (const auto& group : Groups(false)) {
      out_ << "<li class=\"group\"><span>" << E(group.first) << "</span>\n<ul>\n";
      for (size_t n : group.second) {
        const Table& table = report_.tables[n];
        out_ << "<li data-id=\"" << E(table.id) << "\"><a href=\"#t-" << n << "\">" << E(table.id)
             << "</a>";
        if (table.ChangedCells() > 0)
          out_ << "<span class=\"mark changes\">" << table.ChangedCells() << "</span>";
        out_ << "</li>\n";
      }
      out_ << "</ul></li>\n";
    }
    out_ << "<li><a href=\"#toggles\">Toggles</a></li>\n"
         << "<li><a href=\"#trouble-codes\">Trouble codes</a></li>\n</ul>\n</nav>\n";
  }

  void TableSection(const Table& table, size_t n, char prefix) {
    const auto extremes = Extremes(table.body);
    out_ << "<section class=\"table\" id=\"" << prefix << '-' << n << "\" data-id=\"" << E(table.id)
         << "\" data-changed=\"" << table.ChangedCells() << "\"";
    if (extremes.first != std::string::npos) {
      out_ << " data-min=\"" << E(table.body.texts[extremes.first]) << "\" data-max=\""
           << E(table.body.texts[extremes.second]) << "\"";
    }
    out_ << ">\n<h3>" << E(table.id);
    Marks(table);
    out_ << "</h3>\n<p class=\"meta\">" << E(table.type);
    if (table.columns > 0)
      out_ << " &middot; " << table.columns << " &times; " << table.rows;
    if (table.depths > 1)
      out_ << " &times; " << table.depths;
    if (!table.unit.empty())
      out_ << " &middot; values in " << E(table.unit);
    if (!table.format.empty())
      out_ << " &middot; format <code>" << E(table.format) << "</code>";
    for (const AxisValues& axis : table.axes) {
      out_ << " &middot; " << E(axis.role) << ": " << E(axis.id);
      if (!axis.unit.empty())
        out_ << " (" << E(axis.unit) << ")";
    }
    out_ << "</p>\n";
    if (table.compared) {
      out_ << "<p class=\"meta\">";
      if (table.ChangedCells() > 0) {
        out_ << "<span class=\"mark changes\">" << Plural(table.ChangedCells(), "cell", "cells")
             << " changed</span> outlined; hover a cell for both values";
      } else {
        out_ << "Same in both ROMs";
      }
      out_ << "</p>\n";
    }
    if (!table.compare_note.empty())
      out_ << "<p class=\"note\">" << E(table.compare_note) << "</p>\n";
    if (!table.note.empty())
      out_ << "<p class=\"note\">" << E(table.note) << "</p>\n";
    if (extremes.first != std::string::npos) {
      out_ << "<div class=\"legend\"><span>min " << E(table.body.texts[extremes.first])
           << "</span><span class=\"bar\"></span><span>max " << E(table.body.texts[extremes.second])
           << "</span>";
      if (!table.unit.empty())
        out_ << "<span>" << E(table.unit) << "</span>";
      out_ << "</div>\n";
    }
    out_ << "<div class=\"grid-box\"><div class=\"grid\" data-grid=\"" << n
         << "\">Scroll here to show the values.</div></div>\n";
    if (prefix == 't') {
      out_ << "<script type=\"application/json\" id=\"g-" << n << "\">"
           << ScriptJson(GridJson(table)) << "</script>\n";
    }
    out_ << "</section>\n";
  }

  void Differences() {
    std::vector<size_t> changed;
    for (size_t n = 0; n < report_.tables.size(); ++n) {
      const Table& table = report_.tables[n];
      if (table.ChangedCells() > 0 || !table.compare_note.empty())
        changed.push_back(n);
    }
    size_t toggles = 0;
    for (const auto* list : {&report_.toggles, &report_.trouble_codes}) {
      for (const Toggle& toggle : *list)
        toggles += toggle.differs ? 1 : 0;
    }
    out_ << "<section id=\"differences\">\n<h2>Differences from " << E(report_.other_label)
         << "</h2>\n<p>" << Plural(changed.size(), "table differs", "tables differ") << ", "
         << Plural(toggles, "toggle or trouble code differs", "toggles or trouble codes differ")
         << ", "
         << Plural(report_.ranges.size() + report_.ranges_left_out, "byte range", "byte ranges")
         << " differ outside every table and toggle.</p>\n";
    for (size_t n : changed)
      TableSection(report_.tables[n], n, 'd');

    out_ << "<h3>Toggles and trouble codes that differ</h3>\n";
    if (toggles == 0) {
      out_ << "<p>None.</p>\n";
    } else {
      out_ << "<table class=\"list\">\n<tr><th>Id</th><th>" << E(report_.label) << "</th><th>"
           << E(report_.other_label) << "</th></tr>\n";
      for (const auto* list : {&report_.toggles, &report_.trouble_codes}) {
        for (const Toggle& toggle : *list) {
          if (toggle.differs) {
            out_ << "<tr class=\"differs\" data-id=\"" << E(toggle.id) << "\"><td>" << E(toggle.id)
                 << "</td><td>" << E(toggle.state) << "</td><td>" << E(toggle.other_state)
                 << "</td></tr>\n";
          }
        }
      }
      out_ << "</table>\n";
    }

    out_ << "<h3>Bytes that differ outside every table and toggle</h3>\n";
    if (report_.ranges.empty()) {
      out_ << "<p>None.</p>\n";
    } else {
      out_ << "<table class=\"list mono\" id=\"byte-ranges\">\n<thead><tr><th>Offset</th>"
           << "<th>Length</th><th>" << E(report_.label) << "</th><th>" << E(report_.other_label)
           << "</th></tr></thead>\n<tbody>\n";
      for (const ByteRange& range : report_.ranges) {
        char offset[24];
        std::snprintf(offset, sizeof offset, "0x%08llX",
                      static_cast<unsigned long long>(range.offset));
        out_ << "<tr><td>" << offset << "</td><td>" << range.length << "</td><td>" << E(range.bytes)
             << "</td><td>" << E(range.other_bytes) << "</td></tr>\n";
      }
      out_ << "</tbody>\n</table>\n";
      if (report_.ranges_left_out > 0) {
        out_ << "<p class=\"note\">" << Plural(report_.ranges_left_out, "more range", "more ranges")
             << " not listed.</p>\n";
      }
    }
    out_ << "</section>\n";
  }

  void Tables() {
    out_ << "<section id=\"tables\">\n<h2>Tables</h2>\n";
    if (report_.tables.empty())
      out_ << "<p>The definition has no tables this ROM could show.</p>\n";
    for (const auto& group : Groups(true)) {
      out_ << "<h2 class=\"group-title\">" << E(group.first) << "</h2>\n";
      for (size_t n : group.second)
        TableSection(report_.tables[n], n, 't');
    }
    out_ << "</section>\n";
  }

  void Toggles(const char* id, const char* title, const std::vector<Toggle>& toggles) {
    out_ << "<section id=\"" << id << "\">\n<h2>" << title << "</h2>\n";
    if (toggles.empty()) {
      out_ << "<p>None.</p>\n</section>\n";
      return;
    }
    out_ << "<table class=\"list\">\n<tr><th>Id</th><th>" << E(report_.label) << "</th>";
    if (report_.compared)
      out_ << "<th>" << E(report_.other_label) << "</th>";
    out_ << "<th></th></tr>\n";
    auto state = [this](const std::string& text) {
      const char* cls = text == "on" ? "on" : text == "off" ? "off" : "";
      out_ << "<td class=\"" << cls << "\">" << E(text) << "</td>";
    };
    for (const Toggle& toggle : toggles) {
      out_ << "<tr data-id=\"" << E(toggle.id) << "\"><td>" << E(toggle.id) << "</td>";
      state(toggle.state);
      if (report_.compared)
        state(toggle.other_state);
      out_ << "<td>";
      if (toggle.restricted)
        out_ << "<span class=\"mark restricted\">restricted</span>";
      if (toggle.differs)
        out_ << "<span class=\"mark changes\">differs</span>";
      out_ << "</td></tr>\n";
    }
    out_ << "</table>\n</section>\n";
  }

  void Script() {
    nlohmann::json heat = nlohmann::json::array();
    for (int step = 0; step < kHeatSteps; ++step) {
      const Rgb colour = HeatColour(step);
      heat.push_back({CssColour(colour), CssColour(ReadableTextColour(colour))});
    }
    const nlohmann::json meta = {{"heat", heat},
                                 {"label", report_.label},
                                 {"other", report_.other_label},
                                 {"tables", report_.tables.size()}};
    out_ << "<script type=\"application/json\" id=\"report-meta\">" << ScriptJson(meta)
         << "</script>\n<script>" << kReportScript << "</script>\n";
  }

  const Report& report_;
  std::ostream& out_;
};

}  // namespace

Rgb HeatColour(int step) {
  step = std::max(0, std::min(kHeatSteps - 1, step));
  const double position = step * (kViridisSamples - 1) / static_cast<double>(kHeatSteps - 1);
  const int low = std::min(kViridisSamples - 2, static_cast<int>(position));
  const double t = position - low;
  const Rgb& a = kViridis[low];
  const Rgb& b = kViridis[low + 1];
  return {Mix(a.r, b.r, t), Mix(a.g, b.g, t), Mix(a.b, b.b, t)};
}

int HeatStep(double value, double min, double max) {
  if (!std::isfinite(value))
    return -1;
  if (!(max > min) || !std::isfinite(max - min))
    return kHeatSteps / 2;
  const double t = std::max(0.0, std::min(1.0, (value - min) / (max - min)));
  return static_cast<int>(std::lround(t * (kHeatSteps - 1)));
}

double RelativeLuminance(Rgb colour) {
  return 0.2126 * Linear(colour.r) + 0.7152 * Linear(colour.g) + 0.0722 * Linear(colour.b);
}

Rgb ReadableTextColour(Rgb background) {
  const double l = RelativeLuminance(background);
  // Contrast ratios against black and white; black wins ties.
  const double with_black = (l + 0.05) / 0.05;
  const double with_white = 1.05 / (l + 0.05);
  return with_black >= with_white ? Rgb{0, 0, 0} : Rgb{255, 255, 255};
}

std::string CssColour(Rgb colour) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", colour.r, colour.g, colour.b);
  return text;
}

std::string EscapeHtml(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      case '\0':
        out += "&#xFFFD;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string ScriptJson(const nlohmann::json& value) {
  const std::string json = value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  std::string out;
  out.reserve(json.size());
  // These characters only occur inside JSON strings, where the escapes mean
  // the same.
  for (char c : json) {
    switch (c) {
      case '<':
        out += "\\u003c";
        break;
      case '>':
        out += "\\u003e";
        break;
      case '&':
        out += "\\u0026";
        break;
      default:
        out += c;
    }
  }
  return out;
}

void WriteReport(const Report& report, std::ostream& out) {
  PageWriter(report, out).Write();
}

}  // namespace report
}  // namespace ecucal_cli
