#pragma once

#include <string>
#include <vector>

#include "app/activity_log.h"
#include "app/saving_run.h"

namespace vantrel {

// The files a saving run did not save whole although the user wanted them saved: a line each
// saying which file and why, and for a file saved with losses one indented line for each lost
// table, query or relation. Empty when every file was saved, kept by the user's choice, or
// stopped by the user. `maxLossLines` bounds the lines of one file's losses; the rest are
// counted in one line.
std::vector<std::string> savingFailures(const SavingOutcome& outcome, size_t maxLossLines = 20);

// "Repairing failed for N file(s):" and those lines, one a line: the end of such a run, in
// place of the success text, in the end dialog, the notice and on the command line. Only the
// files' own lines are counted.
std::string failureSummaryText(const SavingOutcome& outcome);

// The end of a saving run that failed for some files: those lines, every loss among them, in
// place of the success line.
int logSavingFailures(const ActivityLog& log, const SavingOutcome& outcome);

// "FILE: stopped: table [T], N of M rows written" for each file the user stopped.
std::vector<std::string> stoppedFiles(const SavingOutcome& outcome);

}  // namespace vantrel
