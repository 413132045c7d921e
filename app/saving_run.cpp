#include "app/saving_run.h"

#include <algorithm>
#include <map>

#include "app/destination_naming.h"
#include "app/file_saving.h"
#include "app/parallel_saving.h"
#include "app/progress_tracker.h"
#include "app/saving_failures.h"
#include "app/source_problems.h"
#include "reader/catalog_walk.h"
#include "run/walk_end.h"

namespace vantrel {
namespace {

using Status = SavedFile::Status;

class SavingWorker {
 public:
  SavingWorker(const SavingRequest& request, RunState& run, SavingHooks& hooks,
               const ActivityLog* log)
      : request_(request),
        run_(run),
        hooks_(hooks),
        log_(log),
        tracker_(run, static_cast<int>(request.sourceFiles.size())),
        runName_(savingSubfolderName(request.startTime.value_or(currentLogTime()))) {
    if (request.destinations) {
      destinations_ = request.destinations;
    } else if (auto opened =
                   destinationRegistry().open(request.destination, request.destinationOptions)) {
      destinations_ = std::move(*opened);
    } else {
      openFailure_ = opened.error();
    }
    outcome_.subfolder = destinations_ ? destinations_->runLocation(runName_) : runName_;
    outcome_.destinations = destinations_;
  }

  SavingOutcome run() {
    run_.stopRequested = 0;
    run_.runPhase = RunPhase::kSaving;
    if (log_ != nullptr) logSavingStart(*log_);
    if (!destinations_) {
      refuseEveryFile();
    } else if (request_.saveAll) {
      saveAllFiles();
    } else {
      saveCurrentFile();
    }
    // A subfolder that received no destination is not left behind.
    if (destinations_) destinations_->endRun(runName_);
    return std::move(outcome_);
  }

 private:
  int fileCount() const { return static_cast<int>(request_.sourceFiles.size()); }

  // Files saved at the same time. Into files only: a server destination asks about the tables
  // it holds already in the middle of a file, and questions never come two at once.
  int jobs() const { return destinations_->capabilities().filePerSource ? request_.jobs : 1; }

  // No kind of destination serves the address: no file is read, and each says why. The
  // address is not repeated: it may hold a password.
  void refuseEveryFile() {
    const int first = request_.saveAll ? 0 : request_.fileNumber - 1;
    const int end = request_.saveAll ? fileCount() : std::min(first + 1, fileCount());
    for (int index = std::max(first, 0); index < end; ++index) {
      SavedFile file;
      file.source = displayPath(request_.sourceFiles[static_cast<size_t>(index)]);
      file.status = Status::NotCreated;
      file.problem = file.source + ": no destination can be made (" + openFailure_ + ")";
      logText("Not created: " + file.problem + "\r\n\r\n");
      settle(index + 1, std::move(file));
    }
    outcome_.end = SavingEnd::ViewLog;
  }

  // The destination of a source, in the run (its subfolder made when the file is).
  SavedFile place(int index) {
    SavedFile file;
    file.source = displayPath(request_.sourceFiles[static_cast<size_t>(index)]);
    const auto& given = request_.destinationNames;
    file.place = {runName_, static_cast<size_t>(index) < given.size()
                                ? names_.claimName(given[static_cast<size_t>(index)])
                                : names_.claim(file.source)};
    file.destination = destinations_->location(file.place);
    placedNumbers_[file.destination] = index + 1;
    hooks_.showFile(index + 1, fileCount(), file.source, file.destination);
    return file;
  }

  // The file's outcome is settled: it joins the run's and whoever follows the run is told.
  void settle(int fileNumber, SavedFile&& file) {
    hooks_.fileEnded(fileNumber, file);
    outcome_.files.push_back(std::move(file));
  }

  void logText(std::string_view text) const {
    if (log_ != nullptr) log_->appendLogLine(text);
  }

  // Whether the source opens as an Access database; if not, the file is reported and given
  // no destination.
  bool opens(int fileNumber, SavedFile& file) {
    const auto opened = tryOpenSourceDatabase(file.source);
    if (opened) return true;
    file.status = Status::NotOpened;
    file.problem = cannotOpenText(file.source, opened.error());
    logText(file.problem + "\r\n\r\n");
    settle(fileNumber, std::move(file));
    return false;
  }

  // Creates the destination and saves the file into it.
  WalkEnd save(int fileNumber, SavedFile& file) {
    return saveSourceFile(fileNumber, file, *destinations_, run_, tracker_, log_);
  }

  void abort() {
    if (log_ != nullptr) logRepairAborted(*log_);
  }

