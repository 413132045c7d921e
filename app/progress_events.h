#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>

#include "app/saving_run.h"
#include "run/run_progress.h"

namespace vantrel {

// A saving run's progress as JSON lines for batch schedulers' logs and dashboards, one event a
// line: "file_started" (file, files, source), "table" (a file's next table), "pages_read"
// (pages read of the file's page count and rows read, at most once per interval per file, and
// once more as the file ends) and "file_ended" (outcome, problem, tables and rows saved,
// seconds).
// Thread-safe: the run's jobs report from their own threads.
class ProgressEvents {
 public:
  // `write` takes each line without its newline.
  ProgressEvents(int fileCount, std::function<void(std::string_view)> write,
                 std::chrono::milliseconds interval = std::chrono::milliseconds(100));

  void fileStarted(int fileNumber, const std::string& source);
  void progress(const RunProgress& progress);
  void fileEnded(int fileNumber, const SavedFile& file);

 private:
  struct Following {
    std::string source;
    std::string table;
    std::chrono::steady_clock::time_point started;
    std::chrono::steady_clock::time_point lastPages;
    std::optional<RunProgress> unsent;  // pages read since the last event
  };

  void sendPages(int fileNumber, const RunProgress& progress);

  const int fileCount_;
  const std::function<void(std::string_view)> write_;
  const std::chrono::milliseconds interval_;
  std::mutex mutex_;
  std::map<int, Following> files_;  // the files being saved, by number
};

}  // namespace vantrel
