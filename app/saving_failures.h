#pragma once

#include <string>
#include <vector>

#include "app/activity_log.h"
#include "app/saving_run.h"

namespace vantrel {

// The files a saving run did not save although the user wanted them saved, one line each
// saying which file and why. Empty when every file was saved, kept by the user's choice, or
// the run was stopped by the user.
std::vector<std::string> savingFailures(const SavingOutcome& outcome);

// "Repairing failed for N file(s):" and those lines, one a line: the end of such a run, in
// place of the success text, in the end dialog, the notice and on the command line.
std::string failureSummaryText(const std::vector<std::string>& failures);

// The end of a saving run that failed for some files: those lines, in place of the success
// line.
int logSavingFailures(const ActivityLog& log, const std::vector<std::string>& failures);

}  // namespace vantrel