  // Called right after an overwrite question: a stop requested while it waited for its
  // answer takes effect now, as it would at the next row, before the file is touched.
  bool stoppedWhileAsking(int fileNumber, SavedFile& file) {
    if (!run_.stopConfirmed()) return false;
    abort();
    outcome_.lastFileEnd = WalkEnd::kStopped;
    file.status = Status::Stopped;
    file.problem = file.source + ": stopped before anything was written";
    settle(fileNumber, std::move(file));
    return true;
  }

  void saveAllFiles() {
    bool yesToAll = false;
    bool noToAll = false;
    int skipped = 0;
    std::vector<QueuedFile> queued;  // with several jobs: saved once every question is answered
    for (int i = 0; i < fileCount(); ++i) {
      SavedFile file = place(i);
      if (!opens(i + 1, file)) continue;
      bool replace = false;
      if (destinations_->exists(file.place)) {
        OverwriteAnswer answer = yesToAll ? OverwriteAnswer::YesToAll : OverwriteAnswer::NoToAll;
        if (!yesToAll && !noToAll) {
          answer = hooks_.askOverwrite(file.destination);
          if (stoppedWhileAsking(i + 1, file)) {
            outcome_.savingAborted = true;
            break;
          }
        }
        if (answer == OverwriteAnswer::No) ++skipped;
        if (answer == OverwriteAnswer::NoToAll) noToAll = true;
        if (answer == OverwriteAnswer::YesToAll) yesToAll = true;
        if (answer == OverwriteAnswer::No || answer == OverwriteAnswer::NoToAll) {
          file.status = Status::Kept;
          settle(i + 1, std::move(file));
          continue;
        }
        replace = true;
      }
      if (jobs() > 1) {
        queued.push_back({i + 1, std::move(file), replace});
        continue;
      }
      if (replace) destinations_->remove(file.place);
      if (log_ != nullptr) logDestination(*log_, file.destination.string(), false);
      hooks_.fileStarted(i + 1, file.source);
      const WalkEnd end = save(i + 1, file);
      settle(i + 1, std::move(file));
      outcome_.lastFileEnd = end;
      if (end == WalkEnd::kStopped) {
        abort();
        outcome_.savingAborted = true;
        break;
      }
      hooks_.showOverallProgress((i + 1) * 100 / fileCount());
    }
    if (!queued.empty() && !outcome_.savingAborted) saveQueued(queued);
    // Only a run where every file was refused with No returns without the end dialog.
    const bool anyTaken = fileCount() != skipped && fileCount() != 0;
    outcome_.end = anyTaken ? SavingEnd::ViewLog : SavingEnd::Quiet;
  }

  // Saves the queued files in parallel and puts them among the others in list order.
  void saveQueued(std::vector<QueuedFile>& queued) {
    saveInParallel(queued, *destinations_, jobs(), fileCount(), run_, hooks_, log_);
    std::vector<std::pair<int, SavedFile>> settled;
    bool abortLogged = false;  // a stopped file's log block says so itself
    for (size_t k = 0; k < outcome_.files.size(); ++k) {
      settled.emplace_back(placedNumbers_[outcome_.files[k].destination],
                           std::move(outcome_.files[k]));
    }
    for (QueuedFile& file : queued) {
      // A file no job came to, after a stop, is left out as a run of one at a time leaves it.
      if (!file.started) {
        outcome_.savingAborted = true;
        continue;
      }
      if (file.end == WalkEnd::kStopped) {
        outcome_.savingAborted = true;
        abortLogged = true;
      }
      settled.emplace_back(file.fileNumber, std::move(file.file));
    }
    // A stop that came as the running files ended left files unstarted but no block that
    // says the run was aborted.
    if (outcome_.savingAborted && !abortLogged && log_ != nullptr) logRepairAborted(*log_);
    std::ranges::stable_sort(settled, {}, &std::pair<int, SavedFile>::first);
    outcome_.files.clear();
    for (auto& [number, file] : settled)
      outcome_.files.push_back(std::move(file));
    outcome_.lastFileEnd = outcome_.savingAborted ? WalkEnd::kStopped : queued.back().end;
  }

