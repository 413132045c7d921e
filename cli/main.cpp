#include <iostream>

#include "app/version.h"
#include "cli/commands.h"
#include "cli/help_text.h"
#include "cli/password_entry.h"
#include "cli/usage.h"
#include "cli/verbosity.h"
#include "destinations/postgres/postgres_destination.h"
#include "destinations/sqlite/sqlite_destination.h"

int main(int argc, char** argv) {
  using namespace vantrel::cli;
  vantrel::registerSqliteDestination(vantrel::destinationRegistry());
  vantrel::registerPostgresDestination(vantrel::destinationRegistry());
  // Rows go out through std::cout only; C stdio need not be kept in step with it.
  std::ios::sync_with_stdio(false);
  CLI::App app{"Vantrel for Microsoft Access: salvages damaged .mdb and .accdb databases",
               "vantrel-cli"};
  app.formatter(std::make_shared<HelpFormatter>());
  // A missing verb is told below, after the parser has named any unknown word.
  app.require_subcommand(0, 1);
  app.set_version_flag("-V,--version",
                       std::string("vantrel-cli ") + std::string(vantrel::kVersion));
  app.set_help_all_flag("--help-all",
                        "Print the help of every verb, the environment, files, exit statuses "
                        "and examples, and exit");
  // What help2man reads to make the manual page: --help-all with its sections marked.
  bool manualPageHelp = false;
  app.add_flag("--help-man", manualPageHelp)->group("");
  app.footer(
      "Run `vantrel-cli help VERB` for the options of one verb, `vantrel-cli --help-all` "
      "for all of them, or see vantrel-cli(1).");
  int exitCode = kExitOk;
  Verbosity verbosity = Verbosity::Normal;
  addInfoCommand(app, exitCode, verbosity);
  addRowsCommand(app, exitCode, verbosity);
  addAnalyzeCommand(app, exitCode, verbosity);
  addObjectCommands(app, exitCode, verbosity);
  addRepairCommand(app, exitCode, verbosity);
  for (CLI::App* verb : app.get_subcommands({})) {
    addVerbosityFlags(*verb, verbosity);
    addPasswordOption(*verb);
  }
  usePasswordSources();
  addHelpCommand(app, exitCode);
  for (CLI::App* verb : app.get_subcommands({}))
    verb->group("Verbs");
  const auto printAllHelp = [&app](bool forManualPage) {
    std::cout << app.help("", CLI::AppFormatMode::All) << "\n"
              << closingHelpSections(forManualPage);
    return kExitOk;
  };
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp&) {
    return printAllHelp(false);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    std::cerr << "vantrel-cli: " << usageErrorText(app, e) << " (see vantrel-cli --help)\n";
    return kExitUsage;
  }
  if (manualPageHelp) return printAllHelp(true);
  if (app.get_subcommands().empty()) {
    std::string verbs;
    for (const std::string& name : verbNames(app))
      verbs += (verbs.empty() ? "" : ", ") + name;
    std::cerr << "vantrel-cli: a verb is needed: " << verbs << " (see vantrel-cli --help)\n";
    return kExitUsage;
  }
  return exitCode;
}
