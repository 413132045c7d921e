#pragma once

#include <CLI/CLI.hpp>

namespace vantrel::cli {

// Exit statuses shared by every verb.
inline constexpr int kExitOk = 0;
inline constexpr int kExitNotOpened = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitInterrupted = 130;  // stopped by Ctrl-C, as shells report SIGINT

// Each verb registers its subcommand; the callback stores the exit status in `exitCode`.
void addInfoCommand(CLI::App& app, int& exitCode);
void addRowsCommand(CLI::App& app, int& exitCode);
void addAnalyzeCommand(CLI::App& app, int& exitCode);
void addObjectCommands(CLI::App& app, int& exitCode);  // table, query, relation
void addRepairCommand(CLI::App& app, int& exitCode);

}  // namespace vantrel::cli
