#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/run_manifest.h"
#include "app/work_list.h"
#include "run/expected.h"

namespace vantrel {

// How one worker of a batch takes its part of the run's sources.
struct WorkerChoice {
  // A batch (a work list, a shard, a manifest or a resume): each path once, and each name
  // chosen over the whole list (listWideNames), the same in every worker and every restart.
  bool batch = false;
  std::optional<Shard> shard;           // none: every file
  const ResumePoint* resume = nullptr;  // the files it holds as done are passed over
};

// The files a worker saves, in list order, each with its destination name.
struct WorkerFiles {
  std::vector<std::string> sources;
  std::vector<std::string> names;  // empty: named as a run of its own names them
  size_t done = 0;                 // the worker's files the resume manifest holds as done
};

// The worker's part of `paths` (the command line's and the work list's); a folder among them is
// refused (runSources).
Expected<WorkerFiles, std::string> workerFiles(std::vector<std::string> paths,
                                               const WorkerChoice& choice);

}  // namespace vantrel
