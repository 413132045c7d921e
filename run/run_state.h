#pragma once

#include <atomic>
#include <string>
#include <string_view>

#include "run/run_progress.h"

namespace vantrel {

// Which run is going on, so that a stop request gets that run's question. Loading one object
// for display has none to ask: the user cancelled it, so it stops at once.
enum class RunPhase : char { kNone = 0, kAnalysis = 'P', kSaving = 'S', kPreviewLoad = 'V' };

// What a worker needs from whoever shows the run: the windows, the command line or a test.
// Workers never touch a window themselves; they only call these hooks.
class RunHooks {
 public:
  virtual ~RunHooks() = default;

  // Asks whether the running work of `phase` (an analysis or a saving run) should stop.
  // Returns true for Yes. Called on the worker thread, which waits for the answer.
  virtual bool confirmStop(RunPhase phase) = 0;

  // Appends one line to the saving list (the saving run's progress list).
  virtual void appendSavingListLine(int row, std::string_view text) = 0;

  // Real progress of the running work: at each file, at each table and as pages are read.
  // Called on the worker thread, often; a display should redraw at its own pace.
  virtual void reportProgress(const RunProgress& /*progress*/) {}
};

// Told of every row the reader is about to fetch, on the worker thread.
class RowObserver {
 public:
  virtual ~RowObserver() = default;
  virtual void rowReached() = 0;
};

// Hooks that show nothing and confirm every stop request.
class SilentRunHooks : public RunHooks {
 public:
  bool confirmStop(RunPhase) override { return true; }
  void appendSavingListLine(int, std::string_view) override {}
};

// The run's phase and the stop request shared by the worker and the user interface. The
// user-interface side only calls requestStop(); everything else belongs to the worker.
class RunState {
 public:
  explicit RunState(RunHooks& hooks) : hooks_(&hooks) {}
  RunState(const RunState&) = delete;
  RunState& operator=(const RunState&) = delete;

  RunHooks& hooks() const { return *hooks_; }

  std::atomic<int> stopRequested{0};  // set by the user interface, consumed by stopConfirmed()
  // stopRequested's value for a stop already confirmed (see carryConfirmedStop()).
  static constexpr int kConfirmedStop = 2;
  std::atomic<RunPhase> runPhase{RunPhase::kNone};
  std::atomic<int> savingListRow{0};  // row of the next saving-list line
  // Format version of the last source database that opened (0 Jet 3, 1 Jet 4, 2 and up the
  // header's version byte of Access 2007 and later). The workflow
  // sets kNoFormatVersion before it opens a file, so a file that does not open leaves it so.
  static constexpr int kNoFormatVersion = -1;
  std::atomic<int> sourceFormatVersion{0};

  // Safe from any thread.
  void requestStop() { stopRequested.store(1); }

  // Called by the reader before every row. Returns true when a requested stop was confirmed.
  // Requests made before one check give one question.
  bool stopConfirmed();

  // For work that asked stopConfirmed() where it could not end the run itself (a pass over the
  // file's pages): the next stopConfirmed() is true without asking again.
  void carryConfirmedStop() { stopRequested.store(kConfirmedStop); }

  // Appends a line to the saving list and advances savingListRow.
  void appendSavingListLine(std::string_view text);

  // The observer stopConfirmed() tells of every row; null for none. Set by the worker.
  void setRowObserver(RowObserver* observer) { rowObserver_ = observer; }

 private:
  RunHooks* hooks_;
  RowObserver* rowObserver_ = nullptr;
};

}  // namespace vantrel
