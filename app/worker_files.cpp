#include "app/worker_files.h"

#include <set>

#include "app/destination_naming.h"

namespace vantrel {

Expected<WorkerFiles, std::string> workerFiles(std::vector<std::string> paths,
                                               const WorkerChoice& choice) {
  auto sources = runSources(std::move(paths), choice.batch);
  if (!sources) return Unexpected(sources.error());
  WorkerFiles worker{std::move(*sources), {}, 0};
  if (choice.batch) worker.names = listWideNames(worker.sources);
  const auto keep = [&worker](const auto& wanted) {
    WorkerFiles kept{{}, {}, worker.done};
    for (size_t i = 0; i < worker.sources.size(); ++i) {
      if (!wanted(worker.sources[i])) continue;
      kept.sources.push_back(worker.sources[i]);
      if (!worker.names.empty()) kept.names.push_back(worker.names[i]);
    }
    worker = std::move(kept);
  };
  if (choice.shard) keep([&](const std::string& source) { return inShard(source, *choice.shard); });
  if (choice.resume != nullptr) {
    const size_t before = worker.sources.size();
    const auto left = sourcesLeft(worker.sources, *choice.resume).first;
    const std::set<std::string> remaining(left.begin(), left.end());
    keep([&](const std::string& source) { return remaining.contains(source); });
    worker.done = before - worker.sources.size();
  }
  return worker;
}

}  // namespace vantrel
