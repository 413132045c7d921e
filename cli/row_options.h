#pragma once

#include <CLI/CLI.hpp>
#include <cstdint>

#include "cli/row_output.h"
#include "cli/value_output.h"

namespace vantrel::cli {

// --format tsv|csv|json, --date-format FORM and --binary hex|base64|raw of the verbs that
// print rows.
void addRowOutputOptions(CLI::App& verb, RowFormat& format, ValueOptions& values);

// --limit N: print at most N rows.
void addLimitOption(CLI::App& verb, int64_t& limit);

// Raises a usage error for options that cannot go together (raw bytes in JSON).
void checkRowOutputOptions(RowFormat format, const ValueOptions& values);

}  // namespace vantrel::cli
