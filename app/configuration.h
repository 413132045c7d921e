#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace vantrel {

// Looks up an environment variable; null when it is not set.
using EnvironmentLookup = std::function<const char*(const char*)>;
const char* systemEnvironment(const char* name);

// Vantrel's read-only settings: "FilePath" (the application folder: skins, help) and
// "LogPath" (the activity log's folder). Either is empty when not configured.
struct Configuration {
  std::string filePath;
  std::string logPath;
};

// Reads $XDG_CONFIG_HOME/Vantrel/VantrelDB.conf (default ~/.config/Vantrel/VantrelDB.conf),
// whose lines are "FilePath=..." and "LogPath=..."; the environment variables
// VANTREL_FILE_PATH and VANTREL_LOG_PATH, when set, take their place. A missing or unreadable
// file configures nothing.
Configuration loadConfiguration(const EnvironmentLookup& environment = systemEnvironment);

// The settings of one configuration file's text. Blanks around keys and values are dropped;
// empty lines, "#" and ";" comments and "[section]" lines are skipped; a later key wins.
Configuration parseConfiguration(std::string_view text);

std::filesystem::path configurationFile(const EnvironmentLookup& environment = systemEnvironment);

// $XDG_STATE_HOME/Vantrel (default ~/.local/state/Vantrel): the log's folder when neither
// LogPath nor FilePath names a folder Vantrel can write to.
std::filesystem::path stateFolder(const EnvironmentLookup& environment = systemEnvironment);

// The application folder (skins, manual): FilePath, or else the installed resources folder
// share/vantrel beside the running program's folder, or else the program's own folder.
std::filesystem::path applicationFolder(const Configuration& configuration);

// The HTML manual's folder: "manual" in the application folder when it has one (a FilePath
// folder set up by the user), else where Debian puts documentation, share/doc/vantrel/manual
// beside the running program's folder (the build tree has the same shape).
std::filesystem::path manualFolder(const std::filesystem::path& applicationFolder);

}  // namespace vantrel
