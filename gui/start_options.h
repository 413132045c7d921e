#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vantrel::gui {

// What `vantrel` was asked to do on its command line. Read before any window system is
// touched, so that --help, --version, --register, --unregister and --automation work without a
// display.
struct StartOptions {
  enum class Mode { Windows, Help, Version, Register, Unregister, Automation };
  Mode mode = Mode::Windows;
  std::vector<std::string> files;  // listed in the main window as Browse lists them
  std::string error;               // an unknown option, in words; empty when none
};

StartOptions parseStartOptions(const std::vector<std::string>& arguments);

// The text --help prints (also the source of the vantrel(1) manual page).
std::string startOptionsHelp();

}  // namespace vantrel::gui
