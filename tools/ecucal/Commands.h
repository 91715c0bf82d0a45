#pragma once

#include <functional>

namespace CLI {
class App;
}

namespace ecucal_cli {

// One verb of the command: its subcommand, and what runs when it was chosen
// (returning the exit status; failures throw CommandError).
struct Verb {
  CLI::App* command = nullptr;
  std::function<int()> run;
};

Verb AddCheckVerb(CLI::App& app);
Verb AddInfoVerb(CLI::App& app);
Verb AddTablesVerb(CLI::App& app);
Verb AddCacheVerb(CLI::App& app);
Verb AddMonitorVerb(CLI::App& app);
Verb AddImportVerb(CLI::App& app);
// ROM verbs.
Verb AddShowVerb(CLI::App& app);
Verb AddSetVerb(CLI::App& app);
Verb AddDiffVerb(CLI::App& app);
Verb AddCopyVerb(CLI::App& app);
Verb AddTogglesVerb(CLI::App& app);
Verb AddSwitchVerb(CLI::App& app);
Verb AddVerifyVerb(CLI::App& app);
// The ROM report.
Verb AddReportVerb(CLI::App& app);

}  // namespace ecucal_cli
