#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

// A PostgreSQL server as the user names it: a libpq URI ("postgresql://USER@HOST:PORT/DB") or
// a key=value connection string.
struct PostgresTarget {
  std::string conninfo;            // as given, for libpq
  std::string display;             // "postgresql://USER@HOST:PORT/DB", never with a password
  int connectTimeoutSeconds = 10;  // how long a server may take to answer a new connection
};

// Checks a destination naming a PostgreSQL server. None with `problem` set when it is no
// connection string libpq understands, or when it holds a password: the password comes only
// from libpq's own sources (PGPASSWORD, the password file, a service file), so that it never
// stands on a command line, in the activity log or in the saving list. `problem` never
// repeats the text, which may hold a password.
std::optional<PostgresTarget> parsePostgresTarget(std::string_view text, std::string& problem);

}  // namespace vantrel
