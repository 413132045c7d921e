#pragma once

#include <span>
#include <string>
#include <string_view>

#include "run/log_sink.h"

namespace vantrel {

// When a table is saved: its name, its column count and its record count, then any further
// lines about the table (rows not written, rows declared), before the blank line. Appended in
// one piece; returns the sink's result.
int logTableTotals(const LogSink& log, std::string_view table, long long fieldCount,
                   long long recordCount, std::span<const std::string> extraLines = {});

}  // namespace vantrel
