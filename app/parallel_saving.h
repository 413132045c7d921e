#pragma once

#include <vector>

#include "app/activity_log.h"
#include "app/saving_run.h"
#include "run/run_state.h"

namespace vantrel {

// A file of Save All whose questions are answered and whose destination is free, waiting for
// a job to save it.
struct QueuedFile {
  int fileNumber = 0;  // 1-based, in the list
  SavedFile file;
  // The user chose to overwrite its existing destination; it is removed when the file's job
  // starts, so that a stop before then keeps it.
  bool replace = false;
  bool started = false;              // false: the run was stopped before a job came to it
  WalkEnd end = WalkEnd::kFinished;  // how its saving ended
};

// Saves the queued files into `destinations`, up to `jobs` at the same time, each with its own run
// state, so that nothing one file's salvage counts or asks reaches another. A file's saving-list
// lines go through `run` and its log lines into `log` (may be null) in one piece when it ends; the
// progress of the running files goes to hooks.showRunningFiles(). A stop requested on `run`
// reaches every running file, and no file starts after one has stopped.
void saveInParallel(std::vector<QueuedFile>& files, const DestinationKind& destinations, int jobs,
                    int fileCount, RunState& run, SavingHooks& hooks, const ActivityLog* log);

}  // namespace vantrel
