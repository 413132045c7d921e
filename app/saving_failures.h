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

// The end of a saving run that failed for some files: those lines, in place of the success
// line.
int logSavingFailures(const ActivityLog& log, const std::vector<std::string>& failures);

}  // namespace vantrel
