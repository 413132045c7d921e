#pragma once

#include <CLI/CLI.hpp>

namespace vantrel::cli {

// Exit statuses shared by every verb.
inline constexpr int kExitOk = 0;
inline constexpr int kExitNotOpened = 1;
inline constexpr int kExitUsage = 2;

// Each verb registers its subcommand; the callback stores the exit status in `exitCode`.
void addInfoCommand(CLI::App& app, int& exitCode);
void addRowsCommand(CLI::App& app, int& exitCode);

}  // namespace vantrel::cli
