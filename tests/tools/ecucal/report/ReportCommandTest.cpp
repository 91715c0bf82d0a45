// End-to-end tests of `ecucal report`: the built command writes the report of
// the sample ROMs, and headless Chromium renders it; the page's audit mode
// writes what it shows (visible tables, computed cell colours, outlines,
// titles) into the DOM, which is checked here.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "../CommandTestSupport.h"
#include "report/ReportWriter.h"

namespace {

namespace fs = std::filesystem;
using command_test::Quote;
using command_test::ReadAll;
using ecucal_cli::report::HeatColour;
using ecucal_cli::report::kHeatSteps;
using ecucal_cli::report::ReadableTextColour;
using ecucal_cli::report::Rgb;

int Shell(const std::string& command) {
  const int raw = std::system(command.c_str());
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

std::string Css(Rgb c) {
  return "rgb(" + std::to_string(c.r) + ", " + std::to_string(c.g) + ", " + std::to_string(c.b) +
         ")";
}

std::string Unescape(std::string text) {
  const std::pair<const char*, const char*> entities[] = {
      {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&nbsp;", "\xC2\xA0"}, {"&amp;", "&"}};
  for (const auto& entity : entities) {
    std::string out;
    size_t from = 0;
    for (size_t at; (at = text.find(entity.first, from)) != std::string::npos;
         from = at + std::strlen(entity.first))
      out += text.substr(from, at - from) + entity.second;
    text = out + text.substr(from);
  }
  return text;
}

class ReportCommandTest : public command_test::CommandTest {
 protected:
  void SetUp() override {
    CommandTest::SetUp();
    vehicle_ = scratch_ / "vehicle";
    manifest_ = nlohmann::json::parse(ReadAll(vehicle_ / "kestrel.roms.json"));
  }

  int Report(std::vector<std::string> args) const {
    args.insert(args.begin(), "report");
    const command_test::Result result = Run(args);
    last_err_ = result.err;
    return result.status;
  }
  std::string Path(const std::string& name) const { return (vehicle_ / name).string(); }

  // Chromium's path, or empty. Missing Chromium skips on a workstation and
  // fails in CI, where the browser tests must run.
  static std::string Chromium() {
    std::string path = std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin";
    std::stringstream folders(path + ":/usr/lib/chromium");
    for (std::string folder; std::getline(folders, folder, ':');) {
      const std::string candidate = folder + "/chromium";
      if (!folder.empty() && access(candidate.c_str(), X_OK) == 0)
        return candidate;
    }
    return "";
  }

  // The page rendered with `fragment` after its URL; the audit JSON its
  // script wrote. `screenshot` also keeps a picture of it.
  nlohmann::json Render(const fs::path& page, const std::string& fragment,
                        const fs::path& screenshot = {}) const {
    const fs::path profile = scratch_ / ("profile" + std::to_string(renders_++));
    std::string command = "timeout 120 " + Quote(Chromium()) +
                          " --headless --no-sandbox --disable-gpu --disable-quic --no-first-run"
                          " --disable-background-networking --disable-component-update"
                          " --disable-sync --hide-scrollbars --window-size=1400,1800"
                          " --virtual-time-budget=5000 --user-data-dir=" +
                          Quote(profile.string());
    const std::string url = "file://" + page.string();
    if (!screenshot.empty()) {
      fs::create_directories(screenshot.parent_path());
      Shell(command + " --screenshot=" + Quote(screenshot.string()) + " " + Quote(url) +
            " >/dev/null 2>&1");
    }
    const fs::path dom = scratch_ / "dom.html";
    EXPECT_EQ(Shell(command + " --dump-dom " + Quote(url + fragment) + " >" + Quote(dom.string()) +
                    " 2>/dev/null"),
              0);
    const std::string text = ReadAll(dom);
    const std::string open = "<pre id=\"audit\" hidden=\"\">";
    const size_t start = text.find(open);
    const size_t end = text.find("</pre>", start);
    if (start == std::string::npos || end == std::string::npos ||
        text.find("data-audit=\"done\"") == std::string::npos) {
      ADD_FAILURE() << "the page wrote no audit";
      return nlohmann::json::object();
    }
    return nlohmann::json::parse(
        Unescape(text.substr(start + open.size(), end - start - open.size())));
  }

  fs::path vehicle_;
  nlohmann::json manifest_;
  mutable int renders_ = 0;
  mutable std::string last_err_;
};

#define REQUIRE_CHROMIUM()                                                             \
  do {                                                                                 \
    if (Chromium().empty()) {                                                          \
      if (std::getenv("CI") != nullptr)                                                \
        FAIL() << "chromium is not installed; the report's browser tests need it";     \
      GTEST_SKIP() << "chromium is not installed (Debian package chromium; make test " \
                      "installs it): the report's browser tests did not run";          \
    }                                                                                  \
  } while (0)

TEST_F(ReportCommandTest, SampleReportShowsHeatmapsAndOutlinesWhatDiffersFromStock) {
  REQUIRE_CHROMIUM();
  const fs::path page = scratch_ / "report.html";
  ASSERT_EQ(Report({Path("kestrel.xml"), Path("kestrel.rom.bin"), "--against",
                    Path("kestrel.stock.bin"), "-o", page.string()}),
            0)
      << last_err_;
  const nlohmann::json audit =
      Render(page, "#audit", fs::path(ECUCAL_TEST_ARTIFACT_DIR) / "kestrel-report.png");
  ASSERT_TRUE(audit.contains("tables"));

  EXPECT_EQ(audit["visible"].size(), 20u);
  const auto different = manifest_["different_tables"].get<std::set<std::string>>();
  EXPECT_EQ(audit["differences"].get<std::set<std::string>>(), different);
  const auto toggles = audit["toggles_differ"].get<std::set<std::string>>();
  for (const std::string& id : manifest_["different_toggles"].get<std::vector<std::string>>())
    EXPECT_TRUE(toggles.count(id)) << id;
  EXPECT_FALSE(toggles.count("Rear O2 Monitoring"));
  EXPECT_GE(audit["ranges"].get<int>(), 1);  // the live ROM information differs

  for (const auto& entry : audit["tables"].items()) {
    const nlohmann::json& table = entry.value();
    size_t outlined = 0;
    for (const nlohmann::json& cell : table["cells"]) {
      const std::string text = cell["text"];
      // The extremes take the ends of the scale; every cell's text colour
      // follows the luminance rule.
      if (table["min"] != table["max"] && text == table["min"]) {
        EXPECT_EQ(cell["bg"], Css(HeatColour(0))) << entry.key();
      }
      if (table["min"] != table["max"] && text == table["max"]) {
        EXPECT_EQ(cell["bg"], Css(HeatColour(kHeatSteps - 1))) << entry.key();
      }
      bool known = false;
      for (int step = 0; step < kHeatSteps && !known; ++step) {
        known = cell["bg"] == Css(HeatColour(step)) &&
                cell["fg"] == Css(ReadableTextColour(HeatColour(step)));
      }
      EXPECT_TRUE(known) << entry.key() << " cell " << cell["i"] << ": " << cell["bg"];
      if (cell["outline"] == "solid") {
        ++outlined;
        const std::string title = cell["title"];
        EXPECT_EQ(title.rfind("kestrel.rom.bin: " + text + "\nkestrel.stock.bin: ", 0), 0u)
            << title;
      }
    }
    const size_t changes = std::stoul(table["changes"].get<std::string>());
    EXPECT_EQ(outlined + table["changed_headers"].size(), changes) << entry.key();
    EXPECT_EQ(changes > 0, different.count(entry.key()) == 1) << entry.key();
  }
}

TEST_F(ReportCommandTest, SearchFromTheUrlKeepsOnlyMatchingTablesAndNamesSurviveEscaping) {
  REQUIRE_CHROMIUM();
  const std::string hostile = "Boost <b>&amp; \"quoted\" 'x' </script><!--";
  std::string xml = ReadAll(vehicle_ / "kestrel.xml");
  xml.insert(xml.rfind("</vehicledef>"), "<include>defs/hostile.xml</include>\n");
  std::ofstream(vehicle_ / "kestrel.xml") << xml;
  std::ofstream(vehicle_ / "defs" / "hostile.xml")
      << "<?xml version=\"1.0\"?>\n<vehicledef version=\"1.1\">\n"
      << "<table id=\"Boost &lt;b&gt;&amp;amp; &quot;quoted&quot; 'x' &lt;/script&gt;&lt;!--\""
      << " group=\"Limits\"><axis id=\"H\" type=\"z\" datatype=\"DT_SPEED\" count=\"1\""
      << " rom_offset=\"0x10D10\"/></table>\n</vehicledef>\n";
  const fs::path page = scratch_ / "report.html";
  ASSERT_EQ(Report({Path("kestrel.xml"), Path("kestrel.rom.bin"), "-o", page.string()}), 0)
      << last_err_;
  EXPECT_EQ(ReadAll(page).find("<b>"), std::string::npos);

  const nlohmann::json fuel = Render(page, "#q=fUEL%20map&audit");
  EXPECT_EQ(fuel["visible"].get<std::set<std::string>>(),
            (std::set<std::string>{"Fuel Map A", "Fuel Map B", "Fuel Map Failsafe"}));
  const nlohmann::json odd = Render(page, "?q=%3C%2Fscript#audit");
  EXPECT_EQ(odd["visible"].get<std::vector<std::string>>(), std::vector<std::string>{hostile});
}

TEST_F(ReportCommandTest, FailuresExitWithTheirStatusAndLeaveThePreviousReport) {
  const fs::path page = scratch_ / "report.html";
  std::ofstream(page) << "previous";
  std::ofstream(scratch_ / "short.bin") << "too short for any table";
  const struct {
    std::vector<std::string> args;
    int status;
  } cases[] = {
      {{Path("kestrel.xml"), Path("missing.bin"), "-o", page.string()}, 2},
      {{Path("kestrel.xml"), (scratch_ / "short.bin").string(), "-o", page.string()}, 3},
      {{Path("kestrel.xml"), Path("kestrel.rom.bin"), "-o",
        (scratch_ / "no/such/dir.html").string()},
       2},
      {{Path("kestrel.xml"), Path("kestrel.rom.bin")}, 64},
      {{Path("kestrel.xml"), Path("kestrel.rom.bin"), "--against", Path("kestrel.stock.bin"), "-o",
        Path("kestrel.stock.bin")},
       3},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Report(c.args), c.status) << c.args[1];
    EXPECT_EQ(ReadAll(page), "previous");
  }
  EXPECT_EQ(ReadAll(vehicle_ / "kestrel.stock.bin"),
            ReadAll(fs::path(ECUCAL_TEST_DATA_DIR) / "vehicle" / "kestrel.stock.bin"));
  for (const auto& entry : fs::directory_iterator(scratch_))
    EXPECT_EQ(entry.path().filename().string().find("report.html."), std::string::npos);
}

}  // namespace
