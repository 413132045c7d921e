#pragma once

#include <CLI/CLI.hpp>
#include <string_view>

namespace vantrel::cli {

// How much a verb tells beside what was asked for. Quiet: the output asked for and the errors
// alone (no saving list, progress or notes). Verbose: also notes on standard error about what
// was read and where things went.
enum class Verbosity { Quiet, Normal, Verbose };

// -q/--quiet and -v/--verbose on one verb; the last one given wins.
void addVerbosityFlags(CLI::App& verb, Verbosity& verbosity);

// A note on standard error ("vantrel-cli: TEXT"), shown only with --verbose.
void verboseNote(Verbosity verbosity, std::string_view text);

}  // namespace vantrel::cli
