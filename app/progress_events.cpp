#include "app/progress_events.h"

#include <cmath>
#include <nlohmann/json.hpp>

#include "app/saving_json.h"

namespace vantrel {
namespace {

std::string dumped(const nlohmann::ordered_json& value) {
  return value.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace

ProgressEvents::ProgressEvents(int fileCount, std::function<void(std::string_view)> write,
                               std::chrono::milliseconds interval)
    : fileCount_(fileCount), write_(std::move(write)), interval_(interval) {}

void ProgressEvents::fileStarted(int fileNumber, const std::string& source) {
  const std::lock_guard lock(mutex_);
  files_[fileNumber] = {source, "", std::chrono::steady_clock::now(), {}, std::nullopt};
  write_(dumped({{"event", "file_started"},
                 {"file", fileNumber},
                 {"files", fileCount_},
                 {"source", source}}));
}

void ProgressEvents::progress(const RunProgress& progress) {
  const std::lock_guard lock(mutex_);
  const auto found = files_.find(progress.fileNumber);
  if (found == files_.end()) return;  // before the file's start or after its end
  Following& file = found->second;
  if (!progress.table.empty() && progress.table != file.table) {
    file.table = progress.table;
    write_(dumped({{"event", "table"},
                   {"file", progress.fileNumber},
                   {"source", file.source},
                   {"table", progress.table}}));
  }
  if (progress.pageCount == 0) return;  // the file's page count is not known yet
  const auto now = std::chrono::steady_clock::now();
  if (now - file.lastPages < interval_) {
    file.unsent = progress;
    return;
  }
  file.lastPages = now;
  file.unsent.reset();
  sendPages(progress.fileNumber, progress);
}

void ProgressEvents::sendPages(int fileNumber, const RunProgress& progress) {
  write_(dumped({{"event", "pages_read"},
                 {"file", fileNumber},
                 {"source", files_[fileNumber].source},
                 {"table", progress.table},
                 {"pages_read", progress.pagesRead},
                 {"page_count", progress.pageCount},
                 {"rows_read", progress.rowsRead}}));
}

void ProgressEvents::fileEnded(int fileNumber, const SavedFile& file) {
  const std::lock_guard lock(mutex_);
  double seconds = 0;
  if (const auto found = files_.find(fileNumber); found != files_.end()) {
    if (found->second.unsent) sendPages(fileNumber, *found->second.unsent);
    seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - found->second.started)
            .count();
    files_.erase(found);
  }
  write_(dumped({{"event", "file_ended"},
                 {"file", fileNumber},
                 {"source", file.source},
                 {"outcome", savedFileStatusText(file.status)},
                 {"problem", file.problem},
                 {"tables_saved", file.tally.savedTables},
                 {"rows_saved", file.tally.savedRows},
                 {"seconds", std::round(seconds * 1000.0) / 1000.0}}));
}

}  // namespace vantrel
