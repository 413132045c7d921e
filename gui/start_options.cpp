#include "gui/start_options.h"

namespace vantrel::gui {

StartOptions parseStartOptions(const std::vector<std::string>& arguments) {
  StartOptions options;
  bool onlyFiles = false;
  auto setMode = [&options](StartOptions::Mode mode) {
    if (options.mode == StartOptions::Mode::Windows) options.mode = mode;
  };
  for (const std::string& argument : arguments) {
    if (onlyFiles || argument.empty() || argument[0] != '-' || argument == "-") {
      options.files.push_back(argument);
    } else if (argument == "--") {
      onlyFiles = true;
    } else if (argument == "-h" || argument == "--help") {
      setMode(StartOptions::Mode::Help);
    } else if (argument == "--version") {
      setMode(StartOptions::Mode::Version);
    } else if (argument == "--register") {
      setMode(StartOptions::Mode::Register);
    } else if (argument == "--unregister") {
      setMode(StartOptions::Mode::Unregister);
    } else if (argument == "--automation") {
      setMode(StartOptions::Mode::Automation);
    } else if (argument == "--embedding" || argument == "-embedding") {
      // Kept for callers of the automation start-up; the windows start as usual.
    } else if (options.error.empty()) {
      options.error = "unknown option " + argument;
    }
  }
  return options;
}

std::string startOptionsHelp() {
  return "Usage: vantrel [OPTIONS] [FILE.mdb...]\n"
         "Vantrel for Microsoft Access: salvages damaged .mdb and .accdb databases, in windows.\n"
         "The files named are listed in the main window.\n"
         "\n"
         "Options:\n"
         "  -h, --help      Print this help and exit\n"
         "  --version       Print the version and exit\n"
         "  --register      Add Vantrel to the desktop's menu and open .mdb files with it, for\n"
         "                  the current user, then exit\n"
         "  --unregister    Take back what --register did, then exit\n"
         "  --automation    Start without windows and offer the D-Bus interface\n"
         "                  org.vantrel.Repair1 (service org.vantrel.Vantrel, object\n"
         "                  /org/vantrel/Vantrel) on the session bus; quit after a minute\n"
         "                  without calls\n"
         "  --embedding     Accepted; start-up goes on\n";
}

}  // namespace vantrel::gui
