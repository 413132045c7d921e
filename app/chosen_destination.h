#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "app/configuration.h"

namespace vantrel {

// Where the windows save, as the user chose it last: a folder (a SQLite file per source, in
// the run's subfolder) or a PostgreSQL server (a schema per source).
struct DestinationChoice {
  enum class Kind { kFolder, kServer };
  Kind kind = Kind::kFolder;
  std::string folder;
  std::string server;  // "postgresql://USER@HOST:PORT/DB", never with a password

  // The address the saving run takes.
  const std::string& address() const { return kind == Kind::kServer ? server : folder; }
};

// The choice remembered in the state folder (stateFolder()/destination), or the default (a
// folder, none chosen yet) when there is none or it cannot be read.
DestinationChoice loadDestinationChoice(const EnvironmentLookup& environment = systemEnvironment);
// Remembers the choice for the next run; false when it could not be written. A server
// address that holds a password is never written.
bool saveDestinationChoice(const DestinationChoice& choice,
                           const EnvironmentLookup& environment = systemEnvironment);

// Why the address serves no destination (a server's address with a password, one libpq
// cannot read); none when it serves one.
std::optional<std::string> unusableDestinationText(const std::string& address);
// Whether the address names a server rather than a folder.
bool isServerDestination(const std::string& address);

// Reaches the server the address names and says what it found, or why it could not:
// "Connected to PostgreSQL 15.14: database archive, user me, 3 schemas." The text never
// repeats the address (it might hold a password).
std::string testDestinationText(const std::string& address);

}  // namespace vantrel
