// The style sheet and the script every report page carries inline.
#include "report/ReportAssets.h"

namespace ecucal_cli {
namespace report {

const char kReportStyle[] = R"css(
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

const char kReportScript[] = R"js(
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

}  // namespace report
}  // namespace ecucal_cli
