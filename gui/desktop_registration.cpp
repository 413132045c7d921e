#include "gui/desktop_registration.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <system_error>
#include <vector>

namespace vantrel::gui {
namespace {

constexpr std::string_view kDefaultSection = "[Default Applications]";
constexpr std::string_view kAddedSection = "[Added Associations]";

std::filesystem::path fromEnvironment(const EnvironmentLookup& environment, const char* name,
                                      const char* fallbackUnderHome) {
  if (const char* value = environment(name); value != nullptr && *value == '/') return value;
  const char* home = environment("HOME");
  return std::filesystem::path(home != nullptr ? home : "/") / fallbackUnderHome;
}

std::vector<std::string> linesOf(std::string_view text) {
  std::vector<std::string> lines;
  std::istringstream in{std::string(text)};
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  return lines;
}

std::string joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines)
    text += line + "\n";
  return text;
}

bool isSection(std::string_view line) {
  return !line.empty() && line.front() == '[';
}

std::string_view keyOf(std::string_view line) {
  const auto equals = line.find('=');
  return equals == std::string_view::npos ? std::string_view{} : line.substr(0, equals);
}

// The value's ;-separated desktop ids without Vantrel's.
std::string valueWithout(std::string_view value, std::string_view id) {
  std::string kept;
  size_t start = 0;
  while (start <= value.size()) {
    const size_t end = std::min(value.find(';', start), value.size());
    const std::string_view item = value.substr(start, end - start);
    if (!item.empty() && item != id) kept += std::string(item) + ";";
    start = end + 1;
  }
  return kept;
}

// Puts Vantrel first for every Access type in `section`, adding the section when it is
// missing: `replace` sets the value to Vantrel alone, else Vantrel goes before the others.
void putFirstInSection(std::vector<std::string>& lines, std::string_view section, bool replace) {
  auto header = std::find(lines.begin(), lines.end(), section);
  if (header == lines.end()) {
    if (!lines.empty() && !lines.back().empty()) lines.emplace_back();
    lines.emplace_back(section);
    header = lines.end() - 1;
  }
  const auto end = std::find_if(header + 1, lines.end(), isSection);
  const std::string first = std::string(kDesktopId) + ";";
  std::vector<std::string> added;
  for (std::string_view type : kAccessTypes) {
    const auto line = std::find_if(
        header + 1, end, [type](const std::string& candidate) { return keyOf(candidate) == type; });
    if (line == end) {
      added.push_back(std::string(type) + "=" + first);
    } else {
      const std::string others = line->substr(type.size() + 1);
      *line = std::string(type) + "=" + first + (replace ? "" : others);
    }
  }
  lines.insert(header + 1, added.begin(), added.end());
}

std::optional<std::string> writeFile(const std::filesystem::path& path, std::string_view text) {
  std::error_code error;
  std::filesystem::create_directories(path.parent_path(), error);
  // Written beside, then renamed, so a desktop never reads half a file.
  const std::filesystem::path partial = path.string() + ".vantrel-new";
  {
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out.flush()) return "cannot write " + partial.string();
  }
  std::filesystem::rename(partial, path, error);
  if (error) return "cannot write " + path.string() + ": " + error.message();
  return std::nullopt;
}

std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Quotes a path for the Exec key. The quoting rule escapes `"`, `` ` ``, `$` and `\` with a
// backslash, and the string rule then doubles every backslash; `%` is doubled as a field code.
std::string execQuoted(const std::string& path) {
  std::string quoted = "\"";
  for (char c : path) {
    if (c == '\\') {
      quoted += "\\\\\\\\";
    } else if (c == '"' || c == '`' || c == '$') {
      quoted += "\\\\";
      quoted += c;
    } else if (c == '%') {
      quoted += "%%";
    } else {
      quoted += c;
    }
  }
  return quoted + "\"";
}

}  // namespace

DesktopPlaces DesktopPlaces::forCurrentUser(const EnvironmentLookup& environment) {
  return {fromEnvironment(environment, "XDG_DATA_HOME", ".local/share") / "applications",
          fromEnvironment(environment, "XDG_CONFIG_HOME", ".config") / "mimeapps.list"};
}

std::string desktopEntryText(const std::filesystem::path& program, std::string_view icon) {
  std::string mimeTypes;
  for (std::string_view type : kAccessTypes)
    mimeTypes += std::string(type) + ";";
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Vantrel for Microsoft Access\n"
         "GenericName=Access Database Repair\n"
         "Comment=Salvage tables, rows, queries and relations from damaged Access databases\n"
         "Exec=" +
         execQuoted(program.string()) +
         " %F\n"
         "Icon=" +
         std::string(icon) +
         "\n"
         "Terminal=false\n"
         "Categories=Office;Database;Qt;\n"
         "MimeType=" +
         mimeTypes + "\n";
}

std::string withVantrelAsDefault(std::string_view mimeApps) {
  std::vector<std::string> lines = linesOf(withoutVantrel(mimeApps));
  putFirstInSection(lines, kDefaultSection, true);
  putFirstInSection(lines, kAddedSection, false);
  return joined(lines);
}

std::string withoutVantrel(std::string_view mimeApps) {
  std::vector<std::string> kept;
  for (const std::string& line : linesOf(mimeApps)) {
    const std::string_view key = keyOf(line);
    // Lines that do not name Vantrel stay exactly as the user has them.
    if (isSection(line) || key.empty() || line.find(kDesktopId) == std::string::npos) {
      kept.push_back(line);
      continue;
    }
    const std::string value =
        valueWithout(std::string_view(line).substr(key.size() + 1), kDesktopId);
    // A key whose only application was Vantrel goes.
    if (!value.empty()) {
      const bool hadSemicolon = line.back() == ';';
      kept.push_back(std::string(key) + "=" +
                     (hadSemicolon ? value : value.substr(0, value.size() - 1)));
    }
  }
  return joined(kept);
}

std::optional<std::string> registerDesktopEntry(const DesktopPlaces& places,
                                                const std::filesystem::path& program,
                                                std::string_view icon) {
  if (auto error = writeFile(places.applications / kDesktopId, desktopEntryText(program, icon)))
    return error;
  return writeFile(places.mimeApps, withVantrelAsDefault(readFile(places.mimeApps)));
}

std::optional<std::string> unregisterDesktopEntry(const DesktopPlaces& places) {
  std::error_code error;
  std::filesystem::remove(places.applications / kDesktopId, error);
  if (error) return "cannot remove " + (places.applications / kDesktopId).string();
  if (!std::filesystem::exists(places.mimeApps, error)) return std::nullopt;
  return writeFile(places.mimeApps, withoutVantrel(readFile(places.mimeApps)));
}

}  // namespace vantrel::gui
