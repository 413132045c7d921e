#include <iostream>

#include "app/version.h"
#include "cli/commands.h"

int main(int argc, char** argv) {
  // Rows go out through std::cout only; C stdio need not be kept in step with it.
  std::ios::sync_with_stdio(false);
  CLI::App app{"Vantrel for Microsoft Access: salvages damaged .mdb databases", "vantrel-cli"};
  app.require_subcommand(1);
  app.set_version_flag("--version", std::string("vantrel-cli ") + std::string(vantrel::kVersion));
  int exitCode = vantrel::cli::kExitOk;
  vantrel::cli::addInfoCommand(app, exitCode);
  vantrel::cli::addRowsCommand(app, exitCode);
  vantrel::cli::addAnalyzeCommand(app, exitCode);
  vantrel::cli::addObjectCommands(app, exitCode);
  vantrel::cli::addRepairCommand(app, exitCode);
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    std::cerr << "vantrel-cli: " << e.what() << " (see vantrel-cli --help)\n";
    return vantrel::cli::kExitUsage;
  }
  return exitCode;
}
