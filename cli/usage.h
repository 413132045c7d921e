#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vantrel::cli {

// The candidate nearest to `word` by edit distance, when it is near enough to be a likely
// misspelling (at most two edits, or a third of the word's letters, a swap of neighbours being
// one).
std::optional<std::string> nearestWord(std::string_view word,
                                       std::span<const std::string> candidates);

// The one-line text for a usage error: an unknown verb or option names itself and the nearest
// known one ("unknown verb \"tabel\" (did you mean \"table\"?)"); other errors keep the
// parser's text.
std::string usageErrorText(const CLI::App& app, const CLI::ParseError& error);

// The verbs' names, in the order they were added.
std::vector<std::string> verbNames(const CLI::App& app);

// `help [VERB]`: the help of the whole program or of one verb.
void addHelpCommand(CLI::App& app, int& exitCode);

}  // namespace vantrel::cli
