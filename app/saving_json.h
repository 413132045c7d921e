#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "app/saving_run.h"

namespace vantrel {

// A file's outcome as the JSON outputs name it: "saved", "saved with losses", "kept"...
std::string_view savedFileStatusText(SavedFile::Status status);

// A saving run as one line of JSON: the subfolder, whether the run was stopped, and for each
// file its source, destination, status ("saved", "saved with losses", "stopped", "kept", "not
// opened", "not created", "nothing salvaged"), the problem in words when there is one, the
// tables with the rows its destination holds, every lost table, query or relation, the table a
// stop ended, and the damage the reader passed over in the source.
std::string savingJson(const SavingOutcome& outcome);

}  // namespace vantrel
