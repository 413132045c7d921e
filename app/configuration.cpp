#include "app/configuration.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace vantrel {
namespace {

std::string_view trimmed(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  while (!text.empty() && blank(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && blank(text.back()))
    text.remove_suffix(1);
  return text;
}

// $variable when set and not empty, else $HOME/fallback (or ./fallback without a home).
std::filesystem::path xdgFolder(const EnvironmentLookup& environment, const char* variable,
                                const char* fallback) {
  const char* value = environment(variable);
  if (value != nullptr && *value != '\0') return value;
  const char* home = environment("HOME");
  return std::filesystem::path(home != nullptr ? home : ".") / fallback;
}

}  // namespace

const char* systemEnvironment(const char* name) {
  return std::getenv(name);
}

Configuration parseConfiguration(std::string_view text) {
  Configuration configuration;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    const std::string_view line = trimmed(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    const size_t equals = line.find('=');
    if (line.empty() || line.front() == '#' || line.front() == ';' || line.front() == '[' ||
        equals == std::string_view::npos) {
      continue;
    }
    const std::string_view key = trimmed(line.substr(0, equals));
    const std::string_view value = trimmed(line.substr(equals + 1));
    if (key == "FilePath") configuration.filePath = value;
    if (key == "LogPath") configuration.logPath = value;
  }
  return configuration;
}

std::filesystem::path configurationFile(const EnvironmentLookup& environment) {
  return xdgFolder(environment, "XDG_CONFIG_HOME", ".config") / "Vantrel" / "VantrelDB.conf";
}

Configuration loadConfiguration(const EnvironmentLookup& environment) {
  std::ifstream file(configurationFile(environment), std::ios::binary);
  std::ostringstream text;
  if (file) text << file.rdbuf();
  Configuration configuration = parseConfiguration(text.str());
  if (const char* value = environment("VANTREL_FILE_PATH")) configuration.filePath = value;
  if (const char* value = environment("VANTREL_LOG_PATH")) configuration.logPath = value;
  return configuration;
}

std::filesystem::path stateFolder(const EnvironmentLookup& environment) {
  return xdgFolder(environment, "XDG_STATE_HOME", ".local/state") / "Vantrel";
}

namespace {

std::filesystem::path runningProgram(std::error_code& error) {
  return std::filesystem::read_symlink("/proc/self/exe", error);
}

}  // namespace

std::filesystem::path manualFolder(const std::filesystem::path& applicationFolder) {
  std::error_code error;
  const auto own = applicationFolder / "manual";
  if (std::filesystem::is_directory(own, error)) return own;
  const auto program = runningProgram(error);
  if (error) return own;
  return program.parent_path().parent_path() / "share" / "doc" / "vantrel" / "manual";
}

std::filesystem::path applicationFolder(const Configuration& configuration) {
  if (!configuration.filePath.empty()) return configuration.filePath;
  std::error_code error;
  const auto program = runningProgram(error);
  if (error) return std::filesystem::current_path(error);
  // Installed, the programs are in PREFIX/bin and their resources in PREFIX/share/vantrel;
  // the build tree has the same shape.
  const auto resources = program.parent_path().parent_path() / "share" / "vantrel";
  if (std::filesystem::is_directory(resources, error)) return resources;
  return program.parent_path();
}

}  // namespace vantrel
