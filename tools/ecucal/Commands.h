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
Verb AddReportVerb(CLI::App& app);

}  // namespace ecucal_cli
