#pragma once

#include <CLI/CLI.hpp>
#include <string>

namespace vantrel::cli {

// The sections that end `--help-all` and make the manual page's ENVIRONMENT, FILES, EXIT
// STATUS and EXAMPLES: every variable the program reads, the files it reads and writes, what
// each exit status means, and examples. For the manual page, the headings are written the
// way help2man takes a section of its own ("*Exit status*").
std::string closingHelpSections(bool forManualPage);

// The help's layout: "VERB" for subcommands, and, in --help-all, each verb as a heading
// "vantrel-cli VERB [OPTIONS] ARGS:" over its description, arguments and options, which
// help2man turns into a subsection of OPTIONS.
class HelpFormatter : public CLI::Formatter {
 public:
  HelpFormatter();
  std::string make_expanded(const CLI::App* verb) const override;
  std::string make_subcommands(const CLI::App* app, CLI::AppFormatMode mode) const override;
};

}  // namespace vantrel::cli
