#include "cli/verbosity.h"

#include <iostream>

namespace vantrel::cli {

void addVerbosityFlags(CLI::App& verb, Verbosity& verbosity) {
  verb.add_flag_callback(
      "-q,--quiet", [&verbosity] { verbosity = Verbosity::Quiet; },
      "Print only what was asked for and the errors: no saving list, progress or notes");
  verb.add_flag_callback(
      "-v,--verbose", [&verbosity] { verbosity = Verbosity::Verbose; },
      "Also tell on standard error what was read and where things went");
}

void verboseNote(Verbosity verbosity, std::string_view text) {
  if (verbosity == Verbosity::Verbose) std::cerr << "vantrel-cli: " << text << "\n";
}

}  // namespace vantrel::cli