  void saveCurrentFile() {
    const int index = request_.fileNumber - 1;
    if (index < 0 || index >= fileCount()) return;
    SavedFile file = place(index);
    if (!opens(index + 1, file)) {
      outcome_.end = fileCount() == 1 ? SavingEnd::ViewLog : SavingEnd::CompletionNotice;
      return;
    }
    bool overwritten = false;
    if (destinations_->exists(file.place)) {
      const bool overwrite = hooks_.confirmOverwrite(file.destination);
      if (stoppedWhileAsking(index + 1, file)) {
        outcome_.savingAborted = fileCount() == 1;
        outcome_.end = fileCount() == 1 ? SavingEnd::ViewLog : SavingEnd::CompletionNotice;
        return;
      }
      if (!overwrite) {
        file.status = Status::Kept;
        settle(index + 1, std::move(file));
        outcome_.end = SavingEnd::Quiet;
        return;
      }
      destinations_->remove(file.place);
      overwritten = true;
    }
    if (log_ != nullptr) logDestination(*log_, file.destination.string(), overwritten);
    hooks_.fileStarted(index + 1, file.source);
    const WalkEnd end = save(request_.fileNumber, file);
    settle(index + 1, std::move(file));
    outcome_.lastFileEnd = end;
    if (end == WalkEnd::kStopped) {
      abort();
      outcome_.savingAborted = fileCount() == 1;
    }
    outcome_.end = fileCount() == 1 ? SavingEnd::ViewLog : SavingEnd::CompletionNotice;
  }

  const SavingRequest& request_;
  RunState& run_;
  SavingHooks& hooks_;
  const ActivityLog* log_;
  ProgressTracker tracker_;
  std::string runName_;  // the subfolder's name: "Repair_9-5-7"
  std::shared_ptr<const DestinationKind> destinations_;
  std::string openFailure_;  // why no kind of destination took the address
  DestinationNames names_;
  std::map<std::filesystem::path, int> placedNumbers_;  // each destination's file number
  SavingOutcome outcome_;
};

}  // namespace

SavingOutcome runSaving(const SavingRequest& request, RunState& run, SavingHooks& hooks,
                        const ActivityLog* log) {
  return SavingWorker(request, run, hooks, log).run();
}

std::string_view viewLogResultText(bool savingAborted) {
  return savingAborted ? "Repairing aborted" : "Saving Completed Successfully";
}

bool savedEverything(const SavingOutcome& outcome) {
  return !outcome.savingAborted && std::ranges::all_of(outcome.files, [](const SavedFile& file) {
    return file.status == Status::Saved || file.status == Status::Kept;
  });
}

namespace {

bool everyFileKept(const SavingOutcome& outcome) {
  return !outcome.files.empty() && std::ranges::all_of(outcome.files, [](const SavedFile& file) {
    return file.status == Status::Kept;
  });
}

// "Repairing aborted", each stopped file's line, and the files that failed before the stop.
std::string abortedText(const SavingOutcome& outcome, std::string_view head) {
  std::string text(head);
  for (const std::string& line : stoppedFiles(outcome))
    text += "\n" + line;
  if (!savingFailures(outcome).empty()) text += "\n" + failureSummaryText(outcome);
  return text;
}

}  // namespace

std::string viewLogResultText(const SavingOutcome& outcome) {
  if (outcome.savingAborted) return abortedText(outcome, viewLogResultText(true));
  if (!savingFailures(outcome).empty()) return failureSummaryText(outcome);
  if (everyFileKept(outcome)) return std::string(kEverythingKeptText);
  return std::string(viewLogResultText(false));
}

int logSavingEnd(const ActivityLog& log, const SavingOutcome& outcome) {
  if (!outcome.savingAborted) {
    if (!savingFailures(outcome).empty()) return logSavingFailures(log, outcome);
    if (everyFileKept(outcome)) {
      return log.appendLogLine("\r\n\r\n" + std::string(kEverythingKeptText) + "\r\n");
    }
  }
  const int written = logRunEnd(log, outcome.savingAborted);
  if (!outcome.savingAborted) return written;
  std::string lines;
  for (const std::string& line : stoppedFiles(outcome))
    lines += "\r\n" + line;
  return lines.empty() ? written : log.appendLogLine(lines + "\r\n");
}

std::string completionNoticeText(const SavingOutcome& outcome) {
  const std::string head = completionNoticeText(outcome.lastFileEnd);
  if (outcome.lastFileEnd == WalkEnd::kStopped) return abortedText(outcome, head);
  if (!savingFailures(outcome).empty()) return failureSummaryText(outcome);
  return head;
}

std::string withLogWarning(std::string endText, const ActivityLog& log) {
  if (const std::string warning = logWarningText(log); !warning.empty())
    endText += "\n\n" + warning;
  return endText;
}

std::string completionNoticeText(WalkEnd lastFileEnd) {
  const std::string_view text =
      lastFileEnd == WalkEnd::kStopped ? "Repairing aborted" : "Repairing completed successfully";
  return std::string(text) + std::string(20, ' ');
}

}  // namespace vantrel
