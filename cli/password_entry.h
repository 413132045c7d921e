#pragma once

#include <CLI/CLI.hpp>

namespace vantrel::cli {

// The password of encrypted sources: from VANTREL_PASSWORD, and, when a file needs one that
// was not given, asked for on the terminal without showing it (when standard input is one).
void usePasswordSources();

// --password-file FILE on one verb: the password from the file's first line, winning over the
// environment's. Never a value on the command line, where any user could read it.
void addPasswordOption(CLI::App& verb);

}  // namespace vantrel::cli
