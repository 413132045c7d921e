#include "app/parallel_saving.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <exception>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "app/file_saving.h"
#include "app/progress_tracker.h"
#include "run/walk_end.h"

namespace vantrel {
namespace {

// What the jobs share: everything they show goes through it, one call at a time.
class JobBoard {
 public:
  JobBoard(RunState& run, SavingHooks& hooks, const ActivityLog* log, int fileCount,
           int settledBefore)
      : run_(run), hooks_(hooks), log_(log), fileCount_(fileCount), settledBefore_(settledBefore) {}

  bool confirmStop(RunPhase phase) {
    std::lock_guard lock(mutex_);
    const bool stop = run_.hooks().confirmStop(phase);
    if (!stop) stopRelayed_ = false;  // the request lapses, as in a run of one file at a time
    return stop;
  }

  void showProgress(const RunProgress& progress) {
    std::lock_guard lock(mutex_);
    running_[progress.fileNumber] = progress;
    const auto now = std::chrono::steady_clock::now();
    // The display redraws at its own pace; this only keeps the jobs from queueing for it.
    if (now - lastShown_ < std::chrono::milliseconds(50)) return;
    lastShown_ = now;
    showRunning();
  }

  void start(int fileNumber, const std::string& source) {
    std::lock_guard lock(mutex_);
    hooks_.fileStarted(fileNumber, source);
  }

  // A file's end: its saving-list lines and its log block, each in one piece.
  void finish(int fileNumber, const SavedFile& file, const std::vector<std::string>& lines,
              const std::string& block) {
    std::lock_guard lock(mutex_);
    hooks_.fileEnded(fileNumber, file);
    running_.erase(fileNumber);
    for (const std::string& line : lines)
      run_.appendSavingListLine(line);
    if (log_ != nullptr && !block.empty()) log_->appendLogLine(block);
    ++ended_;
    hooks_.showOverallProgress(fileCount_ > 0 ? (settledBefore_ + ended_) * 100 / fileCount_ : 100);
    showRunning();
  }

  // A job's run state joins the ones a stop request reaches; one that starts while a stop
  // is on its way is asked at once.
  void enter(RunState& job) {
    std::lock_guard lock(mutex_);
    jobs_.insert(&job);
    if (stopRelayed_) job.requestStop();
  }
  void leave(RunState& job) {
    std::lock_guard lock(mutex_);
    jobs_.erase(&job);
  }

  // Called before every row of every job: a stop requested on the run (Ctrl-C) is passed on
  // to every running job, each of which confirms it at its own next stop check.
  void relayStop() {
    if (run_.stopRequested.load(std::memory_order_relaxed) == 0) return;
    std::lock_guard lock(mutex_);
    if (run_.stopRequested.exchange(0) == 0) return;
    stopRelayed_ = true;
    for (RunState* job : jobs_)
      job->requestStop();
  }

  void markStopped() { stopped_.store(true); }
  // Whether a file may no longer start: one has stopped, or a stop was requested.
  bool stopping() {
    if (stopped_.load() || run_.stopRequested.load() != 0) return true;
    std::lock_guard lock(mutex_);
    return stopRelayed_;
  }

 private:
  void showRunning() {
    std::vector<RunProgress> running;
    running.reserve(running_.size());
    for (const auto& [number, progress] : running_)
      running.push_back(progress);
    hooks_.showRunningFiles(running);
  }

  RunState& run_;
  SavingHooks& hooks_;
  const ActivityLog* log_;
  const int fileCount_;
  const int settledBefore_;  // files skipped or not opened before the jobs began
  int ended_ = 0;
  std::mutex mutex_;
  std::map<int, RunProgress> running_;  // by file number
  std::chrono::steady_clock::time_point lastShown_{};
  std::set<RunState*> jobs_;
  bool stopRelayed_ = false;
  std::atomic<bool> stopped_{false};
};

// One job's hooks: its saving-list lines are kept for the file's end, the rest goes to the
// board.
class JobHooks : public RunHooks {
 public:
  explicit JobHooks(JobBoard& board) : board_(board) {}

  bool confirmStop(RunPhase phase) override { return board_.confirmStop(phase); }
  void appendSavingListLine(int, std::string_view text) override { lines_.emplace_back(text); }
  void reportProgress(const RunProgress& progress) override { board_.showProgress(progress); }

  const std::vector<std::string>& lines() const { return lines_; }

 private:
  JobBoard& board_;
  std::vector<std::string> lines_;
};

// One file's log texts, kept for its end.
class LogBlock final : public LogSink {
 public:
  int appendLogLine(std::string_view text) const override {
    text_ += text;
    return 1;
  }
  const std::string& text() const { return text_; }

 private:
  mutable std::string text_;
};

// Sees every row of one job: relays a stop request, then tells the progress tracker.
class JobRowObserver : public RowObserver {
 public:
  JobRowObserver(JobBoard& board, RunState& job, ProgressTracker& tracker)
      : board_(board), job_(job), tracker_(tracker) {
    board_.enter(job_);
    job_.setRowObserver(this);
  }
  ~JobRowObserver() override {
    job_.setRowObserver(&tracker_);
    board_.leave(job_);
  }
  JobRowObserver(const JobRowObserver&) = delete;
  JobRowObserver& operator=(const JobRowObserver&) = delete;

  void rowReached() override {
    board_.relayStop();
    tracker_.rowReached();
  }

 private:
  JobBoard& board_;
  RunState& job_;
  ProgressTracker& tracker_;
};

void saveQueuedFile(QueuedFile& queued, const DestinationKind& destinations, int fileCount,
                    JobBoard& board) {
  JobHooks hooks(board);
  RunState run(hooks);
  run.runPhase = RunPhase::kSaving;
  ProgressTracker tracker(run, fileCount);
  LogBlock block;
  {
    JobRowObserver observer(board, run, tracker);
    if (queued.replace) destinations.remove(queued.file.place);
    board.start(queued.fileNumber, queued.file.source);
    logDestination(block, queued.file.destination.string(), false);
    queued.end = saveSourceFile(queued.fileNumber, queued.file, destinations, run, tracker, &block);
  }
  if (queued.end == WalkEnd::kStopped) {
    logRepairAborted(block);
    board.markStopped();
  }
  board.finish(queued.fileNumber, queued.file, hooks.lines(), block.text());
}

}  // namespace

void saveInParallel(std::vector<QueuedFile>& files, const DestinationKind& destinations, int jobs,
                    int fileCount, RunState& run, SavingHooks& hooks, const ActivityLog* log) {
  JobBoard board(run, hooks, log, fileCount, fileCount - static_cast<int>(files.size()));
  std::atomic<size_t> next{0};
  std::mutex failureMutex;
  std::exception_ptr failure;
  const auto work = [&] {
    for (;;) {
      const size_t index = next.fetch_add(1);
      if (index >= files.size() || board.stopping()) return;
      QueuedFile& queued = files[index];
      queued.started = true;
      try {
        saveQueuedFile(queued, destinations, fileCount, board);
      } catch (...) {
        // Passed on to the caller as a serial run would; the other jobs end their files.
        std::lock_guard lock(failureMutex);
        if (!failure) failure = std::current_exception();
        board.markStopped();
      }
    }
  };
  const size_t threadCount = std::min(files.size(), static_cast<size_t>(std::max(jobs, 1)));
  {
    std::vector<std::jthread> threads;
    threads.reserve(threadCount);
    for (size_t i = 0; i < threadCount; ++i)
      threads.emplace_back(work);
  }
  if (failure) std::rethrow_exception(failure);
}

}  // namespace vantrel
