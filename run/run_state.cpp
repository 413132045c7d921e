#include "run/run_state.h"

#include "run/result_codes.h"

namespace vantrel {

int RunState::stopCheck() {
  if (rowObserver_ != nullptr) rowObserver_->rowReached();
  if (stopRequested.load(std::memory_order_relaxed) == 0) return kResultNothing;
  // Only an analysis or a saving run has a question to ask; elsewhere the request lapses.
  const char phase = runPhase.load();
  bool stop = false;
  if (phase == 'S') stop = hooks_->confirmStop(kSavingStopQuestion);
  if (phase == 'P') stop = hooks_->confirmStop(kAnalysisStopQuestion);
  stopRequested.store(0);
  return stop ? kResultStopped : kResultNothing;
}

void RunState::appendSavingListLine(std::string_view text) {
  const int row = savingListRow.fetch_add(1);
  hooks_->appendSavingListLine(row, text);
}

}  // namespace vantrel
