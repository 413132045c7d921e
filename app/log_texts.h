#pragma once

#include <span>
#include <string>
#include <string_view>

#include "app/activity_log.h"
#include "salvage/table_log_texts.h"

namespace vantrel {

// The texts the repair writes into the activity log, each group appended in one piece so that
// nothing another thread writes can come between its lines. Each returns appendLogLine's
// result.

// Local date and time as the start banner shows them.
struct LogTime {
  int day = 0;
  int month = 0;
  int year = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
};
LogTime currentLogTime();

// At start-up: the banner with date and time, then the Step 1 header.
int logStartBanner(const ActivityLog& log, const LogTime& time);
// After the main window's file list is set up.
int logFileListReady(const ActivityLog& log);

// At Repair: the numbered source files, then the Step 2 header.
int logSourceFiles(const ActivityLog& log, std::span<const std::string> paths);

struct LoggedTable {
  std::string_view name;
  long long columnCount = 0;
  long long recordCount = 0;
};
// After the analysis of one file: its path (normalised for display), totals and tables.
int logFileAnalysis(const ActivityLog& log, std::string_view path,
                    std::span<const LoggedTable> tables);

// At the start of a saving run: the Step 3 header.
int logSavingStart(const ActivityLog& log);
// Before a destination is created; two blanks instead of five after a confirmed overwrite
// in a single-file save.
int logDestination(const LogSink& log, std::string_view path, bool afterConfirmedOverwrite);
// When a file's saving was stopped.
int logRepairAborted(const LogSink& log);
// In the end dialog.
int logRunEnd(const ActivityLog& log, bool stopped);

}  // namespace vantrel
