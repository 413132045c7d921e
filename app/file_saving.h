#pragma once

#include <filesystem>

#include "app/progress_tracker.h"
#include "app/saving_run.h"
#include "run/log_sink.h"
#include "run/run_state.h"
#include "salvage/destination.h"

namespace vantrel {

// Deletes a destination: one the user chose to overwrite, or one that came out empty or
// without a readable source. One that stays makes its creation fail, which is reported.
void removeDestination(const std::filesystem::path& destination);

// Where the destination of `file` is, as the log names it: its file, or where `destinations`
// (none: SQLite files) puts it.
std::string destinationLocation(const DestinationFactory* destinations, const SavedFile& file);

// Creates the destination of `file` (by `destinations`; none: a new SQLite database) and salvages
// its source into it through `run`, telling `tracker` of its progress and `log` (may be null) of
// its steps. Sets the file's status and problem, and returns the per-file driver's result (kNothing
// when the destination could not be created and the source was not read).
RunResult saveSourceFile(int fileNumber, SavedFile& file, const DestinationFactory* destinations,
                         RunState& run, ProgressTracker& tracker, const LogSink* log);

}  // namespace vantrel
