#pragma once

#include <filesystem>

#include "app/progress_tracker.h"
#include "app/saving_run.h"
#include "destinations/destination_registry.h"
#include "run/log_sink.h"
#include "run/run_state.h"

namespace vantrel {

// Creates the destination of `file` (by `destinations`) and saves its source into it through
// `run`, telling `tracker` of its progress and `log` (may be null) of its steps. Sets the
// file's status and problem; kStopped when the user stopped the run.
WalkEnd saveSourceFile(int fileNumber, SavedFile& file, const DestinationKind& destinations,
                       RunState& run, ProgressTracker& tracker, const LogSink* log);

}  // namespace vantrel
