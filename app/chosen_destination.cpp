#include "app/chosen_destination.h"

#include <fstream>
#include <sstream>
#include <system_error>

#include "destinations/destination.h"
#include "destinations/destination_registry.h"

namespace vantrel {

namespace {

constexpr size_t kMaxLine = 4096;

std::filesystem::path choiceFile(const EnvironmentLookup& environment) {
  return stateFolder(environment) / "destination";
}

}  // namespace

bool isServerDestination(const std::string& address) {
  // The registry refuses a server's address that holds a password.
  const auto kind = destinationRegistry().open(address);
  return kind && !(*kind)->capabilities().filePerSource;
}

std::optional<std::string> unusableDestinationText(const std::string& address) {
  const auto kind = destinationRegistry().open(address);
  if (kind) return std::nullopt;
  return "This destination cannot be used: " + kind.error();
}

DestinationChoice loadDestinationChoice(const EnvironmentLookup& environment) {
  DestinationChoice choice;
  std::ifstream in(choiceFile(environment));
  std::string line;
  while (std::getline(in, line) && line.size() <= kMaxLine) {
    const size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    const std::string key = line.substr(0, equals);
    const std::string value = line.substr(equals + 1);
    if (key == "kind") {
      choice.kind =
          value == "server" ? DestinationChoice::Kind::kServer : DestinationChoice::Kind::kFolder;
    } else if (key == "folder") {
      choice.folder = value;
    } else if (key == "server") {
      choice.server = value;
    }
  }
  if (!choice.server.empty() && !isServerDestination(choice.server)) choice.server.clear();
  if (choice.kind == DestinationChoice::Kind::kServer && choice.server.empty()) {
    choice.kind = DestinationChoice::Kind::kFolder;
  }
  return choice;
}

bool saveDestinationChoice(const DestinationChoice& choice, const EnvironmentLookup& environment) {
  const auto file = choiceFile(environment);
  std::error_code error;
  std::filesystem::create_directories(file.parent_path(), error);
  const auto lineSafe = [](const std::string& text) {
    return text.find_first_of("\r\n") == std::string::npos;
  };
  const std::string server =
      lineSafe(choice.server) && isServerDestination(choice.server) ? choice.server : "";
  std::ofstream out(file, std::ios::trunc);
  out << "kind=" << (choice.kind == DestinationChoice::Kind::kServer ? "server" : "folder") << "\n"
      << "folder=" << (lineSafe(choice.folder) ? choice.folder : "") << "\n"
      << "server=" << server << "\n";
  out.close();
  return static_cast<bool>(out);
}

std::string testDestinationText(const std::string& address) {
  const auto kind = destinationRegistry().open(address);
  if (!kind) return "This destination cannot be used: " + kind.error();
  try {
    const auto found = (*kind)->probe();
    if (!found) return "This is a folder: there is no server to connect to.";
    return "Connected to " + found->engine + " " + found->version + ": database " +
           found->database + ", user " + found->user + ", " + std::to_string(found->schemas) +
           (found->schemas == 1 ? " schema." : " schemas.");
  } catch (const DestinationError& error) {
    return std::string("Cannot connect: ") + error.what();
  }
}

}  // namespace vantrel
