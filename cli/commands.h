#pragma once

#include <CLI/CLI.hpp>

#include "cli/verbosity.h"

namespace vantrel::cli {

// Exit statuses shared by every verb.
inline constexpr int kExitOk = 0;
inline constexpr int kExitNotOpened = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitInterrupted = 130;  // stopped by Ctrl-C, as shells report SIGINT

// Each verb registers its subcommand; the callback stores the exit status in `exitCode`.
// `verbosity` is set by the verb's -q/-v flags before the callback runs.
void addInfoCommand(CLI::App& app, int& exitCode, const Verbosity& verbosity);
void addRowsCommand(CLI::App& app, int& exitCode, const Verbosity& verbosity);
void addAnalyzeCommand(CLI::App& app, int& exitCode, const Verbosity& verbosity);
void addObjectCommands(CLI::App& app, int& exitCode,
                       const Verbosity& verbosity);  // table, ole, query, relation
void addRepairCommand(CLI::App& app, int& exitCode, const Verbosity& verbosity);

}  // namespace vantrel::cli
