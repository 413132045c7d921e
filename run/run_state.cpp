#include "run/run_state.h"

#include "run/display_text.h"

namespace vantrel {

bool RunState::stopConfirmed() {
  if (rowObserver_ != nullptr) rowObserver_->rowReached();
  const int request = stopRequested.load(std::memory_order_relaxed);
  if (request == 0) return false;
  if (request == kConfirmedStop) {
    stopRequested.store(0);
    return true;
  }
  // An analysis or a saving run asks first; a preview load stops unasked; elsewhere the
  // request lapses.
  const RunPhase phase = runPhase.load();
  bool stop = phase == RunPhase::kPreviewLoad;
  if (phase == RunPhase::kSaving || phase == RunPhase::kAnalysis) stop = hooks_->confirmStop(phase);
  stopRequested.store(0);
  return stop;
}

void RunState::appendSavingListLine(std::string_view text) {
  const int row = savingListRow.fetch_add(1);
  // Each call is one line of the list: a name that holds a line break or an escape sequence
  // stays on its line and shows as written.
  hooks_->appendSavingListLine(row, escapedControlCharacters(text));
}

}  // namespace vantrel
