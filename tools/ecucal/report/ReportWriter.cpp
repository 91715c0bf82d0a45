#include "report/ReportWriter.h"

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

const char kStyle[] = R"css(
*{box-sizing:border-box}
body{font:14px/1.45 system-ui,-apple-system,"Segoe UI",sans-serif;margin:0;color:#1b1b1b;background:#f6f6f4}
header{padding:16px 24px;background:#fff;border-bottom:1px solid #ddd}
h1{font-size:20px;margin:0 0 8px}h2{font-size:18px;margin:20px 0 10px}h3{font-size:15px;margin:0 0 4px}
.layout{display:flex;align-items:flex-start}
nav{position:sticky;top:0;width:290px;flex:none;max-height:100vh;overflow:auto;padding:12px;background:#fff;border-right:1px solid #ddd}
nav ul{list-style:none;margin:0;padding:0 0 0 10px}nav>ul{padding:0}nav li{margin:1px 0}
nav .group>span{font-weight:600}
#search{width:100%;padding:5px 8px;font:inherit;border:1px solid #bbb;border-radius:4px}
main{flex:1;min-width:0;padding:8px 24px 48px}
table.facts td,table.list td,table.list th{padding:2px 10px 2px 0;text-align:left;vertical-align:top}
table.list{border-collapse:collapse}table.list th{border-bottom:1px solid #ccc}
table.list td{border-bottom:1px solid #eee}
code,.mono{font-family:ui-monospace,"DejaVu Sans Mono",monospace;font-size:12px}
section.table{margin:0 0 20px;padding:10px 12px;background:#fff;border:1px solid #e0e0e0;border-radius:4px}
.meta{color:#555;margin:2px 0 6px}
.mark{display:inline-block;font-size:11px;font-weight:500;padding:0 7px;margin-left:6px;border-radius:9px;background:#e4e4e4;vertical-align:2px}
.mark.restricted{background:#f6d0d4}.mark.read-only{background:#dde4f4}.mark.slave{background:#e9e0f5}
.mark.ephemeral{background:#f7ecc8}.mark.ram{background:#d8efe4}.mark.changes{background:#ff2d95;color:#fff}
.legend{display:flex;align-items:center;gap:6px;margin:0 0 6px;font-size:12px}
.legend .bar{width:180px;height:10px;border-radius:2px;background:linear-gradient(to right,@GRADIENT@)}
.grid-box{overflow-x:auto}
div.grid{min-height:1.5em;color:#777}
table.grid{border-collapse:separate;border-spacing:1px;font:12px/1.25 ui-monospace,"DejaVu Sans Mono",monospace;margin:0 0 8px;color:#1b1b1b}
table.grid td,table.grid th{padding:2px 6px;text-align:right;white-space:nowrap}
table.grid th{background:#ececec;font-weight:600}
table.grid .changed{outline:2px solid #ff2d95;outline-offset:-2px}
.slice{margin:6px 0 2px;font-weight:600;color:#1b1b1b}
.on{color:#0b6b2e}.off{color:#8a1c1c}.differs td{background:#fff0f6}
.note{color:#8a1c1c}
[hidden]{display:none!important}
)css";

const char kScript[] = R"js(
(function () {
  "use strict";
  var meta = JSON.parse(document.getElementById("report-meta").textContent);
  var heat = meta.heat;
  var params = {};
  [location.search.slice(1), location.hash.slice(1)].forEach(function (part) {
    part.split("&").forEach(function (item) {
      if (!item) return;
      var eq = item.indexOf("=");
      var key = eq < 0 ? item : item.slice(0, eq);
      var value = eq < 0 ? "" : item.slice(eq + 1);
      try { params[decodeURIComponent(key)] = decodeURIComponent(value.replace(/\+/g, " ")); }
      catch (e) { params[key] = value; }
    });
  });

  function gridData(n) {
    var source = document.getElementById("g-" + n);
    return source ? JSON.parse(source.textContent) : null;
  }
  function changes(values) {
    var map = {};
    if (values && values.ch) values.ch.forEach(function (i, k) { map[i] = values.o[k]; });
    return map;
  }
  function put(row, tag, text, other) {
    var cell = document.createElement(tag);
    cell.textContent = text === undefined ? "" : text;
    if (other !== undefined) {
      cell.className = "changed";
      cell.title = meta.label + ": " + cell.textContent + "\n" + meta.other + ": " + other;
    }
    row.appendChild(cell);
    return cell;
  }
  function build(div) {
    if (div.getAttribute("data-rendered")) return;
    div.setAttribute("data-rendered", "1");
    var d = gridData(div.getAttribute("data-grid"));
    if (!d || !d.v.length) { div.textContent = "No values to show."; return; }
    var ax = d.ax || {}, x = ax.x, y = ax.y, w = ax.w;
    var body = changes(d), cx = changes(x), cy = changes(y), cw = changes(w);
    var box = document.createDocumentFragment();
    for (var k = 0; k < d.d; k++) {
      if (w) {
        var caption = document.createElement("p");
        caption.className = "slice";
        var wt = (w.v[k] === undefined ? "?" : w.v[k]);
        caption.textContent = w.id + " = " + wt + (w.u ? " " + w.u : "");
        if (k in cw) {
          caption.className += " changed";
          caption.title = meta.label + ": " + wt + "\n" + meta.other + ": " + cw[k];
        }
        box.appendChild(caption);
      }
      var table = document.createElement("table");
      table.className = "grid";
      if (x) {
        var head = table.insertRow();
        if (y) put(head, "th", (y.u || "") + " \\ " + (x.u || "")).className = "corner";
        for (var c = 0; c < d.c; c++) put(head, "th", x.v[c], cx[c]);
      }
      for (var r = 0; r < d.r; r++) {
        var row = table.insertRow();
        if (y) put(row, "th", y.v[r], cy[r]);
        for (var c2 = 0; c2 < d.c; c2++) {
          var i = c2 + d.c * (r + d.r * k);
          var td = put(row, "td", d.v[i], body[i]);
          td.setAttribute("data-i", i);
          var step = d.h[i];
          if (step >= 0) {
            td.style.backgroundColor = heat[step][0];
            td.style.color = heat[step][1];
          }
        }
      }
      box.appendChild(table);
    }
    div.textContent = "";
    div.appendChild(box);
  }

  var grids = Array.prototype.slice.call(document.querySelectorAll("div.grid"));
  function buildAll() { grids.forEach(build); }
  if ("all" in params || "audit" in params || !("IntersectionObserver" in window)) {
    buildAll();
  } else {
    var observer = new IntersectionObserver(function (entries) {
      entries.forEach(function (entry) {
        if (!entry.isIntersecting) return;
        build(entry.target);
        observer.unobserve(entry.target);
      });
    }, { rootMargin: "600px 0px" });
    grids.forEach(function (div) { observer.observe(div); });
  }

  var sections = Array.prototype.slice.call(document.querySelectorAll("section.table"));
  var entries = Array.prototype.slice.call(document.querySelectorAll("#toc li[data-id]"));
  var groups = Array.prototype.slice.call(document.querySelectorAll("#toc li.group"));
  var search = document.getElementById("search");
  var count = document.getElementById("search-count");
  function matches(el, q) {
    return !q || el.getAttribute("data-id").toLowerCase().indexOf(q) >= 0;
  }
  function filter() {
    var q = search.value.trim().toLowerCase();
    var shown = 0;
    sections.forEach(function (s) {
      s.hidden = !matches(s, q);
      if (!s.hidden && s.id.charAt(0) === "t") shown++;
    });
    entries.forEach(function (li) { li.hidden = !matches(li, q); });
    groups.forEach(function (g) { g.hidden = !g.querySelector("li[data-id]:not([hidden])"); });
    count.textContent = q ? shown + " of " + meta.tables + " tables" : meta.tables + " tables";
  }
  search.addEventListener("input", filter);
  if (params.q !== undefined) search.value = params.q;
  filter();

  if ("audit" in params) {
    var result = { query: search.value, visible: [], differences: [], tables: {} };
    sections.forEach(function (s) {
      var id = s.getAttribute("data-id");
      if (s.id.charAt(0) === "d") { result.differences.push(id); return; }
      if (!s.hidden) result.visible.push(id);
      var cells = [];
      s.querySelectorAll("td[data-i]").forEach(function (td) {
        var style = getComputedStyle(td);
        cells.push({ i: +td.getAttribute("data-i"), text: td.textContent,
                     bg: style.backgroundColor, fg: style.color,
                     outline: style.outlineStyle, title: td.title });
      });
      var headers = [];
      s.querySelectorAll("th.changed, p.slice.changed").forEach(function (th) {
        headers.push({ text: th.textContent, title: th.title });
      });
      result.tables[id] = { cells: cells, changed_headers: headers,
                            changes: s.getAttribute("data-changed"),
                            min: s.getAttribute("data-min"), max: s.getAttribute("data-max") };
    });
    result.toggles_differ = Array.prototype.map.call(
      document.querySelectorAll("#differences tr.differs"), function (tr) { return tr.getAttribute("data-id"); });
    result.ranges = document.querySelectorAll("#byte-ranges tbody tr").length;
    document.getElementById("audit").textContent = JSON.stringify(result);
    document.body.setAttribute("data-audit", "done");
  }
})();
)js";

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
  return {{"v", values.texts}, {"ch", values.changed}, {"o", values.other_texts}};
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
         << Replace(kStyle, "@GRADIENT@", Gradient()) << "</style>\n</head>\n<body>\n";
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
         << "</script>\n<script>" << kScript << "</script>\n";
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
