// ecucal: the command-line face of the library for the people who write
// definitions and tune ROMs.
#include <CLI/CLI.hpp>
#include <exception>
#include <iostream>
#include <vector>

#include "Commands.h"
#include "Output.h"

int main(int argc, char** argv) {
  using namespace ecucal_cli;

  CLI::App app{
      "Checks, describes and caches vehicle definitions, decodes live-data replies,\n"
      "imports RomRaider and EcuFlash definitions, and shows, edits, compares, copies\n"
      "and verifies ROM images.\n"
      "Every verb prints readable text; --json prints one JSON document instead.",
      "ecucal"};
  app.require_subcommand(1, 1);
  app.footer(
      "Exit status: 0 success; 1 definition invalid (check, import), cache not verified, ROMs\n"
      "differ (diff), copy failed (copy) or ROM not byte-exact (verify); 2 definition, cache,\n"
      "import source or ROM unreadable, or an output not written; 3 bad request (unknown\n"
      "monitor, group, ROM, processor, table or toggle, malformed reply, cell out of range,\n"
      "value not a number, ROM of the wrong size); 64 malformed command line.");

  std::vector<Verb> verbs = {AddCheckVerb(app), AddInfoVerb(app),    AddTablesVerb(app),
                             AddCacheVerb(app), AddMonitorVerb(app), AddImportVerb(app)};
  for (auto add : {AddShowVerb, AddSetVerb, AddDiffVerb, AddCopyVerb, AddTogglesVerb, AddSwitchVerb,
                   AddVerifyVerb, AddReportVerb})
    verbs.push_back(add(app));

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int status = app.exit(e);
    return status == 0 ? kExitOk : kExitUsage;
  }

  try {
    for (const Verb& verb : verbs) {
      if (verb.command->parsed())
        return verb.run();
    }
  } catch (const CommandError& e) {
    std::cerr << "ecucal: " << e.what() << '\n';
    return e.status();
  } catch (const std::exception& e) {
    std::cerr << "ecucal: internal error: " << e.what() << '\n';
    return kExitInternal;
  } catch (...) {
    std::cerr << "ecucal: internal error: unexpected exception\n";
    return kExitInternal;
  }
  std::cerr << "ecucal: no verb given; see ecucal --help\n";
  return kExitUsage;
}
