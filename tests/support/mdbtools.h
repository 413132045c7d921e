#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

namespace vantrel::test {

struct CommandResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// Runs a program (looked up in PATH) with its arguments, no shell involved.
CommandResult runCommand(const std::vector<std::string>& arguments);

// Whether the mdbtools programs are installed.
bool mdbtoolsAvailable();

// One CSV record as mdb-export writes it: a quoted field is a value (possibly empty), an
// unquoted empty field a null.
using CsvRecord = std::vector<std::optional<std::string>>;
std::vector<CsvRecord> parseCsv(std::string_view text);

// The rows of a table, header first, as `mdb-export` prints them with dates as
// "YYYY-MM-DD HH:MM:SS" and binary values in hex. Fails the test on an error exit.
std::vector<CsvRecord> mdbExport(const std::filesystem::path& database, const std::string& table);

// Lines of a command's output.
std::vector<std::string> linesOf(std::string_view text);

}  // namespace vantrel::test

// Skips the current test when mdbtools is not installed.
#define VANTREL_REQUIRE_MDBTOOLS()                                                 \
  do {                                                                             \
    if (!::vantrel::test::mdbtoolsAvailable()) GTEST_SKIP() << "mdbtools missing"; \
  } while (0)
